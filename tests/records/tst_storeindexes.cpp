// Indexes the windows rely on: the calendar list's newest-first order is read from an index on
// Start, in new stores and in stores made before that index existed.
#include "records/JetSql.h"
#include "records/RecordSet.h"
#include "records/Schema.h"
#include "records/Store.h"
#include "records/search/CalendarSearch.h"

#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace pimdesk;

namespace {

QString planOf(Store &store, const QString &recordSource)
{
    Store::Query plan(store, "EXPLAIN QUERY PLAN " + jet::selectSql(jet::parseSource(recordSource), "rowid"));
    QStringList steps;
    while (plan.next())
        steps << plan.text(3);
    return steps.join(" | ");
}

bool hasIndex(const QString &path, const char *name)
{
    sqlite3 *db = nullptr;
    sqlite3_open_v2(path.toUtf8().constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *s = nullptr;
    sqlite3_prepare_v2(db, "SELECT count(*) FROM sqlite_master WHERE type = 'index' AND name = ?", -1, &s, nullptr);
    sqlite3_bind_text(s, 1, name, -1, SQLITE_STATIC);
    const bool found = sqlite3_step(s) == SQLITE_ROW && sqlite3_column_int(s, 0) == 1;
    sqlite3_finalize(s);
    sqlite3_close(db);
    return found;
}

} // namespace

class TestStoreIndexes : public QObject
{
    Q_OBJECT
private slots:
    void calendarOrderIsReadFromAnIndex_data()
    {
        QTest::addColumn<bool>("olderStore");
        QTest::newRow("new store") << false;
        QTest::newRow("store made without the index") << true;
    }

    void calendarOrderIsReadFromAnIndex()
    {
        QFETCH(bool, olderStore);
        // Two events start together and two have no start: those keep their stored order.
        const char *events = "INSERT INTO Datebook (ID, Start) VALUES (1, '2006-01-01 00:00:00'), "
                             "(2, '2008-01-01 00:00:00'), (3, NULL), (4, '2007-01-01 00:00:00'), "
                             "(5, '2007-01-01 00:00:00'), (6, NULL)";
        QTemporaryDir dir;
        const QString path = Store::pathInDirectory(dir.path());
        if (olderStore) {
            // The tables and indexes as the first versions made them, by another tool, with events.
            sqlite3 *db = nullptr;
            QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
            for (const TableSchema *table : schema::tables())
                for (const QString &statement : schema::createStatements(*table))
                    if (!statement.contains("Datebook_Start"))
                        QCOMPARE(sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, nullptr),
                                 SQLITE_OK);
            QCOMPARE(sqlite3_exec(db, events, nullptr, nullptr, nullptr), SQLITE_OK);
            sqlite3_close(db);
            QVERIFY(!hasIndex(path, "Datebook_Start"));
        }

        std::shared_ptr<Store> store = Store::open(path);
        QVERIFY(hasIndex(path, "Datebook_Start"));
        const QString plan = planOf(*store, QString::fromLatin1(search::calendarShowAllSql));
        QVERIFY2(plan.contains("Datebook_Start"), qPrintable(plan));
        QVERIFY2(!plan.contains("TEMP B-TREE"), qPrintable(plan));
        if (!olderStore)
            store->exec(QString::fromLatin1(events));
        RecordSet records(store, QString::fromLatin1(search::calendarShowAllSql));
        QList<qint64> ids;
        for (records.moveFirst(); !records.eof(); records.moveNext())
            ids << records.field("ID").toLongLong();
        QCOMPARE(ids, (QList<qint64>{2, 4, 5, 1, 3, 6}));
        // Opening it again finds the index there and changes nothing.
        store.reset();
        store = Store::open(path);
        QCOMPARE(store->count("Datebook"), 6);
    }

    void sortedListsReadTheirOrderFromAnIndex_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("index");
        QTest::newRow("contacts by name") << "Contacts" << "FileAs" << "Contacts_FileAs";
        QTest::newRow("a contact search by name") << "SELECT * FROM Contacts WHERE FileAs LIKE \"*Kim*\""
                                                  << "FileAs" << "Contacts_FileAs";
        QTest::newRow("contacts by ID") << "Contacts" << "ID" << "Contacts_ID";
        QTest::newRow("events by start") << "SELECT * FROM Datebook ORDER BY Start DESC" << "Start" << "Datebook_Start";
        QTest::newRow("events by end") << "SELECT * FROM Datebook ORDER BY Start DESC" << "End" << "Datebook_End";
        QTest::newRow("tasks by ID") << "Todo" << "ID" << "Todo_ID";
    }

    void sortedListsReadTheirOrderFromAnIndex()
    {
        QFETCH(QString, source);
        QFETCH(QString, field);
        QFETCH(QString, index);
        QTemporaryDir dir;
        std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(dir.path()));
        for (bool descending : {false, true}) {
            RecordSet records(store, source, SortOrder{field, descending});
            Store::Query plan(*store, "EXPLAIN QUERY PLAN " + records.membershipSql());
            QStringList steps;
            while (plan.next())
                steps << plan.text(3);
            const QString joined = steps.join(" | ");
            QVERIFY2(joined.contains(index), qPrintable(joined));
            // Nothing sorted in a temporary tree, not even records equal in the field.
            QVERIFY2(!joined.contains("TEMP B-TREE"), qPrintable(joined));
        }
    }
};

QTEST_GUILESS_MAIN(TestStoreIndexes)
#include "tst_storeindexes.moc"
