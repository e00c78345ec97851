#pragma once

#include "records/RecordSet.h"
#include "records/Store.h"

#include <QStringList>
#include <QVariantList>

namespace pimdesk::test {

// A handful of events that between them hold what the calendar windows must cope with: an all-day
// event, alarms set, empty, blank and absent, a double quote, LIKE's own wildcards, a record with
// nothing but its ID, and a Type that only differs from "AllDay" in letter case.
// Stored order (rowid) is the order below; newest start first it is 5, 2, 1, 3, 4.
inline void addCalendarEvents(Store &store)
{
    const QString sql = "INSERT INTO Datebook (ID, Description, Location, Timezone, Note, Start, \"End\", Type, "
                        "balarm) VALUES (?, ?, ?, ?, ?, ?, ?, ?, ?)";
    const QVariant null;
    const QList<QVariantList> rows{
        {1, "주간 회의", "Office", "Asia/Seoul", "분기 보고 준비", "2006-03-01 09:00:00", "2006-03-01 10:30:00",
         "Timed", "true"},
        {2, "점심", "Home", null, "김 과장과", "2007-05-02 00:00:00", "2007-05-02 23:59:00", "AllDay", null},
        {3, "Travel \"Busan\"", null, null, "50% done_x \\ ok", "2005-01-01 08:00:00", "2005-01-03 18:00:00", null, ""},
        {4, null, null, null, null, null, null, null, null},
        {5, "Dinner", "Home", "Asia/Seoul", "회의 뒤 저녁", "2008-12-24 19:00:00", "2008-12-24 22:00:00", "allday",
         " "},
    };
    for (const QVariantList &row : rows)
        store.exec(sql, row);
}

// Every value of the Datebook table in stored order, to tell whether anything changed.
inline QStringList datebookDump(Store &store)
{
    QStringList dump;
    Store::Query q(store, "SELECT * FROM Datebook ORDER BY rowid");
    while (q.next()) {
        QStringList values;
        for (int c = 0; c < q.columnCount(); ++c)
            values << (q.isNull(c) ? QStringLiteral("<null>") : q.text(c));
        dump << values.join('|');
    }
    return dump;
}

// The IDs a record source selects, in its order.
inline QList<qint64> datebookIds(RecordSet &records)
{
    QList<qint64> ids;
    for (records.moveFirst(); !records.eof(); records.moveNext())
        ids << records.field("ID").toLongLong();
    return ids;
}

} // namespace pimdesk::test
