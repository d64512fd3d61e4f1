#pragma once
// The interface files of the instruments' setup panes ("InstrumentSetupView", "VORSetupView",
// "CompassSetupView", "GPSSetupView"), registered by name for the interface-file loader.
//
// Threads: main thread only.

namespace vantrel::instruments {

// Registers the four panes; later calls do nothing.
void registerInstrumentInterfaceFiles();

}  // namespace vantrel::instruments
