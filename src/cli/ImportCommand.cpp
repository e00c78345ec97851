#include "cli/Cli.h"
#include "exchange/ImportFromDevice.h"
#include "records/Messages.h"
#include "records/Store.h"

namespace pimdesk::cli {

// import --drive PATH [--contacts] [--events] [--tasks]: the import of the import window, from the
// handheld (or a copy of its files) at PATH.
int importCommand(Context &context)
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
        } else {
            context.err << "pimdesk-cli: import: unknown argument " << a << '\n';
            return UsageError;
        }
    }
    if (drive.isEmpty() || kinds.isEmpty()) {
        context.err << "pimdesk-cli: import needs --drive PATH and at least one of --contacts, --events, --tasks\n";
        return UsageError;
    }
    try {
        const std::shared_ptr<Store> store = Store::shared(context.storePath());
        const ImportOutcome outcome =
            importFromDevice(*store, context.dataDirectory, drive, kinds, context.messages, nullptr);
        return outcome.allCompleted ? Success : Failure;
    } catch (const StoreError &e) {
        context.messages.show(e.message());
        return Failure;
    }
}

} // namespace pimdesk::cli
