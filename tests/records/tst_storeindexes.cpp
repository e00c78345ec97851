// Indexes the windows rely on: the calendar list's newest-first order is read from an index on
// Start, and the task and calendar searches from indexes on the fields they test, in new stores and
// in stores made before those indexes existed.
#include "records/JetSql.h"
#include "records/RecordSet.h"
#include "records/Schema.h"
#include "records/Store.h"
#include "records/search/CalendarSearch.h"
#include "records/search/TaskSearch.h"

#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace pimdesk;

namespace {

QString planOf(Store &store, const QString &recordSource)
{
    // As a record set reads its members: a set in the store's order is put in that order after reading.
    QString sql = jet::selectSql(jet::parseSource(recordSource), "rowid");
    if (sql.endsWith(" ORDER BY rowid"))
        sql.chop(15);
    Store::Query plan(store, "EXPLAIN QUERY PLAN " + sql);
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

// A store as the first versions made it (tables and the ID and outlook_index indexes only), made
// by another tool, holding rows.
void makeOlderStore(const QString &path, const QStringList &inserts)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    const QStringList added = schema::addedIndexStatements();
    for (const TableSchema *table : schema::tables())
        for (const QString &statement : schema::createStatements(*table))
            if (!added.contains(statement))
                QCOMPARE(sqlite3_exec(db, statement.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    for (const QString &insert : inserts)
        QCOMPARE(sqlite3_exec(db, insert.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

QList<qint64> idsOf(RecordSet &records)
{
    QList<qint64> ids;
    for (records.moveFirst(); !records.eof(); records.moveNext())
        ids << records.field("ID").toLongLong();
    return ids;
}

// The IDs of a record source's records as a walk of the whole table (no index) finds them, in the
// store's order.
QList<qint64> idsOfTableWalk(Store &store, const QString &recordSource)
{
    const jet::Source source = jet::parseSource(recordSource);
    Store::Query scan(
        store,
        QString("SELECT \"ID\" FROM \"%1\" NOT INDEXED WHERE %2 ORDER BY rowid").arg(source.table, source.where));
    QList<qint64> ids;
    while (scan.next())
        ids << scan.text(0).toLongLong();
    return ids;
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

    // The identity of other programs' items: a column of its own after the stored fields, in new
    // stores and in stores made before it existed, with an index that its look-ups use.
    void foreignIdentityColumnIsAddedOnOpening()
    {
        QTemporaryDir dir;
        const QString path = Store::pathInDirectory(dir.path());
        {
            // A store of the earlier shape: every stored field, no added column, a record in each table.
            sqlite3 *db = nullptr;
            QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
            for (const TableSchema *table : schema::tables()) {
                QStringList columns;
                for (const QString &field : table->fields)
                    columns << '"' + field + '"';
                const QString create = QString("CREATE TABLE \"%1\" (%2)").arg(table->name, columns.join(", "));
                QCOMPARE(sqlite3_exec(db, create.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
                const QString insert = QString("INSERT INTO \"%1\" (ID) VALUES (7)").arg(table->name);
                QCOMPARE(sqlite3_exec(db, insert.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
            }
            sqlite3_close(db);
        }
        for (const bool older : {true, false}) {
            QTemporaryDir fresh;
            const std::shared_ptr<Store> store = Store::open(older ? path : Store::pathInDirectory(fresh.path()));
            for (const TableSchema *table : schema::tables()) {
                QCOMPARE(schema::addedColumnNames(table->name), QStringList{schema::foreignUidColumn});
                QCOMPARE(store->columnNames(table->name), table->fields + QStringList{schema::foreignUidColumn});
                const QString index = table->name + "_foreign_uid";
                QVERIFY2(hasIndex(store->path(), index.toUtf8().constData()), qPrintable(index));
                Store::Query plan(*store, QString("EXPLAIN QUERY PLAN SELECT ID FROM \"%1\" WHERE foreign_uid = ?")
                                              .arg(table->name),
                                  {"x"});
                QVERIFY(plan.next());
                QVERIFY2(plan.text(3).contains(index), qPrintable(plan.text(3)));
                // Identities compare exactly.
                store->exec(QString("UPDATE \"%1\" SET foreign_uid = 'Abc'").arg(table->name));
                QCOMPARE(store->scalar(QString("SELECT count(*) FROM \"%1\" WHERE foreign_uid = 'abc'").arg(table->name))
                             .toInt(),
                         0);
            }
            if (older) {
                QCOMPARE(store->count("Contacts"), 1);
                // Opening it again finds the column there and changes nothing.
                const std::shared_ptr<Store> again = Store::open(path);
                QCOMPARE(again->columnNames("Todo"), schema::todo().fields + QStringList{schema::foreignUidColumn});
                QCOMPARE(again->scalar("SELECT foreign_uid FROM Todo WHERE ID = 7").toString(), QString("Abc"));
            }
        }
    }

    // A look-up by an identity (Outlook's, or another program's) reads its index, which holds only
    // the records that have one; it finds what a walk of the table finds, the same for an equal
    // text and a pattern. Stores whose identity indexes held every record have them made again on
    // opening, records kept.
    void identityLookupsReadTheirIndexes_data()
    {
        QTest::addColumn<bool>("olderStore");
        QTest::newRow("new store") << false;
        QTest::newRow("store with indexes of every record") << true;
    }

    void identityLookupsReadTheirIndexes()
    {
        QFETCH(bool, olderStore);
        QTemporaryDir dir;
        const QString path = Store::pathInDirectory(dir.path());
        if (olderStore) {
            QStringList older;
            for (const TableSchema *table : schema::tables())
                for (const char *column : {"outlook_index", "foreign_uid"})
                    older << QString("DROP INDEX \"%1_%2\"").arg(table->name, column)
                          << QString("CREATE INDEX \"%1_%2\" ON \"%1\" (\"%2\")").arg(table->name, column)
                          << QString("INSERT INTO \"%1\" (ID, %2) VALUES (%3, 'Z')")
                                 .arg(table->name, column)
                                 .arg(older.size());
            makeOlderStore(path, older);
            QVERIFY(!hasIndex(path, "Datebook_Start"));
        }
        std::shared_ptr<Store> store = Store::open(path);
        // Opening it again finds them as they should be and makes nothing again.
        const int schemaVersion = store->scalar("PRAGMA schema_version").toInt();
        QCOMPARE(Store::open(path)->scalar("PRAGMA schema_version").toInt(), schemaVersion);
        for (const TableSchema *table : schema::tables()) {
            if (olderStore)
                QCOMPARE(store->count(table->name), 2);
            for (const char *column : {"outlook_index", "foreign_uid"}) {
                const QString index = table->name + '_' + column;
                Store::Query list(*store, "SELECT partial FROM pragma_index_list(?) WHERE name = ?",
                                  {table->name, index});
                QVERIFY2(list.next() && list.text(0) == "1", qPrintable(index));
                store->exec(QString("DELETE FROM \"%1\"").arg(table->name));
                store->exec(QString("INSERT INTO \"%1\" (ID, %2) VALUES (1, NULL), (2, 'AB12'), (3, ''), "
                                    "(4, 'ab12'), (5, 'C9')")
                                .arg(table->name, column));
                for (const QString &test : {QString("= \"AB12\""), QString("LIKE \"AB12\""), QString("= \"\"")}) {
                    const QString source = QString("SELECT * FROM %1 WHERE %2 %3").arg(table->name, column, test);
                    const QString plan = planOf(*store, source);
                    QVERIFY2(plan.contains(index), qPrintable(source + ": " + plan));
                    // And with the texts bound as values, as a record set's look-up binds them.
                    QVariantList values;
                    const QString condition = jet::toSqlite(QString("%1 %2").arg(column, test), &values);
                    QCOMPARE(values.size(), 1);
                    Store::Query bound(*store,
                                       QString("EXPLAIN QUERY PLAN SELECT rowid FROM \"%1\" WHERE %2")
                                           .arg(table->name, condition),
                                       values);
                    QVERIFY(bound.next());
                    QVERIFY2(bound.text(3).contains(index), qPrintable(condition + ": " + bound.text(3)));
                    RecordSet records(store, source);
                    const QList<qint64> scanned = idsOfTableWalk(*store, source);
                    QVERIFY2(!scanned.isEmpty(), qPrintable(source));
                    QCOMPARE(idsOf(records), scanned);
                }
            }
        }
    }

    // Each search reads the records it shows through an index: the conditions that compare a field
    // seek in it, a text looked for anywhere in a field walks an index of that field (a fraction of
    // the table) instead of the table. What it finds and the order (the store's order) are those of
    // reading the whole table, letter case ignored as the fields ignore it.
    void searchesReadFromIndexes_data()
    {
        QTest::addColumn<bool>("olderStore");
        QTest::addColumn<QString>("recordSource");
        QTest::addColumn<QString>("index");
        QTest::addColumn<QList<qint64>>("ids");
        for (const bool older : {false, true}) {
            const char *store = older ? "store made without the indexes" : "new store";
            QTest::addRow("tasks, priority and status, %s", store)
                << older << search::taskSearchSql({"3 - Normal", "NotStarted", "", ""}) << "Todo_Status_Priority"
                << QList<qint64>{2, 7, 5};
            QTest::addRow("tasks, status only, %s", store)
                << older << search::taskSearchSql({"6 - All", "Waiting", "", ""}) << "Todo_Status_Priority"
                << QList<qint64>{6, 3};
            QTest::addRow("tasks, status and notes, %s", store)
                << older << search::taskSearchSql({"3 - Normal", "NotStarted", "", "전화"}) << "Todo_Status_Priority"
                << QList<qint64>{5};
            QTest::addRow("tasks, description, %s", store)
                << older << search::taskSearchSql({"6 - All", "All", "보고서", ""}) << "Todo_Description"
                << QList<qint64>{6, 1, 5};
            QTest::addRow("calendar, description, %s", store)
                << older << search::calendarSearchSql("회의", "") << "Datebook_Description"
                << QList<qint64>{14, 11, 15};
            // Two texts to look for: the table is read, no index holding both fields.
            QTest::addRow("calendar, description and note, %s", store)
                << older << search::calendarSearchSql("MEET", "room") << "" << QList<qint64>{13};
        }
    }

    void searchesReadFromIndexes()
    {
        QFETCH(bool, olderStore);
        QFETCH(QString, recordSource);
        QFETCH(QString, index);
        QFETCH(QList<qint64>, ids);
        // Stored out of ID order, so the store's order is the order of the rows, not of their IDs.
        const QStringList rows{
            "INSERT INTO Todo (ID, Priority, Status, Description, Notes) VALUES "
            "(6, '1', 'Waiting', '분기 보고서', NULL), (2, '3', 'NotStarted', '장보기', '메모'), "
            "(1, '2', 'InProgress', '보고서 검토', '자료'), (3, '3', 'waiting', '청소', NULL), "
            "(7, '3', 'notstarted', 'Call back', NULL), (4, '4', 'NotStarted', '운동', NULL), "
            "(5, '3', 'NotStarted', '주간 보고서', '전화 회신')",
            "INSERT INTO Datebook (ID, Description, Note, Start) VALUES "
            "(14, '팀 회의', NULL, '2006-01-02 09:00:00'), (12, '점심 약속', '회의실', '2006-01-03 12:00:00'), "
            "(11, '주간 회의', '안건', '2006-01-01 09:00:00'), (13, 'Meeting', 'Room 3', NULL), "
            "(16, 'meeting', NULL, NULL), (15, '회의 준비', NULL, '2006-01-04 10:00:00')",
        };
        QTemporaryDir dir;
        const QString path = Store::pathInDirectory(dir.path());
        if (olderStore) {
            makeOlderStore(path, rows);
            QVERIFY(!hasIndex(path, "Todo_Status_Priority"));
        }
        std::shared_ptr<Store> store = Store::open(path);
        for (const char *added : {"Todo_Status_Priority", "Todo_Description", "Datebook_Description"})
            QVERIFY2(hasIndex(path, added), added);
        if (!olderStore)
            for (const QString &insert : rows)
                store->exec(insert);
        const QString plan = planOf(*store, recordSource);
        if (!index.isEmpty())
            QVERIFY2(plan.contains(index), qPrintable(plan));
        RecordSet records(store, recordSource);
        QCOMPARE(idsOf(records), ids);
        // The same records as a walk of the whole table finds.
        QCOMPARE(idsOfTableWalk(*store, recordSource), ids);
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
