#include "windows/tasks/TaskListWindow.h"

#include "records/DataSource.h"
#include "shell/ListWindowBar.h"
#include "shell/ProgramContext.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"
#include "windows/tasks/TaskWindows.h"

#include <QStyle>
#include <QVBoxLayout>

namespace pimdesk {

TaskListWindow::TaskListWindow(ProgramContext &context, QWidget *parent)
    : ListWindow(RecordKind::Tasks, context, parent), m_context(context), m_data1(new DataSource(this))
{
    setObjectName(kindInfo(RecordKind::Tasks).listWindow);
    setWindowTitle(QStringLiteral("작업(Todo list)"));
    m_data1->setObjectName("Data1");
    recordData().setObjectName("Data2");
    setEditorWindow(QString::fromLatin1(taskWindowNames::editor));
    addOwnWindow(QString::fromLatin1(taskWindowNames::search));

    m_grid = new RecordGrid(*m_data1, this);
    m_grid->setObjectName("MSFlexGrid1");

    const QList<ListCommand> commands = {
        {"Command1", "새로운 작업", QStyle::SP_FileIcon, [this] { newRecord(); }},
        {"Command2", "편집", QStyle::SP_FileDialogDetailedView, [this] { editRecord(); }},
        {"Command3", "지우기", QStyle::SP_TrashIcon, [this] { deleteRecord(); }},
        {"Command4", "검색", QStyle::SP_FileDialogContentsView, [this] { searchTasks(); }},
        {"Command5", "종료", QStyle::SP_DialogCloseButton, [this] { closeList(); }},
    };
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(makeListBar(this, m_context, commands));
    layout->addWidget(m_grid, 1);

    connect(m_grid, &RecordGrid::rowChosen, this, [this] { editRecord(); });
    setGrid(m_grid, descriptionColumn);

    // The ID stays hidden; priority, status and completion are narrow beside the description.
    const int widths[] = {0, 1000, 1000, 6000, 600};
    for (int column = 0; column < 5; ++column)
        m_grid->setColumnWidthTwips(column, widths[column]);
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
