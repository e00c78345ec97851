// Text typed into the search windows: each window's SQL building turns it into a record source
// that the list's record set must open, whatever was typed. Only a NUL character (which no search
// box passes on, and which ends an SQL text for SQLite) may be refused, and then with a StoreError.
// The input is split at 0x1F bytes into the boxes of each window.
#include "FuzzSupport.h"

#include "records/RecordSet.h"
#include "records/Store.h"

#if __has_include("records/search/ContactSearch.h")
#include "records/search/ContactSearch.h"
#define HAVE_CONTACT_SEARCH 1
#endif
#if __has_include("records/search/TaskSearch.h")
#include "records/search/TaskSearch.h"
#define HAVE_TASK_SEARCH 1
#endif
#if __has_include("records/search/CalendarSearch.h")
#include "records/search/CalendarSearch.h"
#define HAVE_CALENDAR_SEARCH 1
#endif

using namespace pimdesk;

namespace {

void mustOpen(const std::shared_ptr<Store> &store, const QString &recordSource, bool mayRefuse)
{
    try {
        RecordSet records(store, recordSource);
        records.moveFirst();
        if (!records.eof())
            records.rowValues(0);
    } catch (const StoreError &e) {
        if (!mayRefuse)
            fuzz::finding("a search gives a record source that cannot be opened", recordSource + "\n" + e.message());
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int runs = 0;
    auto store = fuzz::openStore(++runs % 2000 == 0);
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const QStringList boxes = text.split(QChar(0x1F));
    const bool mayRefuse = text.contains(QChar(0));
    auto box = [&](int i) { return boxes.value(i); };

#ifdef HAVE_CONTACT_SEARCH
    ContactSearchCriteria contact;
    contact.title = box(0);
    contact.fileAs = box(1);
    contact.company = box(2);
    contact.homeStreet = box(3);
    contact.businessStreet = box(4);
    mustOpen(store, contactSearchSql(contact), mayRefuse);
#endif
#ifdef HAVE_TASK_SEARCH
    // The lists offer fixed choices; the typed boxes are description and notes. A choice is taken
    // by its number from the input so every one is tried.
    search::TaskCriteria task;
    const QStringList priorities = search::taskSearchPriorities();
    const QStringList statuses = search::taskSearchStatuses();
    task.priority = priorities.value(int(size % std::max<qsizetype>(1, priorities.size())));
    task.status = statuses.value(int((size / 7) % std::max<qsizetype>(1, statuses.size())));
    task.description = box(0);
    task.notes = box(1);
    mustOpen(store, search::taskSearchSql(task), mayRefuse);
#endif
#ifdef HAVE_CALENDAR_SEARCH
    mustOpen(store, search::calendarSearchSql(box(0), box(1)), mayRefuse);
#endif
    return 0;
}
