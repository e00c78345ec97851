#include "records/DataSource.h"
#include "records/JetSql.h"
#include "records/RecordSet.h"
#include "records/Store.h"

#include <QDateTime>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;

class RecordSetTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_path;
    std::shared_ptr<Store> m_store;

    QStringList ids(RecordSet &rs)
    {
        QStringList out;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            out << rs.field("ID").toString();
        return out;
    }

    QStringList idsOf(const QString &source)
    {
        RecordSet rs(m_store, source);
        return ids(rs);
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QString("store-%1.mdb").arg(QTest::currentTestFunction()));
        m_store = Store::open(m_path);
    }

    void emptySetIsAtBothEnds()
    {
        for (const QString source : {"Contacts", "Todo", "SELECT * FROM Datebook ORDER BY Start DESC"}) {
            RecordSet rs(m_store, source);
            QVERIFY(rs.bof());
            QVERIFY(rs.eof());
            QCOMPARE(rs.recordCount(), 0);
            rs.moveLast();
            QVERIFY(rs.bof() && rs.eof());
            QVERIFY_THROWS_EXCEPTION(StoreError, rs.field("ID"));
            QVERIFY(!rs.findFirst("ID = 1"));
            QVERIFY(rs.noMatch());
        }
    }

    void addEditDeleteAndMove()
    {
        RecordSet rs(m_store, "SELECT * FROM Contacts ORDER BY ID");
        for (int id : {5, 2, 9}) {
            rs.addNew();
            rs.setField("id", id); // field names in any letter case
            rs.setField("FILEAS", QString("이름 %1").arg(id));
            rs.update();
        }
        // Records added through the set join it at the end, in the order added.
        QCOMPARE(ids(rs), (QStringList{"5", "2", "9"}));
        rs.requery();
        QCOMPARE(ids(rs), (QStringList{"2", "5", "9"}));
        rs.moveLast();
        QCOMPARE(rs.field("ID").toLongLong(), 9); // the largest ID under "ORDER BY ID"
        rs.moveFirst();
        QVERIFY(!rs.bof());
        rs.movePrevious();
        QVERIFY(rs.bof());

        QVERIFY(rs.findFirst("ID = 5"));
        QVERIFY(!rs.noMatch());
        rs.edit();
        rs.setField("Notes", 12.0);
        rs.setField("H_Birthday", QDate(2004, 1, 5));
        rs.setField("O_Phone", QVariant());
        QCOMPARE(rs.field("Notes").toString(), QStringLiteral("12")); // edit buffer is what field() shows
        rs.update();
        QCOMPARE(m_store->scalar("SELECT Notes FROM Contacts WHERE ID = 5").toString(), QStringLiteral("12"));
        QCOMPARE(m_store->scalar("SELECT H_Birthday FROM Contacts WHERE ID = 5").toString(),
                 QStringLiteral("2004-01-05 00:00:00"));
        QCOMPARE(rs.field("FileAs").toString(), QStringLiteral("이름 5"));

        // No match leaves the current record where it was.
        QVERIFY(!rs.findFirst("ID = 77"));
        QVERIFY(rs.noMatch());
        QCOMPARE(rs.field("ID").toLongLong(), 5);

        rs.remove();
        QCOMPARE(rs.field("ID").toLongLong(), 9); // the next record becomes current
        QCOMPARE(m_store->count("Contacts"), 2);
        QCOMPARE(ids(rs), (QStringList{"2", "9"}));

        // ID takes whole numbers only; unknown fields are an error, not a silent no-op.
        rs.addNew();
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.setField("ID", "abc"));
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.setField("NoSuchField", "x"));
        rs.setField("ID", " -12 ");
        rs.setField("H_Anniv", QDateTime(QDate(2006, 1, 1), QTime(9, 30)));
        QCOMPARE(rs.field("H_Anniv").toString(), QStringLiteral("2006-01-01 09:30:00"));
        QCOMPARE(rs.field("ID").toLongLong(), -12);
        rs.cancelUpdate();
        QCOMPARE(m_store->count("Contacts"), 2);
        QVERIFY_THROWS_EXCEPTION(StoreError, rs.update());
    }

    void everyStatementOfTheProgramRuns()
    {
        m_store->exec("INSERT INTO Contacts (ID, Title, FileAs, O_Company, H_Street, O_Street) VALUES "
                      "(3, 'Mr', 'Kim Minsu', 'Norvel', 'Seoul 1', 'Busan 2'), "
                      "(1, 'mr', 'Lee Jisoo', 'Acme', 'Daegu', 'Seoul 9'), "
                      "(2, 'Ms', '박 O''Brien \"Q\"', 'Nor_vel 100%', NULL, NULL)");
        m_store->exec("INSERT INTO Todo (ID, Priority, Status, Description, Notes) VALUES "
                      "(2, '1', 'Completed', 'Write report', 'long'), (1, '3', 'NotStarted', 'Call', NULL)");
        m_store->exec("INSERT INTO Datebook (ID, Start, Description, Note, \"qdl-private-data\") VALUES "
                      "(10, '2006-05-01 10:00:00', 'Lunch', 'with Kim', 'x'), "
                      "(11, '2007-01-01 09:00:00', 'Meeting', NULL, NULL), "
                      "(9, '2005-12-31 23:00:00', 'Party', 'at home', NULL)");

        QCOMPARE(idsOf("SELECT * FROM Contacts"), (QStringList{"3", "1", "2"}));
        QCOMPARE(idsOf("SELECT * FROM Contacts ORDER BY ID"), (QStringList{"1", "2", "3"}));
        QCOMPARE(idsOf("SELECT * FROM Contacts WHERE ID = " + QString::number(3)), (QStringList{"3"}));
        QCOMPARE(idsOf("SELECT * FROM Contacts WHERE ID =  2"), (QStringList{"2"})); // leading blank of a number
        QCOMPARE(idsOf("SELECT * FROM Contacts WHERE Title = \"Mr\""), (QStringList{"3", "1"})); // any case
        QCOMPARE(idsOf("SELECT * FROM Contacts WHERE FileAs LIKE \"*kim*\" AND O_Company LIKE \"*nor*\""),
                 (QStringList{"3"}));
        QCOMPARE(idsOf("SELECT * FROM Contacts WHERE O_Company LIKE \"*\""), (QStringList{"3", "1", "2"}));
        QCOMPARE(idsOf("SELECT * FROM Contacts WHERE H_Street LIKE \"Seoul*\" AND O_Street LIKE \"*2\""),
                 (QStringList{"3"}));
        QCOMPARE(idsOf("SELECT * FROM Contacts WHERE O_Street LIKE \"Seoul*\""), (QStringList{"1"}));
        QCOMPARE(idsOf("SELECT * FROM Contacts "), (QStringList{"3", "1", "2"}));
        QCOMPARE(idsOf("Contacts"), (QStringList{"3", "1", "2"}));

        QCOMPARE(idsOf("SELECT * FROM Todo"), (QStringList{"2", "1"}));
        QCOMPARE(idsOf("SELECT * FROM Todo ORDER BY ID"), (QStringList{"1", "2"}));
        QCOMPARE(idsOf("SELECT * FROM Todo WHERE ID = 1"), (QStringList{"1"}));
        QCOMPARE(idsOf("SELECT * FROM Todo WHERE Priority = \"1\""), (QStringList{"2"}));
        QCOMPARE(idsOf("SELECT * FROM Todo WHERE Status = \"completed\""), (QStringList{"2"}));
        QCOMPARE(idsOf("SELECT * FROM Todo WHERE Priority = \"3\" AND Status = \"NotStarted\""), (QStringList{"1"}));
        QCOMPARE(idsOf("SELECT * FROM Todo WHERE Description LIKE \"*rep*\" AND Notes LIKE \"l*\""),
                 (QStringList{"2"}));
        QCOMPARE(idsOf("SELECT * FROM Todo WHERE Notes LIKE \"*\""), (QStringList{"2"})); // null never matches
        QCOMPARE(idsOf("SELECT * FROM Todo "), (QStringList{"2", "1"}));
        QCOMPARE(idsOf("Todo"), (QStringList{"2", "1"}));

        QCOMPARE(idsOf("SELECT * FROM Datebook ORDER BY Start DESC"), (QStringList{"11", "10", "9"}));
        QCOMPARE(idsOf("SELECT * FROM Datebook ORDER BY ID"), (QStringList{"9", "10", "11"}));
        QCOMPARE(idsOf("SELECT * FROM Datebook WHERE ID = 11"), (QStringList{"11"}));
        QCOMPARE(idsOf("SELECT * FROM Datebook WHERE Description LIKE \"*u*\" AND Note LIKE \"*Kim*\""),
                 (QStringList{"10"}));
        QCOMPARE(idsOf("SELECT * FROM Datebook WHERE Note LIKE \"*home\""), (QStringList{"9"}));
        // The last word names the table: every event, in the order stored.
        QCOMPARE(idsOf("SELECT * FROM Datebook ORDERBY"), (QStringList{"10", "11", "9"}));
        QCOMPARE(idsOf("Datebook"), (QStringList{"10", "11", "9"}));

        RecordSet events(m_store, "SELECT * FROM Datebook ORDERBY");
        QVERIFY(events.findFirst("ID = 11"));
        QCOMPARE(events.field("qdl-private-data"), QVariant());
        QVERIFY(events.findFirst("[qdl-private-data] = \"x\""));
        QCOMPARE(events.field("QDL-PRIVATE-DATA").toString(), QStringLiteral("x"));
    }

    void valuesNeverBreakOutOfTheirLiterals()
    {
        m_store->exec("INSERT INTO Contacts (ID, FileAs, O_Company) VALUES "
                      "(1, 'O\"Brien', '100% pure'), (2, 'Other', '1000 pure'), (3, 'a_b', 'x'), (4, 'axb', 'y'),"
                      "(5, 'it''s', 'z')");
        auto like = [this](const QString &field, const QString &typed) {
            return idsOf("SELECT * FROM Contacts WHERE " + field + " LIKE " + jet::quote("*" + typed + "*"));
        };
        QCOMPARE(like("FileAs", "O\"B"), (QStringList{"1"}));
        QCOMPARE(like("FileAs", "\" OR \"1\"=\"1"), QStringList());
        QCOMPARE(like("FileAs", "x\") OR 1=1 --"), QStringList());
        QCOMPARE(like("FileAs", "'"), (QStringList{"5"}));
        QCOMPARE(like("O_Company", "100%"), (QStringList{"1"})); // % is an ordinary character
        QCOMPARE(like("FileAs", "a_b"), (QStringList{"3"}));     // so is _
        QCOMPARE(like("FileAs", "\\"), QStringList());
        QCOMPARE(idsOf("SELECT * FROM Contacts WHERE FileAs = " + jet::quote("O\"Brien")), (QStringList{"1"}));
        // A NUL typed into a search box stays part of the value and never cuts the SQL text short.
        const QString withNul = QStringLiteral("n") + QChar(0) + QStringLiteral("'ul");
        m_store->exec("INSERT INTO Contacts (ID, FileAs) VALUES (6, ?)", {withNul});
        QCOMPARE(idsOf("SELECT * FROM Contacts WHERE FileAs = " + jet::quote(withNul)), (QStringList{"6"}));
        QCOMPARE(idsOf("SELECT * FROM Contacts WHERE FileAs LIKE " + jet::quote(QString(QChar(0)))), QStringList());
        QCOMPARE(jet::toSqlite("FileAs LIKE \"*a?b*\""), QStringLiteral("FileAs LIKE '%a_b%' ESCAPE '\\'"));
        QCOMPARE(jet::toSqlite("x = 'it''s' AND y = \"say \"\"hi\"\"\""),
                 QStringLiteral("x = 'it''s' AND y = 'say \"hi\"'"));
        // Criteria with their values taken out, so look-ups share one statement.
        QVariantList values;
        QCOMPARE(jet::toSqlite("ID = 12 AND outlook_index = \"a'b\" AND x LIKE \"*%*\" AND y = 1.5", &values),
                 QStringLiteral("ID = ? AND outlook_index = ? AND x LIKE ? ESCAPE '\\' AND y = ?"));
        QCOMPARE(values, (QVariantList{qint64(12), QString("a'b"), QString("%\\%%"), 1.5}));
        // Texts that are not a record source of the program are refused with a message.
        QVERIFY_THROWS_EXCEPTION(StoreError, RecordSet(m_store, "DELETE FROM Contacts"));
        QVERIFY_THROWS_EXCEPTION(StoreError, RecordSet(m_store, "SELECT * FROM Contacts; DROP TABLE Todo"));
        QVERIFY_THROWS_EXCEPTION(StoreError, RecordSet(m_store, "NoSuchTable"));
        QCOMPARE(m_store->count("Todo"), 0);
    }

    void aSortOrdersTheSetInTheStore_data()
    {
        QTest::addColumn<QString>("source");
        QTest::addColumn<QString>("field");
        QTest::addColumn<bool>("descending");
        QTest::addColumn<QStringList>("expected");
        // Stored: 1 "b", 2 "A", 3 "c", 4 none, 5 "a", 6 "가"; starts 1 and 5 together.
        QTest::newRow("ascending, letter case aside, ties as stored")
            << "Datebook" << "Description" << false << QStringList{"4", "2", "5", "1", "3", "6"};
        QTest::newRow("descending is the exact reverse")
            << "Datebook" << "Description" << true << QStringList{"6", "3", "1", "5", "2", "4"};
        QTest::newRow("the field named in any case") << "Datebook" << "dEsCrIpTiOn" << false
                                                     << QStringList{"4", "2", "5", "1", "3", "6"};
        QTest::newRow("in place of the source's own order")
            << "SELECT * FROM Datebook ORDER BY Start DESC" << "Start" << false
            << QStringList{"3", "5", "1", "2", "6", "4"};
        QTest::newRow("over a search's condition")
            << "SELECT * FROM Datebook WHERE Description LIKE \"*a*\"" << "ID" << true << QStringList{"5", "2"};
        QTest::newRow("with the table's alias")
            << "SELECT * FROM Datebook ORDERBY" << "Start" << true << QStringList{"4", "6", "2", "1", "5", "3"};
    }

    void aSortOrdersTheSetInTheStore()
    {
        QFETCH(QString, source);
        QFETCH(QString, field);
        QFETCH(bool, descending);
        QFETCH(QStringList, expected);
        m_store->exec("DELETE FROM Datebook"); // the rows share one store
        m_store->exec("INSERT INTO Datebook (ID, Description, Start) VALUES "
                      "(1, 'b', '2007-01-01 00:00:00'), (2, 'A', '2008-01-01 00:00:00'), (3, 'c', NULL), "
                      "(4, NULL, '2010-01-01 00:00:00'), (5, 'a', '2007-01-01 00:00:00'), "
                      "(6, '가', '2009-01-01 00:00:00')");
        RecordSet rs(m_store, source, SortOrder{field, descending});
        QCOMPARE(ids(rs), expected);
        QCOMPARE(rs.recordSource(), source);
        QCOMPARE(rs.sortOrder().field.toLower(), field.toLower());
        // The order holds for look-ups and for records added through the set.
        QVERIFY(rs.findFirst("ID = " + expected.last()));
        QCOMPARE(rs.position(), int(expected.size()) - 1);
        // Through a data source, kept over a change of record source.
        DataSource ds;
        ds.setDatabaseName(m_path);
        ds.setRecordSource(source);
        ds.setSortOrder({field, descending});
        ds.refresh();
        QCOMPARE(ids(ds.recordset()), expected);
        ds.setRecordSource("Datebook");
        ds.refresh();
        QCOMPARE(ds.recordset().sortOrder().descending, descending);
    }

    void aSortByAFieldTheTableLacksIsRefused()
    {
        QVERIFY_THROWS_EXCEPTION(StoreError, RecordSet(m_store, "Contacts", SortOrder{"NoSuchField", false}));
        // A name that is not a field cannot reach the statement.
        QVERIFY_THROWS_EXCEPTION(StoreError,
                                 RecordSet(m_store, "Contacts", SortOrder{"FileAs\"; DROP TABLE Todo; --", false}));
        QCOMPARE(m_store->count("Todo"), 0);
        QVERIFY(m_store->columnNames("Todo").contains("ID"));
    }

    void findFirstFollowsTheSetsOrderAndMembership()
    {
        m_store->exec("INSERT INTO Datebook (ID, Start, outlook_index) VALUES "
                      "(1, '2006-01-01 00:00:00', 'AB'), (2, '2008-01-01 00:00:00', 'ab'), (3, NULL, 'cd')");
        RecordSet rs(m_store, "SELECT * FROM Datebook ORDER BY Start DESC");
        QVERIFY(rs.findFirst("outlook_index = \"AB\""));
        QCOMPARE(rs.field("ID").toLongLong(), 2); // first in the set's order, compared without case
        // A record stored by someone else after the set was read is not a member until re-read.
        m_store->exec("INSERT INTO Datebook (ID, outlook_index) VALUES (4, 'new')");
        QVERIFY(!rs.findFirst("outlook_index = \"new\""));
        rs.requery();
        QVERIFY(rs.findFirst("outlook_index = \"new\""));
        QCOMPARE(rs.position(), 3); // null Start sorts last in descending order
    }

    void lookUpsByIdentityUseTheIndexes()
    {
        for (const char *table : {"Contacts", "Datebook", "Todo"}) {
            for (const char *criteria : {"ID = 5", "outlook_index = \"00000000ABCDEF\""}) {
                QVariantList values;
                const QString condition = jet::toSqlite(QString::fromUtf8(criteria), &values);
                Store::Query plan(*m_store,
                                  "EXPLAIN QUERY PLAN " +
                                      jet::selectSql(jet::parseSource(QString::fromUtf8(table)), "rowid", condition),
                                  values);
                QStringList steps;
                while (plan.next())
                    steps << plan.text(3);
                const QString joined = steps.join(" | ");
                QVERIFY2(joined.contains("USING") && joined.contains("INDEX"), qPrintable(joined));
                QVERIFY2(!joined.contains("SCAN") && !joined.contains("TEMP B-TREE"), qPrintable(joined));
            }
        }
    }

    void dataSourcesShareTheFileAndSeeChangesAfterReread()
    {
        DataSource list, hidden;
        QSignalSpy refreshed(&list, &DataSource::refreshed);
        for (DataSource *ds : {&list, &hidden}) {
            ds->setDatabaseName(m_path);
            ds->setRecordSource("Todo");
            ds->refresh();
        }
        QCOMPARE(refreshed.count(), 1);
        hidden.recordset().addNew();
        hidden.recordset().setField("ID", 1);
        hidden.recordset().setField("Description", "새 작업");
        hidden.recordset().update();
        QCOMPARE(list.recordset().recordCount(), 0);
        list.refresh();
        QCOMPARE(list.recordset().recordCount(), 1);
        QCOMPARE(list.recordset().field("Description").toString(), QStringLiteral("새 작업"));
        QCOMPARE(list.store().get(), hidden.store().get());
        QCOMPARE(list.recordset().rowValues(0).value(0).toLongLong(), 1);

        DataSource unopened;
        QVERIFY_THROWS_EXCEPTION(StoreError, unopened.recordset());
    }

    void largeSetsReadInBlocks()
    {
        {
            Store::Transaction t(*m_store);
            for (int i = 0; i < 1000; ++i)
                m_store->exec("INSERT INTO Contacts (ID, FileAs) VALUES (?, ?)", {i, QString("n%1").arg(i)});
            t.commit();
        }
        RecordSet rs(m_store, "Contacts");
        QCOMPARE(rs.recordCount(), 1000);
        QCOMPARE(rs.rowValues(999).value(rs.fieldIndex("FileAs")).toString(), QStringLiteral("n999"));
        QCOMPARE(rs.rowValues(0).value(rs.fieldIndex("FileAs")).toString(), QStringLiteral("n0"));
        QVERIFY(rs.rowValues(1000).isEmpty());
        int seen = 0;
        for (rs.moveFirst(); !rs.eof(); rs.moveNext())
            seen += rs.field("FileAs").toString() == QString("n%1").arg(seen) ? 1 : 0;
        QCOMPARE(seen, 1000);
    }
};

QTEST_GUILESS_MAIN(RecordSetTest)
#include "tst_recordset.moc"
