#include "windows/calendar/EventWindow.h"

#include "records/RecordSet.h"
#include "shell/EditorButtons.h"
#include "shell/Geometry.h"
#include "shell/ProgramContext.h"
#include "records/Kinds.h"
#include "shell/WindowRegistry.h"
#include "windows/calendar/CalendarWindows.h"
#include "windows/calendar/DateTimeText.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace pimdesk {

namespace {

QComboBox *makeCombo(const char *name, const QStringList &entries, bool editable, QWidget *parent)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(editable);
    // Typing a text and pressing Enter must not add it: the lists hold their entries once.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(entries);
    combo->setCurrentIndex(-1);
    return combo;
}

QLineEdit *makeTimeBox(const char *name, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setMaximumWidth(64);
    return box;
}

// A spinner's two arrows beside a time box. They are shown as the handheld's datebook shows them
// and carry no action here.
QWidget *makeUpDown(const char *name, QWidget *parent)
{
    auto *spinner = new QWidget(parent);
    spinner->setObjectName(name);
    auto *layout = new QVBoxLayout(spinner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (Qt::ArrowType arrow : {Qt::UpArrow, Qt::DownArrow}) {
        auto *button = new QToolButton(spinner);
        button->setArrowType(arrow);
        button->setFixedSize(18, 12);
        layout->addWidget(button);
    }
    return spinner;
}

} // namespace

EventWindow::EventWindow(ProgramContext &context, QWidget *parent) : QWidget(parent), m_context(context)
{
    setObjectName(windowNames::eventWindow);
    m_event.setParent(this);
    setWindowTitle(QStringLiteral("일정 보기"));

    auto *tabs = new QTabWidget(this);
    tabs->setObjectName("SSTab1");
    auto *page = new QWidget(tabs);
    tabs->addTab(page, QStringLiteral("Event"));

    m_description = makeCombo("Combo1", {"Meeting", "Lunch", "Dinner", "Travel"}, true, page);
    m_location = makeCombo("Combo2", {"Office", "Home"}, true, page);
    m_start = new QPushButton(page);
    m_start->setObjectName("Command3");
    m_end = new QPushButton(page);
    m_end->setObjectName("Command4");
    m_allDay = new QCheckBox(QStringLiteral("All day"), page);
    m_allDay->setObjectName("Check1");
    m_timeZone = makeCombo("Combo3", {}, true, page);
    m_alarm = makeCombo("Combo4", {"No Alarm", "Silent Alarm", "Audible Alarm"}, false, page);
    m_repeat = makeCombo("Combo5", {}, true, page);
    auto *endDate = new QPushButton(QStringLiteral("End Date"), page);
    endDate->setObjectName("Command5");
    m_note = new QPlainTextEdit(page);
    m_note->setObjectName("Text4");

    auto *grid = new QGridLayout(page);
    int row = 0;
    auto label = [&](const QString &text, QWidget *buddy) {
        auto *l = new QLabel(text, page);
        l->setBuddy(buddy);
        grid->addWidget(l, row, 0);
    };
    label(QStringLiteral("Description"), m_description);
    grid->addWidget(m_description, row++, 1, 1, 3);
    label(QStringLiteral("Location"), m_location);
    grid->addWidget(m_location, row++, 1, 1, 3);
    label(QStringLiteral("Start"), m_start);
    grid->addWidget(m_start, row, 1);
    grid->addWidget(makeTimeBox("Text2", page), row, 2);
    grid->addWidget(makeUpDown("UpDown1", page), row++, 3, Qt::AlignLeft);
    label(QStringLiteral("End"), m_end);
    grid->addWidget(m_end, row, 1);
    grid->addWidget(makeTimeBox("Text1", page), row, 2);
    grid->addWidget(makeUpDown("UpDown2", page), row++, 3, Qt::AlignLeft);
    grid->addWidget(m_allDay, row++, 1, 1, 3);
    label(QStringLiteral("Time Zone"), m_timeZone);
    grid->addWidget(m_timeZone, row++, 1, 1, 3);
    grid->addWidget(m_alarm, row, 1);
    grid->addWidget(makeTimeBox("Text3", page), row, 2);
    grid->addWidget(makeUpDown("UpDown3", page), row++, 3, Qt::AlignLeft);
    label(QStringLiteral("Repeat"), m_repeat);
    grid->addWidget(m_repeat, row, 1);
    grid->addWidget(endDate, row++, 2, 1, 2);
    label(QStringLiteral("Note"), m_note);
    grid->addWidget(m_note, row, 1, 1, 3);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);

    const EditorButtons buttons = layOutTabsAndButtons(this, tabs);
    connect(buttons.ok, &QPushButton::clicked, this, &EventWindow::finish);
    connect(buttons.cancel, &QPushButton::clicked, this, &EventWindow::finish);
    resize(460, 440);

    const FieldBinding::Conversion dateTime{[](const QVariant &value) { return calendar::buttonDateTimeText(value); },
                                            {}};
    m_fields.bind(m_description, "Description");
    m_fields.bind(m_location, "Location");
    m_fields.bind(m_start, "Start", dateTime);
    m_fields.bind(m_end, "End", dateTime);
    m_fields.bindCheck(m_allDay, "Type", "AllDay", "Timed");
    m_fields.bind(m_timeZone, "Timezone");
    m_fields.bind(m_note, "Note");
}

bool EventWindow::beginEdit(qint64 id)
{
    m_event.setDatabaseName(m_context.storePath);
    m_event.setRecordSource(recordByIdSql(RecordKind::Events, id));
    m_event.refresh();
    const RecordSet &event = m_event.recordset();
    if (event.bof() && event.eof())
        return false;
    fill(event);
    present();
    return true;
}

void EventWindow::beginNew(qint64 id)
{
    m_event.setDatabaseName(m_context.storePath);
    m_event.setRecordSource(QString::fromLatin1(kindInfo(RecordKind::Events).table));
    m_event.refresh();
    RecordSet &event = m_event.recordset();
    event.addNew();
    event.setField("ID", id);
    fill(event);
    present();
}

void EventWindow::present()
{
    if (QMdiSubWindow *frame = mdiFrame(this))
        frame->move(0, 0);
    else
        move(0, 0);
    if (m_context.windows)
        m_context.windows->showWindow(windowNames::eventWindow);
    else
        show();
}

void EventWindow::fill(const RecordSet &event)
{
    m_fields.load(event);
    // The handheld keeps an alarm's sound apart; shown here is whether there is one at all.
    const QVariant alarm = event.field(QStringLiteral("balarm"));
    const bool hasAlarm = !alarm.isNull() && !alarm.toString().trimmed().isEmpty();
    m_alarm->setCurrentText(hasAlarm ? QStringLiteral("Silent Alarm") : QStringLiteral("No Alarm"));
    m_repeat->setEditText(QStringLiteral("other.."));
}

void EventWindow::abandon()
{
    // Nothing is ever written: a record begun new is dropped.
    if (m_event.isOpen() && m_event.recordset().editing())
        m_event.recordset().cancelUpdate();
    hide();
}

void EventWindow::finish()
{
    abandon();
    reportFinished(EditEnd::NotStored);
}

void EventWindow::closeEvent(QCloseEvent *event)
{
    // Closed by its frame: the list must not stay disabled behind it.
    QWidget::closeEvent(event);
    if (event->isAccepted() && isVisible())
        finish();
}

} // namespace pimdesk
