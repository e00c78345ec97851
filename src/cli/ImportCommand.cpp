#include "cli/Cli.h"
#include "exchange/DryRun.h"
#include "exchange/ImportFromDevice.h"
#include "records/Messages.h"
#include "records/Store.h"

namespace pimdesk::cli {

// import --drive PATH [--contacts] [--events] [--tasks]: the import of the import window, from the
// handheld (or a copy of its files) at PATH. With --dry-run it prints, per kind, how many records
// would be added, changed and left alone, and changes nothing.
int importCommand(Context &context)
{
    ExchangeArguments parsed;
    if (!parseExchangeArguments(context, "import", false, parsed))
        return UsageError;
    try {
        const std::shared_ptr<Store> store = Store::shared(context.storePath());
        if (parsed.dryRun)
            return printPreview(context, previewImport(*store, parsed.drive, parsed.kinds), false);
        const ImportOutcome outcome =
            importFromDevice(*store, context.dataDirectory, parsed.drive, parsed.kinds, context.messages, nullptr);
        return outcome.allCompleted ? Success : Failure;
    } catch (const StoreError &e) {
        context.messages.showFailure(e.message());
        return Failure;
    }
}

} // namespace pimdesk::cli
