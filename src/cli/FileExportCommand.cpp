#include "cli/Cli.h"
#include "formats/FileExchange.h"
#include "records/Messages.h"
#include "records/Store.h"

#include <QDir>

namespace pimdesk::cli {

namespace {

// Writes what the request names once its arguments are read.
int writeFile(Context &context, const formats::FileExportRequest &request, const char *command)
{
    if (request.file.isEmpty()) {
        context.err << "pimdesk-cli: " << command << " needs a FILE\n";
        return UsageError;
    }
    try {
        const std::shared_ptr<Store> store = Store::shared(context.storePath());
        return formats::exportFile(*store, request, context.messages).written ? Success : Failure;
    } catch (const StoreError &e) {
        context.messages.showFailure(e.message());
        return Failure;
    }
}

} // namespace

// export-vcard FILE [--version 2.1|3.0|4.0]: every contact into one vCard file (3.0 unless told).
int exportVCardCommand(Context &context)
{
    formats::FileExportRequest request;
    request.format = formats::FileFormat::VCard;
    const QStringList &args = context.arguments;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        QString version;
        if (a == "--version" && i + 1 < args.size())
            version = args.at(++i);
        else if (a.startsWith("--version="))
            version = a.mid(10);
        else if (!a.startsWith("--") && request.file.isEmpty()) {
            request.file = QDir(a).absolutePath();
            continue;
        } else {
            context.err << "pimdesk-cli: export-vcard: unknown argument " << a << '\n';
            return UsageError;
        }
        if (version == "2.1")
            request.version = formats::VCardVersion::V21;
        else if (version == "3.0")
            request.version = formats::VCardVersion::V30;
        else if (version == "4.0")
            request.version = formats::VCardVersion::V40;
        else {
            context.err << "pimdesk-cli: export-vcard: --version takes 2.1, 3.0 or 4.0\n";
            return UsageError;
        }
    }
    return writeFile(context, request, "export-vcard");
}

// export-ical FILE [--events] [--tasks]: events and tasks (both when neither is named) into one
// iCalendar file.
int exportICalCommand(Context &context)
{
    formats::FileExportRequest request;
    request.format = formats::FileFormat::ICalendar;
    for (const QString &a : std::as_const(context.arguments)) {
        if (a == "--events")
            request.kinds << RecordKind::Events;
        else if (a == "--tasks")
            request.kinds << RecordKind::Tasks;
        else if (!a.startsWith("--") && request.file.isEmpty())
            request.file = QDir(a).absolutePath();
        else {
            context.err << "pimdesk-cli: export-ical: unknown argument " << a << '\n';
            return UsageError;
        }
    }
    return writeFile(context, request, "export-ical");
}

} // namespace pimdesk::cli
