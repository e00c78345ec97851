#include "cli/Cli.h"
#include "exchange/Sync.h"
#include "records/Messages.h"
#include "records/Store.h"

#include <QDir>

namespace pimdesk::cli {

// sync --drive PATH [--contacts] [--events] [--tasks] [--prefer pc|handheld] [--allow-deletions]
//      [--dry-run] [--yes]
// The two-way sync of the sync window with the handheld (or a folder standing in for it) at PATH;
// no kind named means all three. Conflicts stop it before anything changes, unless --prefer
// decides them all; so does a sync that would delete more than half of one side's records of a
// kind, unless --allow-deletions. --yes answers the question before it changes anything.
// --dry-run prints per kind and side what would be added, changed, deleted and merged, and the
// conflicts, and changes nothing. Exit 0 when every chosen kind is in sync, 1 when it stopped.
int syncCommand(Context &context)
{
    QString drive;
    QList<RecordKind> kinds;
    bool dryRun = false;
    SyncOptions options;
    const QStringList &args = context.arguments;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        bool known = false;
        for (RecordKind kind : allKinds)
            if (a == "--" + kindKey(kind)) {
                kinds << kind;
                known = true;
            }
        if (known)
            continue;
        if (a == "--drive" && i + 1 < args.size()) {
            drive = args.at(++i);
        } else if (a.startsWith("--drive=")) {
            drive = a.mid(8);
        } else if (a == "--prefer" && i + 1 < args.size() && (args.at(i + 1) == "pc" || args.at(i + 1) == "handheld")) {
            options.prefer = args.at(++i) == "pc" ? SyncChoice::Pc : SyncChoice::Handheld;
        } else if (a == "--prefer=pc" || a == "--prefer=handheld") {
            options.prefer = a.endsWith("=pc") ? SyncChoice::Pc : SyncChoice::Handheld;
        } else if (a == "--allow-deletions") {
            options.allowDeletions = true;
        } else if (a == "--dry-run") {
            dryRun = true;
        } else if (a != "--yes") {
            context.err << "pimdesk-cli: sync: unknown argument " << a
                        << (a == "--prefer" ? " (--prefer takes pc or handheld)" : "") << '\n';
            return UsageError;
        }
    }
    if (drive.isEmpty()) {
        context.err << "pimdesk-cli: sync needs --drive PATH\n";
        return UsageError;
    }
    drive = QDir(drive).absolutePath();
    if (kinds.isEmpty())
        kinds = QList<RecordKind>(allKinds.begin(), allKinds.end());
    try {
        const std::shared_ptr<Store> store = Store::shared(context.storePath());
        if (dryRun) {
            int status = Success;
            for (const SyncKindPlan &plan : previewSync(*store, context.dataDirectory, drive, kinds)) {
                QTextStream &stream = plan.failure.isEmpty() ? context.out : context.err;
                for (const QString &line : syncPlanLines(plan))
                    stream << line << '\n';
                stream.flush();
                if (!plan.failure.isEmpty())
                    status = Failure;
            }
            context.out << "미리 보기입니다. 아무것도 바꾸지 않았습니다.\n";
            return status;
        }
        const SyncOutcome outcome =
            syncWithDevice(*store, context.dataDirectory, drive, kinds, options, context.messages, nullptr);
        return outcome.inSync(kinds.size()) ? Success : Failure;
    } catch (const StoreError &e) {
        context.messages.showFailure(e.message());
        return Failure;
    }
}

} // namespace pimdesk::cli
