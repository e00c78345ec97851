#pragma once

namespace pimdesk {

class WindowRegistry;

// Names of the program's windows that are not lists (the lists are named by the table of kinds)
// and not opened by a list of their own kind.
namespace windowNames {
inline constexpr char outlookImport[] = "SUB1_3";
inline constexpr char exportToDevice[] = "SUB1_2";
inline constexpr char importFromDevice[] = "SUB1_1";
inline constexpr char syncWithDevice[] = "SUB1_4";
} // namespace windowNames

// Registers every window of the program with the registry: the three list windows, the Outlook
// import window and the windows they open, and names the device windows the lists' pictures open.
// A window that is not registered here has its menu entry and launcher entry shown but disabled.
void registerProgramWindows(WindowRegistry &windows);

} // namespace pimdesk
