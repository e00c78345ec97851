#pragma once

#include "outlook/OutlookModel.h"

#include <QString>

namespace pimdesk::outlook {

// Outlook's object model over one Outlook data file (.pst or .ost), for computers where Outlook
// does not run but its data files do. Each attach opens the file afresh; a folder's items are all
// read when the import asks for them, so a damaged file is found out before anything is stored.
//
// attachDataFile throws OutlookError (CannotAttach) with a reason for the user when the file is
// missing, empty, not an Outlook data file, damaged or protected by a password.
std::shared_ptr<Application> attachDataFile(const QString &path);

// The Outlook source of an import that reads the data file at path. The attaches of one source
// share the opened file while it stays unchanged on disk.
OutlookSource dataFileSource(const QString &path);

} // namespace pimdesk::outlook
