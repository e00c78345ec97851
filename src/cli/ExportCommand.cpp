#include "cli/Cli.h"
#include "exchange/DeviceExport.h"
#include "exchange/DryRun.h"
#include "records/Messages.h"
#include "records/Store.h"

namespace pimdesk::cli {

// export --drive PATH [--contacts] [--events] [--tasks] [--yes] [--keep-device-changes] [--dry-run]:
// the export of the export window, to the handheld (or a folder standing in for it) at PATH. Every
// message the window would show is printed; the warning is asked on the console unless --yes
// answers it. When the handheld holds records changed since the last exchange, --yes replaces them
// and --keep-device-changes imports them first; without either the question is asked.
// --dry-run prints what the export would do (with --keep-device-changes: after merging the
// handheld's changes) and changes nothing.
int exportCommand(Context &context)
{
    ExchangeArguments parsed;
    if (!parseExchangeArguments(context, "export", true, parsed))
        return UsageError;
    try {
        const std::shared_ptr<Store> store = Store::shared(context.storePath());
        if (parsed.dryRun)
            return printPreview(context, previewExport(*store, context.dataDirectory, parsed.drive, parsed.kinds,
                                                       parsed.keepDeviceChanges),
                                true);
        const ExportOutcome outcome =
            exportToDevice(*store, context.dataDirectory, parsed.drive, parsed.kinds, context.messages, nullptr, {});
        return outcome.confirmed && outcome.completed.size() + outcome.leftAlone.size() == parsed.kinds.size()
                   ? Success
                   : Failure;
    } catch (const StoreError &e) {
        context.messages.showFailure(e.message());
        return Failure;
    }
}

} // namespace pimdesk::cli
