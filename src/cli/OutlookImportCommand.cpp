#include "cli/Cli.h"
#include "outlook/OutlookImport.h"
#include "outlook/pst/PstOutlook.h"
#include "records/Clock.h"
#include "records/DataSource.h"
#include "records/Messages.h"
#include "records/Store.h"

#include <QDate>
#include <QDir>

namespace pimdesk::cli {

namespace {

// A range end written yyyy-mm-dd, as the window's three boxes of that end.
bool parseRangeEnd(const QString &text, QString &year, QString &month, QString &day)
{
    const QStringList parts = text.split(u'-');
    if (parts.size() != 3 || parts.at(0).size() != 4 || parts.at(1).size() != 2 || parts.at(2).size() != 2)
        return false;
    for (const QString &part : parts)
        for (QChar c : part)
            if (!c.isDigit())
                return false;
    year = parts.at(0);
    month = parts.at(1);
    day = parts.at(2);
    return true;
}

} // namespace

// outlook-import --pst FILE [--contacts] [--tasks FROM TO] [--events FROM TO]: the Outlook window's
// import sequence, reading an Outlook data file. A kind given without its range takes today to today,
// as the window does when it opens.
int outlookImportCommand(Context &context)
{
    using namespace pimdesk::outlook;
    const char *usage = "pimdesk-cli: outlook-import needs --pst FILE and at least one of --contacts, "
                        "--tasks [FROM TO], --events [FROM TO] (FROM and TO as yyyy-mm-dd)\n";
    ImportRequest request;
    request.taskRange = todayRange(Clock::current());
    request.calendarRange = request.taskRange;
    QString file;
    const QStringList &args = context.arguments;
    for (int i = 0; i < args.size(); ++i) {
        const QString &a = args.at(i);
        if (a == "--pst" && i + 1 < args.size()) {
            file = args.at(++i);
        } else if (a.startsWith("--pst=")) {
            file = a.mid(6);
        } else if (a == "--contacts") {
            request.contacts = true;
        } else if (a == "--tasks" || a == "--events") {
            RangeBoxes &range = a == "--tasks" ? request.taskRange : request.calendarRange;
            (a == "--tasks" ? request.tasks : request.calendar) = true;
            if (i + 1 < args.size() && !args.at(i + 1).startsWith("--")) {
                if (i + 2 >= args.size() ||
                    !parseRangeEnd(args.at(i + 1), range.startYear, range.startMonth, range.startDay) ||
                    !parseRangeEnd(args.at(i + 2), range.endYear, range.endMonth, range.endDay)) {
                    context.err << "pimdesk-cli: outlook-import: " << a << " takes two dates written yyyy-mm-dd\n";
                    return UsageError;
                }
                i += 2;
            }
        } else if (a != "--yes") {
            context.err << "pimdesk-cli: outlook-import: unknown argument " << a << '\n';
            return UsageError;
        }
    }
    if (file.isEmpty() || !(request.contacts || request.tasks || request.calendar)) {
        context.err << usage;
        return UsageError;
    }

    try {
        // The store is opened first, so that an unusable one is reported before the file is read.
        Store::shared(context.storePath());
    } catch (const StoreError &e) {
        context.messages.showFailure(e.message());
        return Failure;
    }
    DataSource data1, data2;
    ImportContext importContext;
    importContext.source = dataFileSource(QDir(file).absolutePath());
    importContext.storePath = context.storePath();
    importContext.data1 = &data1;
    importContext.data2 = &data2;
    importContext.messages = &context.messages;
    const SequenceOutcome outcome = importFromOutlook(request, importContext);
    return outcome.ok ? Success : Failure;
}

} // namespace pimdesk::cli
