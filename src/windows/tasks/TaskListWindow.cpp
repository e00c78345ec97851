#include "windows/tasks/TaskListWindow.h"

#include "records/DataSource.h"
#include "records/Messages.h"
#include "records/RecordSet.h"
#include "records/StoreError.h"
#include "shell/Geometry.h"
#include "shell/ListWindowBar.h"
#include "shell/ProgramContext.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"
#include "windows/tasks/TaskEditor.h"
#include "windows/tasks/TaskFields.h"
#include "windows/tasks/TaskWindows.h"

#include <QMdiArea>
#include <QMdiSubWindow>
#include <QStyle>
#include <QVBoxLayout>

namespace pimdesk {

namespace {

// The column whose text the delete question shows: the task's description.
constexpr int descriptionColumn = 3;

} // namespace

TaskListWindow::TaskListWindow(ProgramContext &context, QWidget *parent)
    : ListWindow(RecordKind::Tasks, parent), m_context(context), m_data1(new DataSource(this)),
      m_data2(new DataSource(this))
{
    setObjectName(kindInfo(RecordKind::Tasks).listWindow);
    setWindowTitle(QStringLiteral("작업(Todo list)"));
    m_data1->setObjectName("Data1");
    m_data2->setObjectName("Data2");

    m_grid = new RecordGrid(*m_data1, this);
    m_grid->setObjectName("MSFlexGrid1");

    const QList<ListCommand> commands = {
        {"Command1", "새로운 작업", QStyle::SP_FileIcon, [this] { newTask(); }},
        {"Command2", "편집", QStyle::SP_FileDialogDetailedView, [this] { editTask(); }},
        {"Command3", "지우기", QStyle::SP_TrashIcon, [this] { deleteTask(); }},
        {"Command4", "검색", QStyle::SP_FileDialogContentsView, [this] { searchTasks(); }},
        {"Command5", "종료", QStyle::SP_DialogCloseButton, [this] { closeList(); }},
    };
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(makeListBar(this, m_context, commands));
    layout->addWidget(m_grid, 1);

    connect(m_grid, &RecordGrid::rowDoubleClicked, this, [this] { editTask(); });
    connect(m_data1, &DataSource::refreshed, this, &TaskListWindow::afterRefresh);

    // The ID stays hidden; priority, status and completion are narrow beside the description.
    m_grid->setCurrentCell(0, 0);
    const int widths[] = {0, 1000, 1000, 6000, 600};
    for (int column = 0; column < 5; ++column)
        m_grid->setColumnWidthTwips(column, widths[column]);
    m_grid->setCurrentCell(0, 0);
}

void TaskListWindow::open(const QString &databasePath, const QString &recordSource)
{
    m_keepRow = -1;
    ListWindow::open(databasePath, recordSource);
}

void TaskListWindow::showRecordSource(const QString &recordSource)
{
    m_keepRow = -1;
    ListWindow::open(m_context.storePath, recordSource);
}

void TaskListWindow::reload()
{
    if (!m_data1->isOpen())
        return;
    m_keepRow = m_grid->currentRow();
    m_data1->refresh();
}

void TaskListWindow::afterRefresh()
{
    // A re-read resets the grid; the row the user was on stays current (or the nearest one left).
    const int rows = m_grid->model()->rowCount();
    const int row = std::min(std::max(m_keepRow, 0), rows - 1);
    m_keepRow = -1;
    m_grid->setCurrentCell(row, 0);
}

void TaskListWindow::bringToFront()
{
    if (!isVisible())
        return;
    if (QMdiSubWindow *frame = mdiFrame(this)) {
        frame->raise();
        if (frame->mdiArea())
            frame->mdiArea()->setActiveSubWindow(frame);
    } else {
        raise();
        activateWindow();
    }
}

void TaskListWindow::reportStoreProblem(const StoreError &error)
{
    if (m_context.messages)
        m_context.messages->show(error.message(), QString::fromUtf8(programTitle), Buttons::Ok, Icon::Critical);
}

TaskEditor *TaskListWindow::editor()
{
    return m_context.windows ? m_context.windows->windowAs<TaskEditor>(taskWindowNames::editor) : nullptr;
}

void TaskListWindow::pointPendingSourceAt(const QString &recordSource)
{
    m_data2->setDatabaseName(m_context.storePath);
    m_data2->setRecordSource(recordSource);
    m_data2->refresh();
}

void TaskListWindow::newTask()
{
    TaskEditor *taskEditor = editor();
    if (!taskEditor)
        return;
    setEnabled(false);
    try {
        pointPendingSourceAt(QStringLiteral("SELECT * FROM Todo ORDER BY ID"));
        RecordSet &records = m_data2->recordset();
        qint64 id = 1;
        if (!(records.bof() && records.eof())) {
            records.moveLast();
            id = records.field("ID").toLongLong() + 1;
        }
        records.addNew();
        records.setField("ID", id);
    } catch (const StoreError &error) {
        reportStoreProblem(error);
        setEnabled(true);
        return;
    }
    taskEditor->beginNew();
}

void TaskListWindow::editTask()
{
    const qint64 id = qint64(tasks::leadingNumber(m_grid->currentRowText(0)));
    TaskEditor *taskEditor = editor();
    if (!taskEditor)
        return;
    try {
        pointPendingSourceAt(tasks::taskByIdSql(id));
        RecordSet &records = m_data2->recordset();
        if (records.bof() && records.eof())
            return;
        taskEditor->fill(records);
        records.edit();
    } catch (const StoreError &error) {
        reportStoreProblem(error);
        return;
    }
    taskEditor->present(TaskEditor::Mode::Edit);
    setEnabled(false);
}

void TaskListWindow::deleteTask()
{
    // With no task chosen (an empty list) there is nothing to ask about.
    if (m_grid->currentRow() < 0)
        return;
    const QString description = m_grid->currentRowText(descriptionColumn);
    if (m_context.messages->show(description, QStringLiteral("정말로 삭제 하시겠습니까?"), Buttons::OkCancel,
                                 Icon::None) != Answer::Ok)
        return;
    const qint64 id = qint64(tasks::leadingNumber(m_grid->currentRowText(0)));
    try {
        pointPendingSourceAt(tasks::taskByIdSql(id));
        RecordSet &records = m_data2->recordset();
        if (records.bof() && records.eof())
            return;
        records.remove();
        reload();
    } catch (const StoreError &error) {
        reportStoreProblem(error);
    }
}

void TaskListWindow::searchTasks()
{
    if (!m_context.windows)
        return;
    setEnabled(false);
    if (!m_context.windows->showWindow(taskWindowNames::search))
        setEnabled(true);
}

} // namespace pimdesk
