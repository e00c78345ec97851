#include "cli/Cli.h"

#include "cli/ConsoleMessages.h"
#include "records/Store.h"

#include <QDir>

#include <optional>

namespace pimdesk::cli {

QString Context::storePath() const
{
    return Store::pathInDirectory(dataDirectory);
}

const QList<Command> &commands()
{
    static const QList<Command> all{
        {"info", "info                     number of records in each table (creates a missing store)", infoCommand},
        {"import", "import --drive PATH [--contacts] [--events] [--tasks] [--dry-run]  merge the handheld's files",
         importCommand},
        {"export",
         "export --drive PATH [--contacts] [--events] [--tasks] [--yes] [--keep-device-changes] [--dry-run]  write "
         "them",
         exportCommand},
        {"sync", "sync --drive PATH [--contacts] [--events] [--tasks] [--prefer pc|handheld] [--allow-deletions] [--dry-run] [--yes]  sync both ways", syncCommand},
        {"undo", "undo [--drive PATH] [--yes]  undo the last import or export (from the newest backup)", undoCommand},
        {"history", "history                  the backups an undo can go back to, newest first", historyCommand},
        {"find-device", "find-device              mount point of the handheld (K7M, NRV_ORB)", findDeviceCommand},
        {"outlook-import",
         "outlook-import --pst FILE [--contacts] [--tasks FROM TO] [--events FROM TO]  read an Outlook data file\n"
         "                           (.pst/.ost); FROM and TO as yyyy-mm-dd, without them today to today",
         outlookImportCommand},
        {"export-vcard", "export-vcard FILE [--version 2.1|3.0|4.0]  every contact into a vCard file (default 3.0)",
         exportVCardCommand},
        {"import-vcard",
         "import-vcard FILE... [--dry-run] [--merge-by-name] [--yes]  contacts from vCard files (2.1, 3.0, 4.0);\n"
         "                           --merge-by-name: a card without UID may update the contact with its name and a\n"
         "                           phone or e-mail (after a question that --yes answers)",
         importVCardCommand},
        {"export-ical", "export-ical FILE [--events] [--tasks]  events and tasks into an iCalendar file (both by default)",
         exportICalCommand},
        {"import-ical", "import-ical FILE... [--dry-run]  events and tasks from iCalendar (.ics) or vCalendar (.vcs) files",
         importICalCommand},
    };
    return all;
}

namespace {

// The option that picks a kind is its key: --contacts, --events, --tasks.
std::optional<RecordKind> kindOfOption(const QString &argument)
{
    for (RecordKind kind : allKinds)
        if (argument == "--" + kindKey(kind))
            return kind;
    return std::nullopt;
}

} // namespace

bool parseExchangeArguments(Context &context, const char *command, bool acceptsYes, ExchangeArguments &parsed)
{
    const QStringList &args = context.arguments;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == "--drive" && i + 1 < args.size()) {
            parsed.drive = args.at(++i);
        } else if (a.startsWith("--drive=")) {
            parsed.drive = a.mid(8);
        } else if (const std::optional<RecordKind> kind = kindOfOption(a)) {
            parsed.kinds << *kind;
        } else if (a == "--dry-run") {
            parsed.dryRun = true;
        } else if (acceptsYes && a == "--keep-device-changes") {
            parsed.keepDeviceChanges = true;
        } else if (!(acceptsYes && a == "--yes")) {
            context.err << "pimdesk-cli: " << command << ": unknown argument " << a << '\n';
            return false;
        }
    }
    if (parsed.drive.isEmpty() || parsed.kinds.isEmpty()) {
        context.err << "pimdesk-cli: " << command
                    << " needs --drive PATH and at least one of --contacts, --events, --tasks\n";
        return false;
    }
    parsed.drive = QDir(parsed.drive).absolutePath();
    return true;
}

namespace {

void printUsage(QTextStream &stream)
{
    stream << "usage: pimdesk-cli [--data DIR] COMMAND [options]\n"
           << "  --data DIR  folder that holds Qtdata.mdb and the staging files (default: DATA beside the program)\n"
           << "commands:\n";
    for (const Command &c : commands())
        stream << "  " << c.usage << '\n';
}

} // namespace

int run(const QStringList &args, QTextStream &out, QTextStream &err, QTextStream &in)
{
    QString dataDirectory = Store::defaultDataDirectory();
    QStringList rest = args;
    while (!rest.isEmpty() && rest.first().startsWith("--")) {
        const QString option = rest.takeFirst();
        if (option == "--help") {
            printUsage(out);
            return Success;
        }
        if (option == "--data" && !rest.isEmpty()) {
            dataDirectory = rest.takeFirst();
        } else if (option.startsWith("--data=")) {
            dataDirectory = option.mid(7);
        } else {
            err << "pimdesk-cli: unknown option " << option << '\n';
            printUsage(err);
            return UsageError;
        }
    }
    if (rest.isEmpty()) {
        printUsage(err);
        return UsageError;
    }
    const QString name = rest.takeFirst();
    for (const Command &command : commands()) {
        if (name != QLatin1String(command.name))
            continue;
        ConsoleMessages messages(out, err, in);
        const bool yes = rest.contains("--yes");
        messages.setAssumeYes(yes);
        if (rest.contains("--keep-device-changes"))
            messages.setChoiceAnswer(Answer::Ok);
        Context context{QDir(dataDirectory).absolutePath(), rest, out, err, messages, yes};
        const int status = command.run(context);
        out.flush();
        err.flush();
        return status;
    }
    err << "pimdesk-cli: unknown command " << name << '\n';
    printUsage(err);
    return UsageError;
}

} // namespace pimdesk::cli
