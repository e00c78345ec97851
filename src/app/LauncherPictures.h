#pragma once

#include <QPixmap>

namespace pimdesk {

// The launcher's four pictures, drawn in code: an address book (contacts), a calendar page, a
// clipboard with ticked tasks, and an envelope with an Outlook tile.
enum class LauncherPicture { Contacts, Calendar, Tasks, Outlook };

// A square picture of the given side in logical pixels, sharp at the given device pixel ratio.
QPixmap launcherPicture(LauncherPicture picture, int side, qreal devicePixelRatio = 1.0);

} // namespace pimdesk
