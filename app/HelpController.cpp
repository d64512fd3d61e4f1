#include "HelpController.h"

#include "BundleText.h"
#include "ui_HelpController.h"

#include <QTextDocument>

namespace vantrel::app {

HelpController& HelpController::sharedController() {
    // Never destroyed: the screen lives until the process ends, past the application object
    // after which its widgets may no longer be touched.
    static const auto* controller = new std::shared_ptr<HelpController>(std::make_shared<HelpController>());
    return **controller;
}

HelpController::HelpController() {
    setTitle(QStringLiteral("Help"));
    tabBarItem().setImageName(QStringLiteral("help_i.png"));
}

HelpController::~HelpController() = default;

void HelpController::loadView() {
    ui_ = std::make_unique<Ui::HelpController>();
    loadViewFromForm(*ui_);
}

platform::ui::TextView* HelpController::textView() {
    view();
    return ui_->helpText;
}

void HelpController::viewDidLoad() {
    ui_->titleBar->setBarStyle(platform::ui::BarStyle::Black);
    ui_->helpText->document()->setDocumentMargin(10);
    ui_->helpText->setHtml(bundleHtml(QStringLiteral("help")));
}

void HelpController::viewWillAppear(bool animated) {
    ViewController::viewWillAppear(animated);
    ui_->titleBar->showItemUnlessNavigated(*this);
}

}  // namespace vantrel::app
