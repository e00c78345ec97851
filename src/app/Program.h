#pragma once

class QApplication;

namespace pimdesk {

// Opens the record store beside the program (creating it when missing), then the main window with
// its launcher. A store that cannot be used is reported and the program ends with status 1,
// leaving the file as it was. Returns the application's exit status.
int runProgram(QApplication &app);

} // namespace pimdesk
