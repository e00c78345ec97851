#include "windows/calendar/CalendarListWindow.h"

#include "records/Messages.h"
#include "records/Schema.h"
#include "records/StoreError.h"
#include "shell/Geometry.h"
#include "shell/ListWindowBar.h"
#include "shell/ProgramContext.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"
#include "windows/calendar/CalendarWindows.h"
#include "windows/calendar/DateTimeText.h"
#include "windows/calendar/EventWindow.h"

#include <QMdiSubWindow>
#include <QStyle>
#include <QVBoxLayout>

namespace pimdesk {

namespace {

// The text a number takes when appended to an SQL text: a leading blank where the sign would be.
QString numberWithSignSpace(qint64 number)
{
    return number < 0 ? QString::number(number) : QStringLiteral(" ") + QString::number(number);
}

} // namespace

CalendarListWindow::CalendarListWindow(ProgramContext &context, QWidget *parent)
    : ListWindow(RecordKind::Events, parent), m_context(context), m_data1(this), m_data2(this)
{
    setObjectName(WindowRegistry::listWindowName(RecordKind::Events));
    setWindowTitle(QStringLiteral("일정관리"));
    m_data1.setObjectName("Data1");
    m_data2.setObjectName("Data2");

    m_grid = new RecordGrid(m_data1, this);
    m_grid->setObjectName("MSFlexGrid1");

    // Events are made on the handheld or in Outlook; "새로운 작업" is there, as on the other lists,
    // but does nothing.
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(makeListBar(this, m_context,
                                  {{"Command1", "새로운 작업", QStyle::SP_FileIcon, {}},
                                   {"Command2", "보기", QStyle::SP_FileDialogContentsView, [this] { view(); }},
                                   {"Command3", "지우기", QStyle::SP_TrashIcon, [this] { remove(); }},
                                   {"Command4", "검색", QStyle::SP_FileDialogDetailedView, [this] { search(); }},
                                   {"Command5", "종료", QStyle::SP_DialogCloseButton, [this] { closeList(); }}}));
    layout->addWidget(m_grid, 1);
    connect(m_grid, &RecordGrid::rowDoubleClicked, this, &CalendarListWindow::view);

    // Load: column widths in twips; the first two columns (ID and a field nobody reads) hidden.
    m_grid->setColumnWidthTwips(0, 0);
    m_grid->setColumnWidthTwips(1, 0);
    m_grid->setColumnWidthTwips(2, 1800);
    m_grid->setColumnWidthTwips(3, 1800);
    m_grid->setColumnWidthTwips(4, 5000);
    // Start and End without their seconds, so that they fit their columns (the handheld keeps
    // minutes only); a value that is not a stored date and time shows as it is.
    m_grid->gridModel().setFormatter([this](int column, const QVariant &value) -> QString {
        const QString field = m_data1.isOpen() ? m_data1.recordset().fieldNames().value(column) : QString();
        if (schema::isDateTimeField(QStringLiteral("Datebook"), field))
            return calendar::gridDateTimeText(value);
        return value.isNull() ? QString() : value.toString();
    });
    // After every re-read the grid has a current row again (the first, or where a deleted row was),
    // so that View and Delete act on what the user sees selected.
    connect(&m_data1, &DataSource::refreshed, this, [this] {
        const int rows = m_grid->gridModel().rowCount();
        m_grid->setCurrentCell(std::min(m_rowAfterReread, rows - 1), idColumn);
        m_rowAfterReread = 0;
    });
}

bool CalendarListWindow::showRecordSource(const QString &recordSource)
{
    const QString shown = m_data1.recordSource();
    m_data1.setDatabaseName(m_context.storePath);
    m_data1.setRecordSource(recordSource);
    try {
        m_data1.refresh();
        return true;
    } catch (const StoreError &error) {
        m_data1.setRecordSource(shown);
        reportStoreProblem(error.message());
        return false;
    }
}

bool CalendarListWindow::fetchCurrentEvent()
{
    if (m_grid->currentRow() < 0)
        return false;
    // The ID column read as a number; anything else reads as 0, which no event of the handheld has.
    bool isNumber = false;
    qint64 id = m_grid->currentRowText(idColumn).trimmed().toLongLong(&isNumber);
    if (!isNumber)
        id = 0;
    m_data2.setDatabaseName(m_context.storePath);
    m_data2.setRecordSource(QStringLiteral("SELECT * FROM Datebook WHERE ID = ") + numberWithSignSpace(id));
    m_data2.refresh();
    RecordSet &event = m_data2.recordset();
    return !(event.bof() && event.eof());
}

void CalendarListWindow::view()
{
    try {
        if (!fetchCurrentEvent())
            return;
        auto *window = m_context.windows ? m_context.windows->windowAs<EventWindow>(windowNames::eventWindow) : nullptr;
        if (!window)
            return;
        window->fill(m_data2.recordset());
        if (QMdiSubWindow *frame = mdiFrame(window))
            frame->move(0, 0);
        else
            window->move(0, 0);
        m_context.windows->showWindow(windowNames::eventWindow);
        setEnabled(false);
    } catch (const StoreError &error) {
        reportStoreProblem(error.message());
    }
}

void CalendarListWindow::remove()
{
    const int row = m_grid->currentRow();
    if (row < 0)
        return;
    const QString description = m_grid->currentRowText(descriptionColumn);
    if (m_context.messages->show(description, QStringLiteral("정말로 삭제 하시겠습니까?"), Buttons::OkCancel,
                                 Icon::None) != Answer::Ok)
        return;
    try {
        if (!fetchCurrentEvent())
            return;
        m_data2.recordset().remove();
        m_rowAfterReread = row;
        m_data1.refresh();
    } catch (const StoreError &error) {
        reportStoreProblem(error.message());
    }
}

void CalendarListWindow::search()
{
    if (!m_context.windows || !m_context.windows->showWindow(windowNames::calendarSearch))
        return;
    setEnabled(false);
}

void CalendarListWindow::reportStoreProblem(const QString &message)
{
    if (m_context.messages)
        m_context.messages->show(message, QString::fromUtf8(programTitle), Buttons::Ok, Icon::Critical);
}

} // namespace pimdesk
