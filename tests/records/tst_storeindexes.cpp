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
};

QTEST_GUILESS_MAIN(TestStoreIndexes)
#include "tst_storeindexes.moc"
