#include "cli/Cli.h"
#include "exchange/DeviceExport.h"
#include "records/Messages.h"
#include "records/Store.h"

namespace pimdesk::cli {

// export --drive PATH [--contacts] [--events] [--tasks] [--yes]: the export of the export window,
// to the handheld (or a folder standing in for it) at PATH. Every message the window would show is
// printed; the warning is asked on the console unless --yes answers it.
int exportCommand(Context &context)
{
    ExchangeArguments parsed;
    if (!parseExchangeArguments(context, "export", true, parsed))
        return UsageError;
    try {
        const std::shared_ptr<Store> store = Store::shared(context.storePath());
        const ExportOutcome outcome =
            exportToDevice(*store, context.dataDirectory, parsed.drive, parsed.kinds, context.messages, nullptr, {});
        return outcome.confirmed && outcome.completed.size() == parsed.kinds.size() ? Success : Failure;
    } catch (const StoreError &e) {
        context.messages.show(e.message());
        return Failure;
    }
}

} // namespace pimdesk::cli
