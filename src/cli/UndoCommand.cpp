#include "cli/Cli.h"
#include "exchange/DeviceLocation.h"
#include "exchange/Undo.h"
#include "records/Messages.h"

#include <QDir>

namespace pimdesk::cli {

// undo [--drive PATH] [--yes]: undoes the newest import or export that a backup can take back,
// after asking (--yes answers). An export's documents go back to the handheld at PATH, or to the
// handheld found by its volume label when no PATH is given.
int undoCommand(Context &context)
{
    QString drive;
    const QStringList &args = context.arguments;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == "--drive" && i + 1 < args.size()) {
            drive = QDir(args.at(++i)).absolutePath();
        } else if (a.startsWith("--drive=")) {
            drive = QDir(a.mid(8)).absolutePath();
        } else if (a != "--yes") {
            context.err << "pimdesk-cli: undo: unknown argument " << a << '\n';
            return UsageError;
        }
    }
    if (drive.isEmpty()) {
        const QList<DriveEntry> drives = mountedDrives();
        const int index = handheldDriveIndex(drives);
        if (index >= 0)
            drive = drives.at(index).mountPoint;
    }
    const UndoOutcome outcome = undoLastExchange(context.dataDirectory, drive, context.messages, nullptr);
    return outcome.complete() ? Success : Failure;
}

} // namespace pimdesk::cli
