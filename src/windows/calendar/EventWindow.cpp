#include "windows/calendar/EventWindow.h"

#include "records/Clock.h"
#include "records/Kinds.h"
#include "records/Messages.h"
#include "records/RecordIds.h"
#include "records/RecordSet.h"
#include "records/StoreError.h"
#include "shell/EditorButtons.h"
#include "shell/Geometry.h"
#include "shell/ProgramContext.h"
#include "shell/StoreProblem.h"
#include "shell/WindowRegistry.h"
#include "windows/calendar/CalendarWindows.h"
#include "windows/calendar/DateTimeText.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>
#include <functional>
#include <tuple>

namespace pimdesk {

using namespace calendar;

namespace {

const QString cannotSaveTitle = QStringLiteral("저장 할 수 없습니다.");

// Limits of what the number boxes take.
constexpr int largestAlarmMinutes = 99999;
constexpr int largestInterval = 999;
constexpr int timeStep = 15; // minutes, the time boxes' spinners
constexpr int alarmStep = 5; // minutes, the alarm's spinner

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

QLineEdit *makeBox(const char *name, int width, QWidget *parent)
{
    auto *box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setMaximumWidth(width);
    return box;
}

// A spinner's two arrows beside a box (named <name>Up and <name>Down).
QWidget *makeUpDown(const char *name, QWidget *parent, const std::function<void(int)> &step)
{
    auto *spinner = new QWidget(parent);
    spinner->setObjectName(name);
    auto *layout = new QVBoxLayout(spinner);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    for (const auto &[arrow, direction, suffix] :
         {std::tuple{Qt::UpArrow, +1, "Up"}, std::tuple{Qt::DownArrow, -1, "Down"}}) {
        auto *button = new QToolButton(spinner);
        button->setObjectName(QString::fromLatin1(name) + QLatin1String(suffix));
        button->setArrowType(arrow);
        button->setFixedSize(18, 12);
        button->setAutoRepeat(true);
        QObject::connect(button, &QToolButton::clicked, spinner, [step, d = direction] { step(d); });
        layout->addWidget(button);
    }
    return spinner;
}

// Fields are written as text; an empty value is an empty text, not a missing one.
QString stored(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

// The field's text as stored; the binding shows its characters and stores typed text in the
// documents' form.
QString plainField(const QVariant &value)
{
    return value.isNull() ? QString() : value.toString();
}

std::optional<int> numberIn(const QString &text, int lowest, int highest)
{
    bool ok = false;
    const int number = text.trimmed().toInt(&ok);
    if (!ok || number < lowest || number > highest)
        return std::nullopt;
    return number;
}

const char *const weekdayNames[] = {"Mon", "Tue", "Wed", "Thu", "Fri", "Sat", "Sun"};

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
    m_startTime = makeBox("Text2", 64, page);
    m_startStep = makeUpDown("UpDown1", page, [this](int d) { stepTime(m_startTime, d * timeStep); });
    m_end = new QPushButton(page);
    m_end->setObjectName("Command4");
    m_endTime = makeBox("Text1", 64, page);
    m_endStep = makeUpDown("UpDown2", page, [this](int d) { stepTime(m_endTime, d * timeStep); });
    m_allDay = new QCheckBox(QStringLiteral("All day"), page);
    m_allDay->setObjectName("Check1");
    m_timeZone = makeCombo("Combo3", {}, true, page);
    m_alarm = makeCombo("Combo4", alarmChoices(), false, page);
    m_alarmMinutes = makeBox("Text3", 64, page);
    m_alarmStep = makeUpDown("UpDown3", page, [this](int d) { stepNumber(m_alarmMinutes, d * alarmStep, 0); });
    m_repeat = makeCombo("Combo5", {}, true, page);
    m_endDateButton = new QPushButton(QStringLiteral("End Date"), page);
    m_endDateButton->setObjectName("Command5");
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
    grid->addWidget(m_startTime, row, 2);
    grid->addWidget(m_startStep, row++, 3, Qt::AlignLeft);
    label(QStringLiteral("End"), m_end);
    grid->addWidget(m_end, row, 1);
    grid->addWidget(m_endTime, row, 2);
    grid->addWidget(m_endStep, row++, 3, Qt::AlignLeft);
    grid->addWidget(m_allDay, row++, 1, 1, 3);
    label(QStringLiteral("Time Zone"), m_timeZone);
    grid->addWidget(m_timeZone, row++, 1, 1, 3);
    grid->addWidget(m_alarm, row, 1);
    grid->addWidget(m_alarmMinutes, row, 2);
    grid->addWidget(m_alarmStep, row++, 3, Qt::AlignLeft);
    label(QStringLiteral("Repeat"), m_repeat);
    grid->addWidget(m_repeat, row, 1);
    grid->addWidget(m_endDateButton, row++, 2, 1, 2);
    buildRepeatRow(page);
    grid->addWidget(m_repeatDetails, row++, 1, 1, 3);
    label(QStringLiteral("Note"), m_note);
    grid->addWidget(m_note, row, 1, 1, 3);
    grid->setRowStretch(row, 1);
    grid->setColumnStretch(1, 1);

    const EditorButtons buttons = layOutTabsAndButtons(this, tabs);
    // "편집" stands before "확인" and is there while an event is only viewed.
    m_editButton = new QPushButton(QStringLiteral("편집"), this);
    m_editButton->setObjectName("Command6");
    if (auto *buttonRow = qobject_cast<QBoxLayout *>(buttons.ok->parentWidget()->layout()->itemAt(1)->layout()))
        buttonRow->insertWidget(1, m_editButton);
    connect(m_editButton, &QPushButton::clicked, this, &EventWindow::startEditing);
    connect(buttons.ok, &QPushButton::clicked, this, &EventWindow::save);
    connect(buttons.cancel, &QPushButton::clicked, this, &EventWindow::cancel);

    // Over everything else in the window, shown below the date button that opens it.
    m_calendar = new QCalendarWidget(this);
    m_calendar->setObjectName("MonthView1");
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_calendar->setAutoFillBackground(true);
    m_calendar->hide();
    connect(m_calendar, &QCalendarWidget::clicked, this, &EventWindow::pickDate);
    connect(m_calendar, &QCalendarWidget::activated, this, &EventWindow::pickDate);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { hideCalendarUnlessFocused(now); });
    connect(m_start, &QPushButton::clicked, this, [this] { openCalendar(StartDate); });
    connect(m_end, &QPushButton::clicked, this, [this] { openCalendar(EndDate); });
    connect(m_endDateButton, &QPushButton::clicked, this, [this] { openCalendar(RepeatEndDate); });

    // Only the user's choices change the other controls; filling the window leaves them alone.
    connect(m_alarm, &QComboBox::currentIndexChanged, this, &EventWindow::alarmChosen);
    connect(m_repeat, &QComboBox::currentIndexChanged, this, &EventWindow::repeatChosen);
    connect(m_allDay, &QCheckBox::toggled, this, &EventWindow::allDayToggled);

    resize(480, 540);
    bindFields();
    setMode(Mode::View);
}

void EventWindow::buildRepeatRow(QWidget *page)
{
    m_repeatDetails = new QWidget(page);
    m_repeatDetails->setObjectName("RepeatDetails");
    auto *every = new QLabel(QStringLiteral("Every"), m_repeatDetails);
    m_interval = makeBox("Text5", 48, m_repeatDetails);
    m_intervalStep = makeUpDown("UpDown4", m_repeatDetails, [this](int d) { stepNumber(m_interval, d, 1); });
    auto *until = new QLabel(QStringLiteral("End Date"), m_repeatDetails);
    m_repeatEnd = makeBox("Text6", 96, m_repeatDetails);
    m_repeatEnd->setPlaceholderText(QStringLiteral("yyyy-MM-dd"));
    until->setBuddy(m_repeatEnd);

    auto *first = new QHBoxLayout;
    first->addWidget(every);
    first->addWidget(m_interval);
    first->addWidget(m_intervalStep);
    first->addSpacing(12);
    first->addWidget(until);
    first->addWidget(m_repeatEnd);
    first->addStretch(1);
    auto *days = new QHBoxLayout;
    days->setSpacing(4);
    for (int d = 0; d < 7; ++d) {
        auto *check = new QCheckBox(QString::fromLatin1(weekdayNames[d]), m_repeatDetails);
        check->setObjectName(QStringLiteral("Check%1").arg(d + 2));
        m_weekdays << check;
        days->addWidget(check);
    }
    days->addStretch(1);
    auto *layout = new QVBoxLayout(m_repeatDetails);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(2);
    layout->addLayout(first);
    layout->addLayout(days);
}

void EventWindow::bindFields()
{
    // The binding turns the store's form of a text ("&quot;") into the characters the boxes show and
    // back; these conversions only trim and keep line breaks.
    const auto line = [](const QString &form) -> QVariant { return stored(form.trimmed()); };
    m_fields.bind(m_description, "Description", {plainField, line});
    m_fields.bind(m_location, "Location", {plainField, line});
    m_fields.bind(m_timeZone, "Timezone", {plainField, line});
    // The note box shows every line break as one; an edited note keeps the carriage returns of the
    // stored one (Outlook writes them so).
    m_fields.bind(m_note, "Note", {plainField, [this](const QString &form) -> QVariant {
                                       QString text = form;
                                       if (m_noteHasCarriageReturns)
                                           text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
                                       return stored(text);
                                   }});
}

bool EventWindow::beginEdit(qint64 id)
{
    m_event.setDatabaseName(m_context.storePath);
    m_event.setRecordSource(recordByIdSql(RecordKind::Events, id));
    m_event.refresh();
    const RecordSet &event = m_event.recordset();
    if (event.bof() && event.eof())
        return false;
    m_storedId = 0;
    setMode(Mode::View);
    fillView(event);
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
    m_storedId = 0;
    setMode(Mode::New);
    fillEditing(event, newEventTimes(Clock::current().now()));
    present();
    m_description->setFocus();
}

void EventWindow::startEditing()
{
    if (m_mode != Mode::View || !m_event.isOpen())
        return;
    RecordSet &event = m_event.recordset();
    if (event.bof() || event.eof())
        return;
    try {
        // Read again: what was typed while only viewing is not part of the edit.
        m_event.refresh();
        RecordSet &fresh = m_event.recordset();
        if (fresh.bof() && fresh.eof()) {
            // Gone from the store meanwhile (an import): there is nothing left to edit.
            cancel();
            return;
        }
        fresh.edit();
        setMode(Mode::Edit);
        fillEditing(fresh, newEventTimes(Clock::current().now()));
    } catch (const StoreError &error) {
        reportStoreProblem(m_context.messages, error);
    }
}

void EventWindow::setMode(Mode mode)
{
    m_mode = mode;
    const bool editing = mode != Mode::View;
    setWindowTitle(mode == Mode::New    ? QStringLiteral("새 일정")
                   : mode == Mode::Edit ? QStringLiteral("일정 편집")
                                        : QStringLiteral("일정 보기"));
    m_editButton->setVisible(!editing);
    for (QWidget *w : {static_cast<QWidget *>(m_alarmMinutes), m_alarmStep, static_cast<QWidget *>(m_endDateButton)})
        w->setEnabled(true);
    m_repeatDetails->setVisible(editing);
    m_calendar->hide();
    // Viewing shows the repeat rule as the handheld's datebook shows one it cannot describe; the
    // editing modes offer the kinds this window makes.
    const bool wasFilling = m_filling;
    m_filling = true;
    m_repeat->clear();
    m_repeat->setEditable(!editing);
    if (editing)
        m_repeat->addItems(repeatChoices());
    m_filling = wasFilling;
    allDayToggled();
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

void EventWindow::fillView(const RecordSet &event)
{
    m_filling = true;
    m_fields.load(event);
    m_start->setText(buttonDateTimeText(event.field("Start")));
    m_end->setText(buttonDateTimeText(event.field("End")));
    m_allDay->setChecked(event.field("Type").toString().trimmed() == QLatin1String("AllDay"));
    for (QLineEdit *box : {m_startTime, m_endTime, m_alarmMinutes})
        box->clear();
    // The handheld keeps an alarm's sound apart; shown here is whether there is one at all.
    const QVariant alarm = event.field(QStringLiteral("balarm"));
    const bool hasAlarm = !alarm.isNull() && !alarm.toString().trimmed().isEmpty();
    m_alarm->setCurrentText(hasAlarm ? QStringLiteral("Silent Alarm") : QStringLiteral("No Alarm"));
    m_repeat->setEditText(QStringLiteral("other.."));
    m_filling = false;
    allDayToggled();
}

void EventWindow::fillEditing(const RecordSet &event, const EventTimes &fallback)
{
    m_filling = true;
    m_fields.load(event);
    m_noteHasCarriageReturns = event.field("Note").toString().contains(QLatin1String("\r\n"));

    const EventTimes times = storedTimes(event.field("Start"), event.field("End"), event.field("Type"), fallback);
    m_start->setText(dateText(times.startDate));
    m_startTime->setText(timeText(times.startTime));
    m_end->setText(dateText(times.endDate));
    m_endTime->setText(timeText(times.endTime));
    m_allDay->setChecked(times.allDay);

    const EventAlarm alarm = storedAlarm(event.field("balarm"), event.field("alarm"), event.field("sound"));
    m_alarm->setCurrentIndex(int(alarm.kind));
    m_alarmMinutes->setText(alarm.kind == AlarmKind::None ? QString() : QString::number(alarm.minutes));

    m_storedRepeat = storedRepeat(event.field("Rtype"), event.field("Rfreq"), event.field("Rweekdays"),
                                  event.field("Rhasenddate"), event.field("Enddt"));
    // A rule the list does not offer (a later handheld's kind) shows as it is and stays so.
    const QString choice = repeatChoice(m_storedRepeat.type);
    if (m_repeat->findText(choice) < 0)
        m_repeat->addItem(choice);
    m_repeat->setCurrentText(choice);
    m_interval->setText(QString::number(m_storedRepeat.interval));
    for (int d = 0; d < 7; ++d)
        m_weekdays[d]->setChecked((m_storedRepeat.weekdays & weekdayBit(d + 1)) != 0);
    m_repeatEnd->setText(m_storedRepeat.hasEndDate ? dateText(m_storedRepeat.endDate) : QString());

    m_filling = false;
    alarmChosen();
    repeatChosen();
    allDayToggled();
    m_timesAtLoad = timeTexts();
    m_alarmAtLoad = alarmTexts();
    m_repeatAtLoad = repeatTexts();
}

QStringList EventWindow::timeTexts() const
{
    return {m_start->text(), m_startTime->text(), m_end->text(), m_endTime->text(),
            m_allDay->isChecked() ? QStringLiteral("1") : QStringLiteral("0")};
}

QStringList EventWindow::alarmTexts() const
{
    return {m_alarm->currentText(), m_alarm->currentIndex() > 0 ? m_alarmMinutes->text() : QString()};
}

QStringList EventWindow::repeatTexts() const
{
    QStringList texts{m_repeat->currentText(), m_interval->text(), m_repeatEnd->text()};
    for (const QCheckBox *day : m_weekdays)
        texts << (day->isChecked() ? QStringLiteral("1") : QStringLiteral("0"));
    return texts;
}

void EventWindow::allDayToggled()
{
    // An all-day event has no times of day to show.
    const bool times = m_mode == Mode::View || !m_allDay->isChecked();
    for (QWidget *w : {static_cast<QWidget *>(m_startTime), m_startStep, static_cast<QWidget *>(m_endTime), m_endStep})
        w->setVisible(times);
}

void EventWindow::alarmChosen()
{
    if (m_filling || m_mode == Mode::View)
        return;
    const bool alarm = m_alarm->currentIndex() > 0;
    m_alarmMinutes->setEnabled(alarm);
    m_alarmStep->setEnabled(alarm);
    if (alarm && m_alarmMinutes->text().trimmed().isEmpty())
        m_alarmMinutes->setText(QString::number(defaultAlarmMinutes));
}

void EventWindow::repeatChosen()
{
    if (m_filling || m_mode == Mode::View)
        return;
    const QString choice = m_repeat->currentText();
    const bool repeats = choice != QLatin1String(noRepeatChoice);
    const bool weekly = choice == QLatin1String(weeklyRepeat);
    for (QWidget *w : {static_cast<QWidget *>(m_interval), m_intervalStep, static_cast<QWidget *>(m_repeatEnd),
                       static_cast<QWidget *>(m_endDateButton)})
        w->setEnabled(repeats);
    for (QCheckBox *day : std::as_const(m_weekdays))
        day->setEnabled(weekly);
    if (repeats && m_interval->text().trimmed().isEmpty())
        m_interval->setText(QStringLiteral("1"));
    // A weekly repeat without a day repeats on the start's weekday.
    if (weekly && std::none_of(m_weekdays.begin(), m_weekdays.end(), [](QCheckBox *c) { return c->isChecked(); }))
        if (const auto start = dateFromText(m_start->text()))
            m_weekdays[start->dayOfWeek() - 1]->setChecked(true);
}

void EventWindow::stepTime(QLineEdit *box, int minutes)
{
    if (m_mode == Mode::View)
        return;
    box->setText(steppedTime(box->text(), minutes));
}

void EventWindow::stepNumber(QLineEdit *box, int step, int lowest)
{
    if (m_mode == Mode::View)
        return;
    bool ok = false;
    const int now = box->text().trimmed().toInt(&ok);
    box->setText(QString::number(std::max(lowest, (ok ? now : lowest) + step)));
}

void EventWindow::openCalendar(CalendarTarget target)
{
    if (m_mode == Mode::View)
        return;
    QWidget *anchor = target == StartDate ? static_cast<QWidget *>(m_start)
                      : target == EndDate ? static_cast<QWidget *>(m_end)
                                          : static_cast<QWidget *>(m_endDateButton);
    const QString shown = target == StartDate ? m_start->text()
                          : target == EndDate ? m_end->text()
                                              : m_repeatEnd->text();
    const QDate today = Clock::current().today();
    const QDate date = dateFromText(shown).value_or(dateFromText(m_start->text()).value_or(today));
    m_calendar->setSelectedDate(date);
    m_calendar->adjustSize();
    // Directly below the button; above it when the window has no room below.
    QPoint at = anchor->mapTo(this, QPoint(0, anchor->height()));
    const QSize size = m_calendar->sizeHint();
    if (at.y() + size.height() > height())
        at.setY(std::max(0, anchor->mapTo(this, QPoint(0, 0)).y() - size.height()));
    at.setX(std::max(0, std::min(at.x(), width() - size.width())));
    m_calendar->setGeometry(QRect(at, size));
    m_calendarTarget = target;
    m_calendar->show();
    m_calendar->raise();
    m_calendar->setFocus();
}

void EventWindow::pickDate(const QDate &date)
{
    m_calendar->hide();
    switch (m_calendarTarget) {
    case StartDate: {
        // The end moves with the start, so the event keeps its length in days.
        const auto start = dateFromText(m_start->text());
        const auto end = dateFromText(m_end->text());
        m_start->setText(dateText(date));
        if (start && end)
            m_end->setText(dateText(date.addDays(start->daysTo(*end))));
        break;
    }
    case EndDate:
        m_end->setText(dateText(date));
        break;
    case RepeatEndDate:
        m_repeatEnd->setText(dateText(date));
        break;
    case NoTarget:
        break;
    }
    m_calendarTarget = NoTarget;
}

void EventWindow::hideCalendarUnlessFocused(QWidget *now)
{
    if (!m_calendar->isVisible() || !now)
        return;
    // The calendar's month menu and year box are its own, even where they are windows of their own.
    for (QWidget *w = now; w; w = w->parentWidget())
        if (w == m_calendar)
            return;
    m_calendar->hide();
}

bool EventWindow::refuse(const QString &text)
{
    m_context.messages->show(text, cannotSaveTitle, Buttons::Ok, Icon::Warning);
    return false;
}

std::optional<EventTimes> EventWindow::typedTimes()
{
    EventTimes times;
    const auto startDate = dateFromText(m_start->text());
    const auto endDate = dateFromText(m_end->text());
    times.allDay = m_allDay->isChecked();
    const auto startTime = times.allDay ? std::optional(QTime(0, 0)) : timeFromText(m_startTime->text());
    const auto endTime = times.allDay ? std::optional(QTime(23, 59)) : timeFromText(m_endTime->text());
    if (!startDate || !endDate) {
        refuse(QStringLiteral("시작일과 종료일을 달력에서 고르세요."));
        return std::nullopt;
    }
    if (!startTime || !endTime) {
        refuse(QStringLiteral("시간은 00:00부터 23:59까지 HH:mm 형식으로 입력하세요."));
        (startTime ? m_endTime : m_startTime)->setFocus();
        return std::nullopt;
    }
    times.startDate = *startDate;
    times.startTime = *startTime;
    times.endDate = *endDate;
    times.endTime = *endTime;
    if (endsBeforeStart(times)) {
        refuse(QStringLiteral("종료 시간이 시작 시간보다 빠릅니다."));
        return std::nullopt;
    }
    return times;
}

std::optional<EventAlarm> EventWindow::typedAlarm()
{
    EventAlarm alarm;
    alarm.kind = AlarmKind(std::max(0, m_alarm->currentIndex()));
    if (alarm.kind == AlarmKind::None)
        return alarm;
    const auto minutes = numberIn(m_alarmMinutes->text(), 0, largestAlarmMinutes);
    if (!minutes) {
        refuse(QStringLiteral("알람은 시작 몇 분 전인지 0부터 %1까지의 숫자로 입력하세요.").arg(largestAlarmMinutes));
        m_alarmMinutes->setFocus();
        return std::nullopt;
    }
    alarm.minutes = *minutes;
    return alarm;
}

std::optional<EventRepeat> EventWindow::typedRepeat(const EventTimes &times)
{
    EventRepeat repeat;
    const QString choice = m_repeat->currentText();
    if (choice == QLatin1String(noRepeatChoice) || choice.isEmpty())
        return repeat;
    repeat.type = choice;
    const auto interval = numberIn(m_interval->text(), 1, largestInterval);
    if (!interval) {
        refuse(QStringLiteral("반복 간격은 1부터 %1까지의 숫자로 입력하세요.").arg(largestInterval));
        m_interval->setFocus();
        return std::nullopt;
    }
    repeat.interval = *interval;
    for (int d = 0; d < 7; ++d)
        if (m_weekdays[d]->isChecked())
            repeat.weekdays |= weekdayBit(d + 1);
    if (choice == QLatin1String(weeklyRepeat) && repeat.weekdays == 0)
        repeat.weekdays = weekdayBit(times.startDate);
    if (!m_repeatEnd->text().trimmed().isEmpty()) {
        const auto end = dateFromText(m_repeatEnd->text());
        if (!end) {
            refuse(QStringLiteral("반복 종료일은 yyyy-MM-dd 형식으로 입력하세요."));
            m_repeatEnd->setFocus();
            return std::nullopt;
        }
        if (*end < times.startDate) {
            refuse(QStringLiteral("반복 종료일이 시작일보다 빠릅니다."));
            return std::nullopt;
        }
        repeat.hasEndDate = true;
        repeat.endDate = *end;
    }
    return repeat;
}

void EventWindow::save()
{
    m_calendar->hide();
    if (m_mode == Mode::View || !m_event.isOpen() || !m_event.recordset().editing()) {
        // Viewing writes nothing.
        abandon();
        reportFinished(EditEnd::NotStored);
        return;
    }
    const bool every = m_mode == Mode::New;
    // An edit writes the groups the user changed; a new event all of them.
    const bool timesChanged = every || timeTexts() != m_timesAtLoad;
    const bool alarmChanged = every || alarmTexts() != m_alarmAtLoad;
    const bool repeatChanged = every || repeatTexts() != m_repeatAtLoad;

    QList<FieldValue> values;
    std::optional<EventTimes> times;
    if (timesChanged || repeatChanged) {
        times = typedTimes();
        if (!times)
            return;
        if (timesChanged)
            values += timeFields(*times);
    }
    if (alarmChanged) {
        const auto alarm = typedAlarm();
        if (!alarm)
            return;
        values += alarmFields(*alarm);
    }
    if (repeatChanged) {
        const auto repeat = typedRepeat(*times);
        if (!repeat)
            return;
        values += repeatFields(*repeat);
    }
    if (every) {
        // What this window does not show starts empty, as the handheld's reader leaves it.
        for (const char *field :
             {"application", "Categories", "Recchildren", "Exceptions", "qdl-private-data", "outlook_index"})
            values.append(FieldValue(QString::fromLatin1(field), QStringLiteral("")));
    }

    RecordSet &event = m_event.recordset();
    bool saved = false;
    try {
        m_fields.store(event, every ? FieldBinding::Write::Every : FieldBinding::Write::Changed);
        for (const auto &[field, value] : std::as_const(values))
            event.setField(field, value);
        saved = m_context.messages->show(QStringLiteral("작업내용을 저장 하시겠습니까?"),
                                         QStringLiteral("저장 할까요?"), Buttons::OkCancel, Icon::None) == Answer::Ok;
        if (saved) {
            // Another program (an import) may have stored an event under the new number meanwhile:
            // then the new event takes the next free one.
            if (m_mode == Mode::New) {
                const QVariant id = event.field("ID");
                if (event.store()
                        .scalar(QStringLiteral("SELECT count(*) FROM Datebook WHERE ID = ?"), {id})
                        .toLongLong() > 0)
                    event.setField("ID", nextId(event.store(), RecordKind::Events));
            }
            m_storedId = event.field("ID").toLongLong();
            event.update();
        } else {
            event.cancelUpdate();
        }
    } catch (const StoreError &error) {
        // The event could not be stored (the store went read-only, another program took its ID):
        // the window stays open with everything the user typed, so nothing is lost.
        reportStoreProblem(m_context.messages, error);
        return;
    }
    finish(saved ? EditEnd::Stored : EditEnd::NotStored);
}

void EventWindow::cancel()
{
    if (m_event.isOpen() && m_event.recordset().editing())
        m_event.recordset().cancelUpdate();
    finish(EditEnd::Cancelled);
}

void EventWindow::abandon()
{
    // A record begun new or put into editing is dropped.
    if (m_event.isOpen() && m_event.recordset().editing())
        m_event.recordset().cancelUpdate();
    m_calendar->hide();
    if (!m_closing)
        hide();
}

void EventWindow::finish(EditEnd end)
{
    m_calendar->hide();
    if (!m_closing)
        hide();
    reportFinished(end);
}

void EventWindow::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        // Escape closes the month calendar first, then does what "취소" does.
        if (m_calendar->isVisible())
            m_calendar->hide();
        else
            cancel();
        event->accept();
        return;
    }
    QWidget::keyPressEvent(event);
}

void EventWindow::closeEvent(QCloseEvent *event)
{
    // Closed by its frame: as "취소", and the list must not stay disabled behind it.
    m_closing = true;
    if (isVisible())
        cancel();
    m_closing = false;
    QWidget::closeEvent(event);
}

} // namespace pimdesk
