// The task search's SQL texts: exactly as the search window builds them, and each one a record
// source the store can open, whatever the user typed.
#include "records/RecordSet.h"
#include "records/Store.h"
#include "records/search/TaskSearch.h"

#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;
using search::TaskCriteria;

Q_DECLARE_METATYPE(TaskCriteria)

namespace {

struct Task
{
    int id;
    const char *priority;
    const char *status;
    const char *description;
    const char *notes;
};

// Texts that a careless SQL text would take for syntax or wildcards.
const Task tasks[] = {
    {1, "3", "NotStarted", "call the office", ""},     {2, "3", "NotStarted", "write \"report\"", "due friday"},
    {3, "1", "InProgress", "Call mother", "50% done"}, {4, "3", "InProgress", "pay bill_2", "C:\\bills\\may"},
    {5, "5", "Completed", "buy * stars", "it's done"}, {6, "3", "Completed", "회의 준비", "자료 100% 준비"},
};

} // namespace

class TestTaskSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void buildsTheTextOfEachChoice_data();
    void buildsTheTextOfEachChoice();
    void everyTextOpensAndFindsWhatWasTyped_data();
    void everyTextOpensAndFindsWhatWasTyped();

private:
    QTemporaryDir m_dir;
    std::shared_ptr<Store> m_store;
};

void TestTaskSearch::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_store = Store::open(Store::pathInDirectory(m_dir.filePath("DATA")));
    RecordSet todo(m_store, "Todo");
    for (const Task &t : tasks) {
        todo.addNew();
        todo.setField("ID", t.id);
        todo.setField("Priority", QString::fromUtf8(t.priority));
        todo.setField("Status", QString::fromUtf8(t.status));
        todo.setField("Description", QString::fromUtf8(t.description));
        todo.setField("Notes", QString::fromUtf8(t.notes));
        todo.update();
    }
}

void TestTaskSearch::buildsTheTextOfEachChoice_data()
{
    QTest::addColumn<TaskCriteria>("criteria");
    QTest::addColumn<QString>("sql");

    QTest::newRow("presets") << TaskCriteria{"3 - Normal", "NotStarted", "", ""}
                             << R"(SELECT * FROM Todo WHERE Priority = "3" AND Status = "NotStarted")";
    QTest::newRow("all and all") << TaskCriteria{"6 - All", "All", "", ""} << "SELECT * FROM Todo";
    QTest::newRow("only notes") << TaskCriteria{"6 - All", "All", "", "friday"}
                                << R"(SELECT * FROM Todo WHERE Notes LIKE "*friday*")";
    QTest::newRow("priority and description")
        << TaskCriteria{"1 - Very High", "All", "call", ""}
        << R"(SELECT * FROM Todo WHERE Priority = "1" AND Description LIKE "*call*")";
    QTest::newRow("everything, values trimmed")
        << TaskCriteria{" 2 - High ", " Waiting ", " a b ", " c "}
        << R"(SELECT * FROM Todo WHERE Priority = "2" AND Status = "Waiting" AND Description LIKE "*a b*" AND Notes LIKE "*c*")";
    QTest::newRow("quote doubled")
        << TaskCriteria{"6 - All", "All", "say \"hi\"", ""}
        << R"(SELECT * FROM Todo WHERE (Description LIKE "*say &quot;hi&quot;*" OR Description LIKE "*say ""hi""*"))";
}

void TestTaskSearch::buildsTheTextOfEachChoice()
{
    QFETCH(TaskCriteria, criteria);
    QFETCH(QString, sql);
    QCOMPARE(search::taskSearchSql(criteria), sql);
    QCOMPARE(QString(search::taskShowAllSql), QString("SELECT * FROM Todo "));
}

void TestTaskSearch::everyTextOpensAndFindsWhatWasTyped_data()
{
    QTest::addColumn<TaskCriteria>("criteria");
    QTest::addColumn<QList<int>>("ids");

    QTest::newRow("presets") << TaskCriteria{"3 - Normal", "NotStarted", "", ""} << QList<int>{1, 2};
    QTest::newRow("all") << TaskCriteria{"6 - All", "All", "", ""} << QList<int>{1, 2, 3, 4, 5, 6};
    QTest::newRow("letter case ignored") << TaskCriteria{"6 - All", "inprogress", "CALL", ""} << QList<int>{3};
    QTest::newRow("priority and description") << TaskCriteria{"1 - Very High", "All", "call", ""} << QList<int>{3};
    QTest::newRow("double quote") << TaskCriteria{"6 - All", "All", "\"report\"", ""} << QList<int>{2};
    QTest::newRow("lone double quote") << TaskCriteria{"6 - All", "All", "\"", ""} << QList<int>{2};
    QTest::newRow("quote that would end the text")
        << TaskCriteria{"6 - All", "All", "\" OR \"\"=\"", ""} << QList<int>{};
    QTest::newRow("single quote") << TaskCriteria{"6 - All", "All", "", "it's"} << QList<int>{5};
    QTest::newRow("percent is no wildcard") << TaskCriteria{"6 - All", "All", "", "0%"} << QList<int>{3, 6};
    QTest::newRow("underscore is no wildcard") << TaskCriteria{"6 - All", "All", "l_2", ""} << QList<int>{4};
    QTest::newRow("backslashes") << TaskCriteria{"6 - All", "All", "", "\\bills\\"} << QList<int>{4};
    QTest::newRow("star is the wildcard") << TaskCriteria{"6 - All", "All", "buy*stars", ""} << QList<int>{5};
    QTest::newRow("Korean") << TaskCriteria{"6 - All", "All", "회의", "100%"} << QList<int>{6};
    QTest::newRow("quote in the priority") << TaskCriteria{"\"", "All", "", ""} << QList<int>{};
    QTest::newRow("quote in the status") << TaskCriteria{"6 - All", "a\"b'c", "", ""} << QList<int>{};
}

void TestTaskSearch::everyTextOpensAndFindsWhatWasTyped()
{
    QFETCH(TaskCriteria, criteria);
    QFETCH(QList<int>, ids);
    const QString sql = search::taskSearchSql(criteria);
    QList<int> found;
    try {
        RecordSet records(m_store, sql);
        for (records.moveFirst(); !records.eof(); records.moveNext())
            found << records.field("ID").toInt();
    } catch (const StoreError &error) {
        QFAIL(qPrintable(sql + ": " + error.message()));
    }
    QCOMPARE(found, ids);
}

QTEST_GUILESS_MAIN(TestTaskSearch)
#include "tst_tasksearch.moc"
