// The way a list window and the editor of its kind work together: which record the current row
// names, the next free ID, the delete question, where the list stands after a re-read, how a
// store failure is told, what of the list is open, the keys of its grid and sorting by a column.
#include "records/Store.h"
#include "shell/ListWindow.h"
#include "shell/ProgramContext.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"
#include "support/ScriptedMessages.h"

#include <QHeaderView>
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
        auto *grid = new RecordGrid(m_data, this);
        connect(grid, &RecordGrid::rowChosen, this, [this] { editRecord(); });
        setGrid(grid, descriptionColumn);
        setEditorWindow("Editor");
        addOwnWindow("Search");
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
    void whatOfTheListIsOpenKeepsItDisabled();
    void enterAndDeleteOnTheGridAreItsCommands();
    void aHeaderClickSortsThroughTheStore();

private:
    void addTasks(const QList<qint64> &ids);
    void open();
    StandInEditor *editor() { return dynamic_cast<StandInEditor *>(m_windows->window("Editor")); }
    int currentRow() const { return m_list->grid()->currentRow(); }
    QList<qint64> shownIds() const
    {
        QList<qint64> ids;
        for (int row = 0; row < m_list->grid()->gridModel().rowCount(); ++row)
            ids << m_list->grid()->gridModel().cellText(row, 0).toLongLong();
        return ids;
    }
    void clickHeader(int column)
    {
        QHeaderView *header = m_list->grid()->horizontalHeader();
        QTest::mouseClick(header->viewport(), Qt::LeftButton, {},
                          QPoint(header->sectionViewportPosition(column) + header->sectionSize(column) / 2, 4));
    }

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
    m_windows->registerWindow("Search", [](ProgramContext &) { return new QWidget; });
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

void TestListWindow::whatOfTheListIsOpenKeepsItDisabled()
{
    addTasks({1, 2});
    open();
    QVERIFY(m_list->openWindows().isEmpty());
    QVERIFY(!m_windows->listInUse(RecordKind::Tasks));
    // A list not built yet holds nothing open.
    QVERIFY(!m_windows->listInUse(RecordKind::Contacts));

    // While the editor holds a record, even hidden (its frame minimized), an exchange window that is
    // done leaves the list disabled.
    m_list->editRecord();
    QCOMPARE(m_list->openWindows(), QStringList{"Editor"});
    editor()->hide();
    QCOMPARE(m_list->openWindows(), QStringList{"Editor"});
    QVERIFY(m_windows->listInUse(RecordKind::Tasks));
    m_windows->enableListsNotInUse();
    QVERIFY(!m_list->isEnabled());
    editor()->finish(EditEnd::NotStored);
    QVERIFY(m_list->openWindows().isEmpty());
    QVERIFY(m_list->isEnabled());

    // The same for a window of its own that is shown (its search), and only while it is shown.
    m_list->setEnabled(false);
    m_windows->showWindow("Search");
    QCOMPARE(m_list->openWindows(), QStringList{"Search"});
    m_windows->enableListsNotInUse();
    QVERIFY(!m_list->isEnabled());
    m_windows->window("Search")->hide();
    m_windows->enableListsNotInUse();
    QVERIFY(m_list->isEnabled());
}

void TestListWindow::enterAndDeleteOnTheGridAreItsCommands()
{
    addTasks({1, 2, 3});
    open();
    // Not without a row to act on: an empty result shows none.
    RecordGrid *grid = m_list->grid();
    grid->setCurrentCell(1, 1);
    grid->setFocus();
    QTest::keyClick(grid, Qt::Key_Return);
    QCOMPARE(editor()->calls, QStringList{"edit 2"});
    editor()->finish(EditEnd::Cancelled);
    QTest::keyClick(grid, Qt::Key_Enter, Qt::KeypadModifier);
    QCOMPARE(editor()->calls, (QStringList{"edit 2", "edit 2"}));
    editor()->finish(EditEnd::Cancelled);
    // With a modifier Enter is not the row's command.
    QTest::keyClick(grid, Qt::Key_Return, Qt::ControlModifier);
    QCOMPARE(editor()->calls.size(), 2);

    // Delete asks the delete question and deletes only when answered OK.
    m_messages.answerNext(Answer::Cancel);
    QTest::keyClick(grid, Qt::Key_Delete);
    QCOMPARE(m_messages.shown().size(), 1);
    QCOMPARE(m_messages.shown()[0].text, QString("task 2"));
    QCOMPARE(m_messages.shown()[0].title, QString("정말로 삭제 하시겠습니까?"));
    QCOMPARE(m_store->count("Todo"), 3);
    QTest::keyClick(grid, Qt::Key_Delete);
    QCOMPARE(m_store->count("Todo"), 2);
    QCOMPARE(shownIds(), (QList<qint64>{1, 3}));

    // A disabled list takes no keys.
    m_list->editRecord();
    QTest::keyClick(grid, Qt::Key_Delete);
    QCOMPARE(m_messages.shown().size(), 2);
    QCOMPARE(m_store->count("Todo"), 2);
}

void TestListWindow::aHeaderClickSortsThroughTheStore()
{
    // Letter case does not part "A" from "a", which keep the order they were stored in; a
    // missing description comes first.
    const QList<std::pair<qint64, QVariant>> tasks = {
        {1, "b"}, {2, "A"}, {3, "c"}, {4, QVariant()}, {5, "a"}, {6, "가나"}};
    for (const auto &[id, description] : tasks)
        m_store->exec("INSERT INTO Todo (ID, Description) VALUES (?, ?)", {id, description});
    open();
    QCOMPARE(shownIds(), (QList<qint64>{1, 2, 3, 4, 5, 6}));
    QHeaderView *header = m_list->grid()->horizontalHeader();
    QVERIFY(!header->isSortIndicatorShown());

    m_list->grid()->setCurrentCell(3, 1);
    clickHeader(descriptionColumn);
    QCOMPARE(shownIds(), (QList<qint64>{4, 2, 5, 1, 3, 6}));
    QVERIFY(header->isSortIndicatorShown());
    QCOMPARE(header->sortIndicatorSection(), descriptionColumn);
    QCOMPARE(header->sortIndicatorOrder(), Qt::AscendingOrder);
    QCOMPARE(currentRow(), 0);
    // The record source is what it was; the order is the data source's.
    QCOMPARE(m_list->dataSource().recordSource(), QString("Todo"));

    clickHeader(descriptionColumn);
    QCOMPARE(shownIds(), (QList<qint64>{6, 3, 1, 5, 2, 4}));
    QCOMPARE(header->sortIndicatorOrder(), Qt::DescendingOrder);

    // A search keeps the chosen order, and so does a re-read after an edit.
    QVERIFY(m_list->showRecordSource("SELECT * FROM Todo WHERE ID > 1 AND ID < 6"));
    QCOMPARE(shownIds(), (QList<qint64>{3, 5, 2, 4}));
    m_store->exec("UPDATE Todo SET Description = 'z' WHERE ID = 4");
    m_list->reload();
    QCOMPARE(shownIds(), (QList<qint64>{4, 3, 5, 2}));

    // Another column starts ascending again.
    clickHeader(ListWindow::idColumn);
    QCOMPARE(shownIds(), (QList<qint64>{2, 3, 4, 5}));
    QCOMPARE(header->sortIndicatorSection(), 0);

    // A sort the store cannot give is told once; the list keeps its rows and its order.
    m_store->exec("ALTER TABLE Todo RENAME TO Gone");
    clickHeader(descriptionColumn);
    QCOMPARE(m_messages.shown().size(), 1);
    QCOMPARE(m_messages.shown()[0].icon, Icon::Critical);
    QCOMPARE(m_list->dataSource().sortOrder(), (SortOrder{"ID", false}));
    QCOMPARE(header->sortIndicatorSection(), 0);
}

QTEST_MAIN(TestListWindow)
#include "tst_listwindow.moc"
