#include "windows/calendar/CalendarListWindow.h"

#include "records/Messages.h"
#include "records/Schema.h"
#include "records/StoreError.h"
#include "shell/ClickableLabel.h"
#include "shell/Geometry.h"
#include "shell/ProgramContext.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"
#include "windows/calendar/CalendarWindows.h"
#include "windows/calendar/DateTimeText.h"
#include "windows/calendar/EventWindow.h"

#include <QHBoxLayout>
#include <QMdiSubWindow>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace pimdesk {

namespace {

constexpr int pictureSide = 40;

QToolButton *makeButton(const char *name, const QString &caption, QStyle::StandardPixmap icon, QWidget *parent)
{
    auto *button = new QToolButton(parent);
    button->setObjectName(name);
    button->setText(caption);
    button->setIcon(parent->style()->standardIcon(icon));
    button->setIconSize(QSize(24, 24));
    button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
    button->setMinimumWidth(72);
    return button;
}

// The handheld with an arrow into it (to the device) or out of it (from the device).
QPixmap devicePicture(bool toDevice)
{
    QPixmap pixmap(pictureSide, pictureSide);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x33, 0x44, 0x55), 1.5));
    p.setBrush(QColor(0x5b, 0x7d, 0xa8));
    p.drawRoundedRect(QRectF(4, 3, 18, 34), 3, 3);
    p.setBrush(QColor(0xe8, 0xf0, 0xf8));
    p.drawRect(QRectF(7, 7, 12, 16));
    QPainterPath arrow;
    const double y = 20;
    if (toDevice) {
        arrow.moveTo(38, y - 4);
        arrow.lineTo(30, y - 4);
        arrow.lineTo(30, y - 9);
        arrow.lineTo(23, y);
        arrow.lineTo(30, y + 9);
        arrow.lineTo(30, y + 4);
        arrow.lineTo(38, y + 4);
    } else {
        arrow.moveTo(24, y - 4);
        arrow.lineTo(31, y - 4);
        arrow.lineTo(31, y - 9);
        arrow.lineTo(38, y);
        arrow.lineTo(31, y + 9);
        arrow.lineTo(31, y + 4);
        arrow.lineTo(24, y + 4);
    }
    arrow.closeSubpath();
    p.setBrush(toDevice ? QColor(0xd0, 0x70, 0x20) : QColor(0x30, 0x90, 0x40));
    p.drawPath(arrow);
    return pixmap;
}

ClickableLabel *makePicture(const char *name, const QString &tip, bool toDevice, QWidget *parent)
{
    auto *picture = new ClickableLabel(parent);
    picture->setObjectName(name);
    picture->setPixmap(devicePicture(toDevice));
    picture->setToolTip(tip);
    picture->setCursor(Qt::PointingHandCursor);
    return picture;
}

// The text a number takes when appended to an SQL text: a leading blank where the sign would be.
QString numberWithSignSpace(qint64 number)
{
    return number < 0 ? QString::number(number) : QStringLiteral(" ") + QString::number(number);
}

} // namespace

CalendarListWindow::CalendarListWindow(ProgramContext &context, QWidget *parent)
    : ListWindow(RecordKind::Events, parent), m_context(context), m_data1(this), m_data2(this)
{
    setObjectName(windowNames::calendarList);
    setWindowTitle(QStringLiteral("일정관리"));
    m_data1.setObjectName("Data1");
    m_data2.setObjectName("Data2");

    m_grid = new RecordGrid(m_data1, this);
    m_grid->setObjectName("MSFlexGrid1");

    auto *newEvent = makeButton("Command1", QStringLiteral("새로운 작업"), QStyle::SP_FileIcon, this);
    auto *viewButton = makeButton("Command2", QStringLiteral("보기"), QStyle::SP_FileDialogContentsView, this);
    auto *deleteButton = makeButton("Command3", QStringLiteral("지우기"), QStyle::SP_TrashIcon, this);
    auto *searchButton = makeButton("Command4", QStringLiteral("검색"), QStyle::SP_FileDialogDetailedView, this);
    auto *closeButton = makeButton("Command5", QStringLiteral("종료"), QStyle::SP_DialogCloseButton, this);
    // Events are made on the handheld or in Outlook; the button is there, as on the other lists,
    // but does nothing.
    Q_UNUSED(newEvent);
    auto *fromDevice = makePicture("Image1", QStringLiteral("Norvel(K7M)에서 가져오기"), false, this);
    auto *toDevice = makePicture("Image2", QStringLiteral("Norvel(K7M)으로 내보내기"), true, this);

    auto *bar = new QHBoxLayout;
    for (QWidget *w :
         {static_cast<QWidget *>(newEvent), static_cast<QWidget *>(viewButton), static_cast<QWidget *>(deleteButton),
          static_cast<QWidget *>(searchButton), static_cast<QWidget *>(closeButton)})
        bar->addWidget(w);
    bar->addStretch(1);
    bar->addWidget(fromDevice);
    bar->addWidget(toDevice);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(bar);
    layout->addWidget(m_grid, 1);

    connect(viewButton, &QToolButton::clicked, this, &CalendarListWindow::view);
    connect(m_grid, &RecordGrid::rowDoubleClicked, this, &CalendarListWindow::view);
    connect(deleteButton, &QToolButton::clicked, this, &CalendarListWindow::remove);
    connect(searchButton, &QToolButton::clicked, this, &CalendarListWindow::search);
    connect(closeButton, &QToolButton::clicked, this, &CalendarListWindow::closeList);
    connect(fromDevice, &ClickableLabel::clicked, this, [this] { showDeviceWindow(windowNames::importFromDevice); });
    connect(toDevice, &ClickableLabel::clicked, this, [this] { showDeviceWindow(windowNames::exportToDevice); });

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

void CalendarListWindow::showDeviceWindow(const char *name)
{
    if (!m_context.windows || !m_context.windows->showWindow(QString::fromLatin1(name)))
        return;
    setEnabled(false);
}

void CalendarListWindow::reportStoreProblem(const QString &message)
{
    if (m_context.messages)
        m_context.messages->show(message, QString::fromUtf8(programTitle), Buttons::Ok, Icon::Critical);
}

} // namespace pimdesk
