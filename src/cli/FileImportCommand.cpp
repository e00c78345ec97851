#include "cli/Cli.h"
#include "formats/FileExchange.h"
#include "records/Messages.h"
#include "records/Store.h"

#include <QDir>

namespace pimdesk::cli {

namespace {

using formats::FileFormat;

int importFilesCommand(Context &context, FileFormat format, const char *command)
{
    formats::FileImportRequest request;
    request.format = format;
    const bool cards = format == FileFormat::VCard;
    for (const QString &a : std::as_const(context.arguments)) {
        if (a == "--dry-run") {
            request.dryRun = true;
        } else if (cards && a == "--merge-by-name") {
            request.nameMatches = formats::NameMatches::Ask;
        } else if (cards && a == "--yes") {
            // answers the --merge-by-name question
        } else if (a.startsWith("--")) {
            context.err << "pimdesk-cli: " << command << ": unknown argument " << a << '\n';
            return UsageError;
        } else {
            request.files << QDir(a).absolutePath();
        }
    }
    if (request.files.isEmpty()) {
        context.err << "pimdesk-cli: " << command << " needs at least one FILE\n";
        return UsageError;
    }
    try {
        const std::shared_ptr<Store> store = Store::shared(context.storePath());
        const formats::FileImportOutcome outcome =
            formats::importFiles(*store, context.dataDirectory, request, context.messages);
        if (outcome.nameMatchesAdded > 0)
            context.out << "(--merge-by-name: those cards update the contacts they match instead, after a question "
                           "that --yes answers)\n";
        return outcome.completed ? Success : Failure;
    } catch (const StoreError &e) {
        context.messages.showFailure(e.message());
        return Failure;
    }
}

} // namespace

// import-vcard FILE... [--dry-run] [--merge-by-name] [--yes]: the contacts of vCard files (2.1, 3.0,
// 4.0) into the store, merged by identity; --merge-by-name lets a card without UID update the
// contact with its name and one of its phones or e-mail addresses, after a question.
int importVCardCommand(Context &context)
{
    return importFilesCommand(context, FileFormat::VCard, "import-vcard");
}

// import-ical FILE... [--dry-run]: the events and tasks of iCalendar (.ics) and vCalendar (.vcs)
// files into the store, merged by identity.
int importICalCommand(Context &context)
{
    return importFilesCommand(context, FileFormat::ICalendar, "import-ical");
}

} // namespace pimdesk::cli
