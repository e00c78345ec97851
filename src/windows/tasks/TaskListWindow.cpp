#include "windows/tasks/TaskListWindow.h"

#include "records/DataSource.h"
#include "records/Messages.h"
#include "records/RecordSet.h"
#include "records/StoreError.h"
#include "shell/ClickableLabel.h"
#include "shell/Geometry.h"
#include "shell/ProgramContext.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"
#include "windows/tasks/TaskEditor.h"
#include "windows/tasks/TaskFields.h"
#include "windows/tasks/TaskWindows.h"

#include <QHBoxLayout>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace pimdesk {

namespace {

// The column whose text the delete question shows: the task's description.
constexpr int descriptionColumn = 3;

// A handheld with an arrow going into it (export) or coming out of it (import).
QPixmap devicePicture(bool toDevice, qreal ratio)
{
    const int side = 40;
    QPixmap pixmap(QSize(side, side) * ratio);
    pixmap.setDevicePixelRatio(ratio);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x30, 0x30, 0x38), 1.5));
    p.setBrush(QColor(0x5a, 0x62, 0x70));
    p.drawRoundedRect(QRectF(20, 3, 17, 34), 3, 3);
    p.setBrush(QColor(0xc8, 0xe6, 0xf5));
    p.drawRect(QRectF(23, 7, 11, 14));
    p.setBrush(QColor(0xd0, 0xd0, 0xd0));
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QRectF(22.5 + i * 4, 26, 3, 3));

    QPainterPath arrow;
    const qreal y = 22;
    if (toDevice) {
        arrow.moveTo(2, y - 3);
        arrow.lineTo(11, y - 3);
        arrow.lineTo(11, y - 8);
        arrow.lineTo(19, y);
        arrow.lineTo(11, y + 8);
        arrow.lineTo(11, y + 3);
        arrow.lineTo(2, y + 3);
    } else {
        arrow.moveTo(19, y - 3);
        arrow.lineTo(10, y - 3);
        arrow.lineTo(10, y - 8);
        arrow.lineTo(2, y);
        arrow.lineTo(10, y + 8);
        arrow.lineTo(10, y + 3);
        arrow.lineTo(19, y + 3);
    }
    arrow.closeSubpath();
    p.setPen(QPen(QColor(0x1d, 0x6b, 0x2a), 1));
    p.setBrush(toDevice ? QColor(0x3c, 0xb0, 0x50) : QColor(0x2f, 0x80, 0xd0));
    p.drawPath(arrow);
    return pixmap;
}

} // namespace

TaskListWindow::TaskListWindow(ProgramContext &context, QWidget *parent)
    : ListWindow(RecordKind::Tasks, parent), m_context(context), m_data1(new DataSource(this)),
      m_data2(new DataSource(this))
{
    setObjectName(windowNames::taskList);
    setWindowTitle(QStringLiteral("작업(Todo list)"));
    m_data1->setObjectName("Data1");
    m_data2->setObjectName("Data2");

    m_grid = new RecordGrid(*m_data1, this);
    m_grid->setObjectName("MSFlexGrid1");

    struct Command
    {
        const char *name;
        const char *caption;
        QStyle::StandardPixmap icon;
        void (TaskListWindow::*action)();
    };
    const Command commands[] = {
        {"Command1", "새로운 작업", QStyle::SP_FileIcon, &TaskListWindow::newTask},
        {"Command2", "편집", QStyle::SP_FileDialogDetailedView, &TaskListWindow::editTask},
        {"Command3", "지우기", QStyle::SP_TrashIcon, &TaskListWindow::deleteTask},
        {"Command4", "검색", QStyle::SP_FileDialogContentsView, &TaskListWindow::searchTasks},
        {"Command5", "종료", QStyle::SP_DialogCloseButton, &TaskListWindow::closeList},
    };
    auto *buttons = new QHBoxLayout;
    for (const Command &command : commands) {
        auto *button = new QToolButton(this);
        button->setObjectName(command.name);
        button->setText(QString::fromUtf8(command.caption));
        button->setIcon(style()->standardIcon(command.icon));
        button->setIconSize(QSize(24, 24));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setMinimumWidth(76);
        connect(button, &QToolButton::clicked, this, command.action);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);

    struct Picture
    {
        const char *name;
        const char *toolTip;
        bool toDevice;
        const char *window;
    };
    const Picture pictures[] = {
        {"Image1", "Norvel(K7M)에서 가져오기", false, windowNames::importFromDevice},
        {"Image2", "Norvel(K7M)으로 내보내기", true, windowNames::exportToDevice},
    };
    for (const Picture &picture : pictures) {
        auto *image = new ClickableLabel(this);
        image->setObjectName(picture.name);
        image->setToolTip(QString::fromUtf8(picture.toolTip));
        image->setPixmap(devicePicture(picture.toDevice, devicePixelRatioF()));
        image->setCursor(Qt::PointingHandCursor);
        const char *window = picture.window;
        connect(image, &ClickableLabel::clicked, this, [this, window] { showDeviceWindow(window); });
        buttons->addWidget(image);
    }

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addLayout(buttons);
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

void TaskListWindow::showDeviceWindow(const char *name)
{
    if (m_context.windows && m_context.windows->showWindow(name))
        setEnabled(false);
}

} // namespace pimdesk
