#include "DisclaimerView.h"

#include "BundleText.h"
#include "ui_DisclaimerView.h"

#include "platform/core/Log.h"
#include "platform/ui/TabBarController.h"

#include <QTextDocument>
#include <cstdio>
#include <cstdlib>

namespace vantrel::app {

using namespace platform::ui;

DisclaimerView& DisclaimerView::sharedController() {
    // Never destroyed: the screen lives until the process ends, past the application object
    // after which its widgets may no longer be touched.
    static const auto* controller = new std::shared_ptr<DisclaimerView>(std::make_shared<DisclaimerView>());
    return **controller;
}

DisclaimerView::DisclaimerView() {
    setTitle(QStringLiteral("Disclaimer"));
    tabBarItem().setImageName(QStringLiteral("help_i.png"));
}

DisclaimerView::~DisclaimerView() = default;

void DisclaimerView::loadView() {
    ui_ = std::make_unique<Ui::DisclaimerView>();
    loadViewFromForm(*ui_);
}

QWidget* DisclaimerView::titleBar() {
    view();
    return ui_->titleBar;
}

QWidget* DisclaimerView::bottomBar() {
    view();
    return ui_->bottomBar;
}

TextView* DisclaimerView::textView() {
    view();
    return ui_->disclaimerText;
}

void DisclaimerView::viewDidLoad() {
    ui_->titleBar->setBarStyle(BarStyle::Black);
    ui_->titleBar->showItem(&navigationItem(), QString(), {});
    ui_->disclaimerText->document()->setDocumentMargin(10);
    ui_->disclaimerText->setHtml(bundleHtml(QStringLiteral("disclaimer")));
    ui_->agreeButton->setAction([this] { agree(); });
    ui_->disagreeButton->setAction([this] { disagree(); });
}

void DisclaimerView::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    ui_->titleBar->setHidden(hideTitles_);
    ui_->bottomBar->setHidden(hideTitles_);
}

bool DisclaimerView::keyPressed(QKeyEvent* event) {
    // While its buttons show, Return agrees and Escape disagrees.
    if (!isViewLoaded() || ui_->bottomBar->isHidden() || event->modifiers() != Qt::NoModifier) return false;
    if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
        agree();
        return true;
    }
    if (event->key() == Qt::Key_Escape) disagree();
    return false;
}

void DisclaimerView::display(TabBarController& tabBarController) {
    ViewController* parent = parentViewController();
    if (parent && parent->modalViewController() == this) return;
    if (parent) {
        platform::logLine(QStringLiteral("The disclaimer is one of the tabs on the bar; its tab is shown instead"));
        tabBarController.setSelectedViewController(this);
        return;
    }
    tabBarController.presentModalViewController(shared_from_this(), true);
}

void DisclaimerView::agree() {
    ViewController* presenter = parentViewController();
    if (presenter && presenter->modalViewController() == this) dismissModalViewControllerAnimated(true);
    hideTitles_ = true;
}

void DisclaimerView::disagree() {
    std::fflush(nullptr);
    std::_Exit(0);
}

}  // namespace vantrel::app
