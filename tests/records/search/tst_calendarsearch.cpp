// The calendar search's SQL texts: built piece by piece as the search window always has, and safe
// to run whatever the user typed.
#include "records/RecordSet.h"
#include "records/search/CalendarSearch.h"
#include "support/CalendarFixture.h"

#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;

class TestCalendarSearch : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_dir = std::make_unique<QTemporaryDir>();
        m_store = Store::open(Store::pathInDirectory(m_dir->filePath("DATA")));
        test::addCalendarEvents(*m_store);
    }
    void cleanup()
    {
        m_store.reset();
        m_dir.reset();
    }

    void buildsTheTextAndSelectsTheEvents_data()
    {
        QTest::addColumn<QString>("description");
        QTest::addColumn<QString>("note");
        QTest::addColumn<QString>("sql");
        QTest::addColumn<QList<qint64>>("ids");

        // Both empty: every event, in the store's own order.
        QTest::newRow("nothing") << ""
                                 << "   "
                                 << "SELECT * FROM Datebook" << QList<qint64>{1, 2, 3, 4, 5};
        QTest::newRow("description") << "회의"
                                     << ""
                                     << "SELECT * FROM Datebook WHERE Description LIKE \"*회의*\"" << QList<qint64>{1};
        QTest::newRow("note only") << ""
                                   << " 회의 "
                                   << "SELECT * FROM Datebook WHERE Note LIKE \"*회의*\"" << QList<qint64>{5};
        QTest::newRow("both") << "  din"
                              << "저녁"
                              << "SELECT * FROM Datebook WHERE Description LIKE \"*din*\" AND Note LIKE \"*저녁*\""
                              << QList<qint64>{5};
        QTest::newRow("both, no match") << "점심"
                                        << "보고"
                                        << "SELECT * FROM Datebook WHERE Description LIKE \"*점심*\" AND Note LIKE "
                                           "\"*보고*\""
                                        << QList<qint64>{};
        // Typed characters that mean something to SQL are searched for as they are.
        QTest::newRow("double quote") << "\"Busan\""
                                      << ""
                                      << "SELECT * FROM Datebook WHERE (Description LIKE \"*&quot;Busan&quot;*\" OR "
                                         "Description LIKE \"*\"\"Busan\"\"*\")"
                                      << QList<qint64>{3};
        QTest::newRow("lone quote")
            << "\""
            << "\""
            << "SELECT * FROM Datebook WHERE (Description LIKE \"*&quot;*\" OR Description LIKE "
               "\"*\"\"*\") AND (Note LIKE \"*&quot;*\" OR Note LIKE \"*\"\"*\")"
            << QList<qint64>{};
        QTest::newRow("percent") << ""
                                 << "0%"
                                 << "SELECT * FROM Datebook WHERE Note LIKE \"*0%*\"" << QList<qint64>{3};
        QTest::newRow("percent alone matches only itself")
            << "%"
            << ""
            << "SELECT * FROM Datebook WHERE Description LIKE \"*%*\"" << QList<qint64>{};
        QTest::newRow("underscore") << ""
                                    << "e_x"
                                    << "SELECT * FROM Datebook WHERE Note LIKE \"*e_x*\"" << QList<qint64>{3};
        QTest::newRow("underscore is no wildcard")
            << ""
            << "don_"
            << "SELECT * FROM Datebook WHERE Note LIKE \"*don_*\"" << QList<qint64>{};
        QTest::newRow("backslash") << ""
                                   << "\\ ok"
                                   << "SELECT * FROM Datebook WHERE Note LIKE \"*\\ ok*\"" << QList<qint64>{3};
        QTest::newRow("star is the store's wildcard")
            << "T*l"
            << ""
            << "SELECT * FROM Datebook WHERE Description LIKE \"*T*l*\"" << QList<qint64>{3};
        QTest::newRow("statement break")
            << "x\"; DROP TABLE Datebook; --"
            << ""
            << "SELECT * FROM Datebook WHERE (Description LIKE \"*x&quot;; DROP TABLE Datebook; --*\" OR "
               "Description LIKE \"*x\"\"; DROP TABLE Datebook; --*\")"
            << QList<qint64>{};
    }

    void buildsTheTextAndSelectsTheEvents()
    {
        QFETCH(QString, description);
        QFETCH(QString, note);
        QFETCH(QString, sql);
        QFETCH(QList<qint64>, ids);

        const QString built = search::calendarSearchSql(description, note);
        QCOMPARE(built, sql);
        RecordSet records(m_store, built);
        QCOMPARE(test::datebookIds(records), ids);
        QCOMPARE(m_store->count("Datebook"), 5);
    }

    void showAllIsNewestFirst()
    {
        RecordSet records(m_store, QString::fromLatin1(search::calendarShowAllSql));
        QCOMPARE(test::datebookIds(records), (QList<qint64>{5, 2, 1, 3, 4}));
    }

private:
    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<Store> m_store;
};

QTEST_GUILESS_MAIN(TestCalendarSearch)
#include "tst_calendarsearch.moc"
