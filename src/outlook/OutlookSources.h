#pragma once

#include "outlook/OutlookModel.h"

namespace pimdesk::outlook {

// The Outlook source of the program: how its Outlook import window reaches Outlook when it was not
// given one of its own. Empty until a back end installs one at start-up; an import without a source
// tells the user that Outlook cannot be reached.
void setProgramSource(OutlookSource source);
OutlookSource programSource();

} // namespace pimdesk::outlook
