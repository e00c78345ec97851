#pragma once

#include "exchange/ListWindowsHost.h"
#include "exchange/Snapshots.h"

#include <QString>
#include <QStringList>

namespace pimdesk {

class Messages;

// What an undo did.
struct UndoOutcome
{
    bool found = false;     // there was an exchange to undo
    bool confirmed = false; // the user answered the question with OK
    bool storeRestored = false;
    QList<RecordKind> documentsRestored;
    QStringList notRestored; // one line per thing it could not put back, with the reason
    bool complete() const { return confirmed && notRestored.isEmpty(); }
};

// Undoes the newest exchange that a backup folder can take back (`pimdesk-cli undo` and the button
// "되돌리기" of the export and import windows), after asking the user which one it is:
// - the store returns to the copy taken before an import (from the handheld or from Outlook, or an
//   export that imported the handheld's changes first). The store as it is now is first copied
//   into a backup folder of its own, then the copy's content replaces it in one step through the
//   program's open connection (every data source sees it at once) and the lists re-read. A store
//   that cannot be opened is replaced as a file: the copy is written beside it and renamed over it.
// - after an export, each replaced handheld document below driveRoot is put back (written whole,
//   then renamed over the exported one), and one the export created is removed; the guard's copy
//   returns with it. A document is left alone when the handheld or its folder is not there or the
//   document was changed on the handheld since the export; the message names it.
// - the data folder's copies (the guard's in DATA/sync/, the staging copies) return to what they
//   were before the operation, so that the guard afterwards sees what it saw before.
// The undo holds the data folder's lock while it works, like every other writer. The question is
// asked before the lock is taken; under the lock the newest folder is chosen again, and when it is
// no longer the one asked about (another undo ran meanwhile) nothing is done.
// When everything is back the folder counts as undone and the next undo takes the one before.
UndoOutcome undoLastExchange(const QString &dataDirectory, const QString &driveRoot, Messages &messages,
                             ListWindowsHost *lists);

namespace undoTexts {
QString title();
QString nothingToUndo();
QString changedMeanwhile(); // the backups changed between the question and the lock
QString question(const BackupEntry &entry);
} // namespace undoTexts

} // namespace pimdesk
