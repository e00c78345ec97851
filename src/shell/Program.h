#pragma once

class QApplication;

namespace pimdesk {

// Opens the record store beside the program (creating it when missing), then the main window.
// Returns the application's exit status.
int runProgram(QApplication &app);

} // namespace pimdesk
