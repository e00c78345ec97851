#include "windows/calendar/CalendarListWindow.h"

#include "records/Schema.h"
#include "shell/ListWindowBar.h"
#include "shell/ProgramContext.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"
#include "windows/calendar/CalendarWindows.h"
#include "windows/calendar/DateTimeText.h"

#include <QStyle>
#include <QVBoxLayout>

namespace pimdesk {

CalendarListWindow::CalendarListWindow(ProgramContext &context, QWidget *parent)
    : ListWindow(RecordKind::Events, context, parent), m_context(context), m_data1(this)
{
    setObjectName(WindowRegistry::listWindowName(RecordKind::Events));
    setWindowTitle(QStringLiteral("일정관리"));
    m_data1.setObjectName("Data1");
    recordData().setObjectName("Data2");
    // The event window shows the event of the current row, and makes new ones.
    setEditorWindow(QString::fromLatin1(windowNames::eventWindow));
    addOwnWindow(QString::fromLatin1(windowNames::calendarSearch));

    m_grid = new RecordGrid(m_data1, this);
    m_grid->setObjectName("MSFlexGrid1");

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(makeListBar(this, m_context,
                                  {{"Command1", "새로운 작업", QStyle::SP_FileIcon, [this] { newRecord(); }},
                                   {"Command2", "보기", QStyle::SP_FileDialogContentsView, [this] { editRecord(); }},
                                   {"Command3", "지우기", QStyle::SP_TrashIcon, [this] { deleteRecord(); }},
                                   {"Command4", "검색", QStyle::SP_FileDialogDetailedView, [this] { search(); }},
                                   {"Command5", "종료", QStyle::SP_DialogCloseButton, [this] { closeList(); }}}));
    layout->addWidget(m_grid, 1);
    connect(m_grid, &RecordGrid::rowChosen, this, &CalendarListWindow::editRecord);

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
    // After every re-read the grid has a current row again, so that View and Delete act on what
    // the user sees selected.
    setGrid(m_grid, descriptionColumn);
}

void CalendarListWindow::search()
{
    if (!m_context.windows || !m_context.windows->showWindow(windowNames::calendarSearch))
        return;
    setEnabled(false);
}

} // namespace pimdesk
