#pragma once

#include "records/DataSource.h"
#include "shell/FieldBinding.h"
#include "shell/RecordEditor.h"
#include "windows/calendar/EventSchedule.h"

#include <QWidget>

class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QToolButton;

namespace pimdesk {

class RecordSet;
struct ProgramContext;

// The event window (SUB4_2): one event's fields on the tab "Event", in one of three modes.
// - Viewing ("일정 보기", the calendar list's "보기"): the stored event for reading; "확인" writes
//   nothing. "편집" (Command6) turns the shown event into an edit.
// - A new event ("새 일정", the list's "새로운 작업") and an edit ("일정 편집"): the date buttons
//   open a month calendar, the time boxes take "HH:mm" and step by a quarter of an hour, and the
//   alarm and repeat rule are chosen in full. "확인" checks what was typed, asks, writes the event
//   and hands the list back, which shows the saved event as its current row. An edit writes only
//   what the user changed, so what the window does not show (categories, the handheld's exceptions
//   and private data) stays as it was.
// "취소", Escape and closing the window by its frame leave the store as it was, in every mode.
class EventWindow : public QWidget, public RecordEditor
{
    Q_OBJECT
public:
    enum class Mode { View, New, Edit };

    explicit EventWindow(ProgramContext &context, QWidget *parent = nullptr);

    // The stored event with that ID, shown for reading at the top left of the work area.
    bool beginEdit(qint64 id) override;
    // A new event numbered id, ready to be typed in.
    void beginNew(qint64 id) override;
    void abandon() override;
    qint64 storedId() const override { return m_storedId; }

    Mode mode() const { return m_mode; }

protected:
    void closeEvent(QCloseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;

private:
    enum CalendarTarget { NoTarget, StartDate, EndDate, RepeatEndDate };

    void buildRepeatRow(QWidget *page);
    void bindFields();
    // Shows the current record of a Datebook record set: as stored for reading, or in the boxes of
    // the editing modes.
    void fillView(const RecordSet &event);
    void fillEditing(const RecordSet &event, const calendar::EventTimes &fallback);
    void present();
    void setMode(Mode mode);
    void startEditing();

    void save();
    void cancel();
    void finish(EditEnd end);
    // What the boxes hold, or nullopt after telling the user what cannot be stored.
    std::optional<calendar::EventTimes> typedTimes();
    std::optional<calendar::EventAlarm> typedAlarm();
    std::optional<calendar::EventRepeat> typedRepeat(const calendar::EventTimes &times);
    bool refuse(const QString &text);
    // The texts of each group of boxes as they are now, to tell which the user changed.
    QStringList timeTexts() const;
    QStringList alarmTexts() const;
    QStringList repeatTexts() const;

    void alarmChosen();
    void repeatChosen();
    void allDayToggled();
    void stepTime(QLineEdit *box, int minutes);
    void stepNumber(QLineEdit *box, int step, int lowest);
    void openCalendar(CalendarTarget target);
    void pickDate(const QDate &date);
    void hideCalendarUnlessFocused(QWidget *now);

    ProgramContext &m_context;
    DataSource m_event;
    FieldBinding m_fields;
    Mode m_mode = Mode::View;
    qint64 m_storedId = 0;
    bool m_closing = false;
    bool m_filling = false;
    bool m_noteHasCarriageReturns = false;

    QComboBox *m_description;      // Combo1
    QComboBox *m_location;         // Combo2
    QPushButton *m_start;          // Command3
    QLineEdit *m_startTime;        // Text2
    QWidget *m_startStep;          // UpDown1
    QPushButton *m_end;            // Command4
    QLineEdit *m_endTime;          // Text1
    QWidget *m_endStep;            // UpDown2
    QCheckBox *m_allDay;           // Check1
    QComboBox *m_timeZone;         // Combo3
    QComboBox *m_alarm;            // Combo4
    QLineEdit *m_alarmMinutes;     // Text3
    QWidget *m_alarmStep;          // UpDown3
    QComboBox *m_repeat;           // Combo5
    QWidget *m_repeatDetails;      // the interval, the weekdays and the end date
    QLineEdit *m_interval;         // Text5
    QWidget *m_intervalStep;       // UpDown4
    QList<QCheckBox *> m_weekdays; // Check2 (Monday) ... Check8 (Sunday)
    QPushButton *m_endDateButton;  // Command5
    QLineEdit *m_repeatEnd;        // Text6
    QPlainTextEdit *m_note;        // Text4
    QPushButton *m_editButton;     // Command6
    QCalendarWidget *m_calendar;   // MonthView1
    CalendarTarget m_calendarTarget = NoTarget;

    // What the groups showed when the event was put into the boxes.
    QStringList m_timesAtLoad;
    QStringList m_alarmAtLoad;
    QStringList m_repeatAtLoad;
    calendar::EventRepeat m_storedRepeat;
};

} // namespace pimdesk
