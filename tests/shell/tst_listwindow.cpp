// The way a list window and the editor of its kind work together: which record the current row
// names, the next free ID, the delete question, where the list stands after a re-read, and how a
// store failure is told.
#include "records/Store.h"
#include "shell/ListWindow.h"
#include "shell/ProgramContext.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"
#include "support/ScriptedMessages.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;

namespace {

constexpr int descriptionColumn = 3;

class StandInList : public ListWindow
{
public:
    explicit StandInList(ProgramContext &context) : ListWindow(RecordKind::Tasks, context)
    {
        m_data.setParent(this);
        setGrid(new RecordGrid(m_data, this), descriptionColumn);
        setEditorWindow("Editor");
    }
    DataSource &dataSource() override { return m_data; }
    using ListWindow::deleteRecord;
    using ListWindow::editRecord;
    using ListWindow::newRecord;

private:
    DataSource m_data;
};

// Records what the list asks; finishes as the test says, storing a new record as an editor would.
class StandInEditor : public QWidget, public RecordEditor
{
public:
    explicit StandInEditor(Store &store) : m_store(store) {}
    void beginNew(qint64 id) override
    {
        calls << QString("new %1").arg(id);
        m_newId = id;
        show();
    }
    bool beginEdit(qint64 id) override
    {
        calls << QString("edit %1").arg(id);
        m_newId = 0;
        show();
        return true;
    }
    void abandon() override { hide(); }
    void finish(EditEnd end)
    {
        if (end == EditEnd::Stored && m_newId)
            m_store.exec("INSERT INTO Todo (ID, Description) VALUES (?, 'new')", {m_newId});
        hide();
        reportFinished(end);
    }
    QStringList calls;

private:
    Store &m_store;
    qint64 m_newId = 0;
};

} // namespace

class TestListWindow : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void theCurrentRowNamesItsRecordExactly_data();
    void theCurrentRowNamesItsRecordExactly();
    void aNewRecordTakesTheNextIdAndBecomesCurrent();
    void afterAnEditTheListStaysOrComesForward();
    void deleteAsksAndKeepsThePlace();
    void aRecordGoneIsNeitherOpenedNorDeleted();
    void aStoreFailureIsToldOnce();

private:
    void addTasks(const QList<qint64> &ids);
    void open();
    StandInEditor *editor() { return dynamic_cast<StandInEditor *>(m_windows->window("Editor")); }
    int currentRow() const { return m_list->grid()->currentRow(); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<Store> m_store;
    ScriptedMessages m_messages;
    ProgramContext m_context;
    std::unique_ptr<QMdiArea> m_area;
    std::unique_ptr<WindowRegistry> m_windows;
    StandInList *m_list = nullptr;
};

void TestListWindow::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_context = ProgramContext();
    m_context.storePath = Store::pathInDirectory(m_dir->filePath("DATA"));
    m_store = Store::shared(m_context.storePath);
    m_messages = ScriptedMessages();
    m_context.messages = &m_messages;
    m_area = std::make_unique<QMdiArea>();
    m_area->resize(800, 600);
    m_windows = std::make_unique<WindowRegistry>(m_area.get(), m_context);
    m_windows->registerListWindow(RecordKind::Tasks, [](ProgramContext &c) { return new StandInList(c); });
    m_windows->registerWindow("Editor", [this](ProgramContext &) { return new StandInEditor(*m_store); });
    m_area->show();
}

void TestListWindow::cleanup()
{
    m_windows.reset();
    m_area.reset();
    m_store.reset();
    m_dir.reset();
}

void TestListWindow::addTasks(const QList<qint64> &ids)
{
    for (qint64 id : ids)
        m_store->exec("INSERT INTO Todo (ID, Description) VALUES (?, ?)", {id, QString("task %1").arg(id)});
}

void TestListWindow::open()
{
    m_windows->openList(RecordKind::Tasks);
    m_list = static_cast<StandInList *>(m_windows->listWindow(RecordKind::Tasks));
    QVERIFY(m_list && m_list->isVisible());
}

void TestListWindow::theCurrentRowNamesItsRecordExactly_data()
{
    QTest::addColumn<qint64>("id");
    QTest::newRow("one above the doubles' whole numbers") << qint64(9007199254740993);
    QTest::newRow("negative, as the handheld numbers") << qint64(-5);
    QTest::newRow("the largest") << std::numeric_limits<qint64>::max();
}

void TestListWindow::theCurrentRowNamesItsRecordExactly()
{
    QFETCH(qint64, id);
    addTasks({id - 1, id});
    open();
    m_list->grid()->setCurrentCell(1, 1);
    QCOMPARE(m_list->currentId(), id);
    m_list->editRecord();
    QCOMPARE(editor()->calls, QStringList{QString("edit %1").arg(id)});
    QVERIFY(!m_list->isEnabled());
}

void TestListWindow::aNewRecordTakesTheNextIdAndBecomesCurrent()
{
    addTasks({4, 41, 7});
    open();
    QCOMPARE(currentRow(), 0);
    m_list->newRecord();
    QCOMPARE(editor()->calls, QStringList{"new 42"});
    QVERIFY(!m_list->isEnabled());
    editor()->finish(EditEnd::Stored);
    QVERIFY(m_list->isEnabled());
    QCOMPARE(m_list->grid()->gridModel().rowCount(), 4);
    QCOMPARE(m_list->currentId(), 42);

    // Declined at the question: nothing to go to, the list stays where it was.
    m_list->grid()->setCurrentCell(1, 1);
    m_list->newRecord();
    QCOMPARE(editor()->calls.last(), QString("new 43"));
    editor()->finish(EditEnd::NotStored);
    QVERIFY(m_list->isEnabled());
    QCOMPARE(currentRow(), 1);
}

void TestListWindow::afterAnEditTheListStaysOrComesForward()
{
    addTasks({1, 2, 3});
    open();
    m_list->grid()->setCurrentCell(1, 1);
    m_list->editRecord();
    m_store->exec("UPDATE Todo SET Description = 'changed' WHERE ID = 2");
    editor()->finish(EditEnd::Stored);
    QCOMPARE(currentRow(), 1);
    QCOMPARE(m_list->grid()->currentRowText(descriptionColumn), QString("changed"));

    m_list->editRecord();
    m_area->setActiveSubWindow(m_area->subWindowList().last());
    editor()->finish(EditEnd::Cancelled);
    QVERIFY(m_list->isEnabled());
    QCOMPARE(m_area->activeSubWindow()->widget(), m_list);
    QVERIFY(m_messages.shown().isEmpty());
}

void TestListWindow::deleteAsksAndKeepsThePlace()
{
    addTasks({1, 2, 3});
    open();
    m_list->grid()->setCurrentCell(2, 1);
    m_messages.answerNext(Answer::Cancel);
    m_list->deleteRecord();
    QCOMPARE(m_messages.shown().size(), 1);
    QCOMPARE(m_messages.shown()[0].text, QString("task 3"));
    QCOMPARE(m_messages.shown()[0].title, QString("정말로 삭제 하시겠습니까?"));
    QCOMPARE(m_store->count("Todo"), 3);

    // The last row deleted: the one above it is current.
    m_list->deleteRecord();
    QCOMPARE(m_store->count("Todo"), 2);
    QCOMPARE(currentRow(), 1);
    QCOMPARE(m_list->currentId(), 2);
}

void TestListWindow::aRecordGoneIsNeitherOpenedNorDeleted()
{
    addTasks({1, 2});
    open();
    m_store->exec("DELETE FROM Todo WHERE ID = 1");
    m_list->editRecord();
    QVERIFY(!m_windows->isLoaded("Editor"));
    QVERIFY(m_list->isEnabled());
    m_list->deleteRecord(); // asked, then nothing to delete and nothing more to say
    QCOMPARE(m_messages.shown().size(), 1);
    QCOMPARE(m_store->count("Todo"), 1);
}

void TestListWindow::aStoreFailureIsToldOnce()
{
    addTasks({1});
    open();
    // Another program takes the table away after the list was read.
    m_store->exec("ALTER TABLE Todo RENAME TO Gone");
    m_list->newRecord();
    QCOMPARE(m_messages.shown().size(), 1);
    QCOMPARE(m_messages.shown()[0].title, QString::fromUtf8(programTitle));
    QCOMPARE(m_messages.shown()[0].icon, Icon::Critical);
    QVERIFY(editor()->calls.isEmpty());
    QVERIFY(m_list->isEnabled());
    m_list->editRecord();
    QCOMPARE(m_messages.shown().size(), 2);
    QVERIFY(editor()->calls.isEmpty());
    QVERIFY(m_list->isEnabled());
}

QTEST_MAIN(TestListWindow)
#include "tst_listwindow.moc"
