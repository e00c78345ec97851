#include "cli/Cli.h"
#include "records/Schema.h"
#include "records/Store.h"

namespace pimdesk::cli {

int infoCommand(Context &context)
{
    if (!context.arguments.isEmpty()) {
        context.err << "pimdesk-cli: info takes no arguments\n";
        return UsageError;
    }
    try {
        const std::shared_ptr<Store> store = Store::open(context.storePath());
        context.out << "store: " << store->path() << '\n';
        for (const TableSchema *table : schema::tables())
            context.out << table->name << ": " << store->count(table->name) << '\n';
        return Success;
    } catch (const StoreError &e) {
        context.err << QString(e.message()).replace('\r', '\n') << '\n';
        return Failure;
    }
}

} // namespace pimdesk::cli
