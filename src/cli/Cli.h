#pragma once

#include "records/Kinds.h"

#include <QStringList>
#include <QTextStream>

namespace pimdesk {

class Messages;
struct KindPreview;

// pimdesk-cli: the record store and the exchange procedures from the command line.
//   pimdesk-cli [--data DIR] COMMAND [options]
// Exit status: 0 on success, 1 after a failure it reports, 2 on a usage error.
namespace cli {

enum ExitCode { Success = 0, Failure = 1, UsageError = 2 };

struct Context
{
    QString dataDirectory; // holds Qtdata.mdb and the staging files
    QStringList arguments; // the command's own arguments, after its name
    QTextStream &out;
    QTextStream &err;
    Messages &messages;
    bool assumeYes = false; // questions answered OK without asking

    QString storePath() const;
};

using Handler = int (*)(Context &context);

struct Command
{
    const char *name;
    const char *usage; // one line: the command with its options
    Handler run;
};

// Every command the tool knows, in the order the usage text lists them.
const QList<Command> &commands();

// Runs the tool with args (without the program name). in answers questions.
int run(const QStringList &args, QTextStream &out, QTextStream &err, QTextStream &in);

// The arguments of the commands that exchange documents with the handheld:
// --drive PATH and the kinds (--contacts, --events, --tasks), in any order, and --dry-run, plus
// --yes and --keep-device-changes where the command asks questions (the export). Returns false
// after printing a usage error.
struct ExchangeArguments
{
    QString drive; // absolute
    QList<RecordKind> kinds;
    bool dryRun = false;            // --dry-run: say what would happen, change nothing
    bool keepDeviceChanges = false; // --keep-device-changes (export): import the handheld's changes first
};
bool parseExchangeArguments(Context &context, const char *command, bool acceptsYes, ExchangeArguments &parsed);

// Prints a dry run's lines; Failure when a kind could not be previewed.
int printPreview(Context &context, const QList<KindPreview> &previews, bool forExport);

// Commands: each lives in a file of its own.
int infoCommand(Context &context);
int importCommand(Context &context);
int exportCommand(Context &context);
int findDeviceCommand(Context &context);
int undoCommand(Context &context);
int syncCommand(Context &context);
int historyCommand(Context &context);
int outlookImportCommand(Context &context);
int exportVCardCommand(Context &context);
int importVCardCommand(Context &context);
int exportICalCommand(Context &context);
int importICalCommand(Context &context);

} // namespace cli
} // namespace pimdesk
