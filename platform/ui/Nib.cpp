#include "Nib.h"

#include "platform/core/Log.h"

#include <QAbstractButton>
#include <QHash>

namespace vantrel::platform::ui {

namespace {
struct Entry {
    NibBuilder builder;
    std::function<QWidget*()> makeRoot;
};
QHash<QString, Entry>& registry() {
    static QHash<QString, Entry> nibs;
    return nibs;
}
}  // namespace

void registerNib(const QString& name, NibBuilder builder, std::function<QWidget*()> makeRoot) {
    registry().insert(name, {std::move(builder), std::move(makeRoot)});
}

bool isNibRegistered(const QString& name) { return registry().contains(name); }

QWidget* loadNibNamed(const QString& name, NibOwner& owner) {
    auto it = registry().constFind(name);
    if (it == registry().constEnd()) {
        logLine(QStringLiteral("No interface file named %1").arg(name));
        return nullptr;
    }
    QWidget* root = it->makeRoot ? it->makeRoot() : new QWidget();
    it->builder(root);

    QList<QWidget*> widgets = root->findChildren<QWidget*>();
    widgets.prepend(root);
    for (QWidget* widget : widgets) {
        if (!widget->objectName().isEmpty()) owner.setOutlet(widget->objectName(), widget);
        auto* button = qobject_cast<QAbstractButton*>(widget);
        const QString action = widget->property("action").toString();
        if (!button || action.isEmpty()) continue;
        std::function<void()> perform = owner.actionNamed(action);
        if (!perform) {
            // A shared pane may carry a control that this owner has no use for: it is not shown,
            // rather than shown dead.
            logLine(QStringLiteral("Interface file %1: its owner has no action %2; %3 is hidden")
                        .arg(name, action, widget->objectName()));
            button->hide();
            continue;
        }
        QObject::connect(button, &QAbstractButton::clicked, button, [perform] { perform(); });
    }
    return root;
}

}  // namespace vantrel::platform::ui
