#include "cli/Cli.h"
#include "exchange/DeviceExport.h"
#include "records/Messages.h"
#include "records/Store.h"

#include <QDir>

namespace pimdesk::cli {

// export --drive PATH [--contacts] [--events] [--tasks] [--yes]: the export of the export window,
// to the handheld (or a folder standing in for it) at PATH. Every message the window would show is
// printed; the warning is asked on the console unless --yes answers it.
int exportCommand(Context &context)
{
    QString drive;
    QList<RecordKind> kinds;
    const QStringList &args = context.arguments;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == "--drive" && i + 1 < args.size()) {
            drive = args.at(++i);
        } else if (a.startsWith("--drive=")) {
            drive = a.mid(8);
        } else if (a == "--contacts") {
            kinds << RecordKind::Contacts;
        } else if (a == "--events") {
            kinds << RecordKind::Events;
        } else if (a == "--tasks") {
            kinds << RecordKind::Tasks;
        } else if (a != "--yes") {
            context.err << "pimdesk-cli: export: unknown argument " << a << '\n';
            return UsageError;
        }
    }
    if (drive.isEmpty() || kinds.isEmpty()) {
        context.err << "pimdesk-cli: export needs --drive PATH and at least one of --contacts, --events, --tasks\n";
        return UsageError;
    }
    try {
        const std::shared_ptr<Store> store = Store::shared(context.storePath());
        const ExportOutcome outcome = exportToDevice(*store, context.dataDirectory, QDir(drive).absolutePath(), kinds,
                                                     context.messages, nullptr, {});
        return outcome.confirmed && outcome.completed.size() == kinds.size() ? Success : Failure;
    } catch (const StoreError &e) {
        context.messages.show(e.message());
        return Failure;
    }
}

} // namespace pimdesk::cli
