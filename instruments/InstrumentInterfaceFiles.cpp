#include "InstrumentInterfaceFiles.h"

#include "platform/ui/FramedSetupView.h"
#include "platform/ui/Nib.h"

#include "ui_CompassSetupView.h"
#include "ui_GPSSetupView.h"
#include "ui_InstrumentSetupView.h"
#include "ui_VORSetupView.h"

namespace vantrel::instruments {

namespace {
template <class Form>
void registerForm(const QString& name) {
    platform::ui::registerNib(
        name, [](QWidget* root) { Form().setupUi(static_cast<platform::ui::FramedSetupView*>(root)); },
        [] { return new platform::ui::FramedSetupView(); });
}
}  // namespace

void registerInstrumentInterfaceFiles() {
    static bool registered = false;
    if (registered) return;
    registered = true;
    registerForm<Ui::InstrumentSetupView>(QStringLiteral("InstrumentSetupView"));
    registerForm<Ui::VORSetupView>(QStringLiteral("VORSetupView"));
    registerForm<Ui::CompassSetupView>(QStringLiteral("CompassSetupView"));
    registerForm<Ui::GPSSetupView>(QStringLiteral("GPSSetupView"));
}

}  // namespace vantrel::instruments
