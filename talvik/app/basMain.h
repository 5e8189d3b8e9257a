#pragma once
// Start-up of the program.
namespace talvik {

// The start-up procedure: refuses a second instance, selects the mode, builds
// the title and version, creates and shows the main window. True when the
// main window is shown and the program runs on; false when it ends here
// (second instance, an error of the start-up, the service mode's end).
bool Main();

// Main, then the event loop until the main window has unloaded; the exit code.
int runProgram();

} // namespace talvik
