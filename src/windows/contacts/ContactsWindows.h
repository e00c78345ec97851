#pragma once

namespace pimdesk {

class WindowRegistry;

// Names of the contacts windows besides the list (windowNames::contactsList).
namespace windowNames {
inline constexpr char contactEditor[] = "SUB2_2";
inline constexpr char contactSearch[] = "Dialog";
} // namespace windowNames

// Registers the contacts list, the contact editor and the contact search with the registry.
void registerContactsWindows(WindowRegistry &windows);

} // namespace pimdesk
