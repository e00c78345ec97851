#pragma once

#include <QWidget>

class QCalendarWidget;
class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;
class QToolButton;

namespace pimdesk {

class RecordSet;
class TaskListWindow;
struct ProgramContext;

// The task editor (SUB3_2): one task in plain controls on two pages, "Task" and "Notes". The task
// list fills it and owns the record it writes to; saving writes every field into that record,
// asks, and stores it. A month calendar (MonthView1) sets the due, start and completion dates.
class TaskEditor : public QWidget
{
    Q_OBJECT
public:
    enum class Mode { New, Edit };
    // Which date button opened the calendar (Com_no): 1 due, 2 start, 3 completion, 0 none yet.
    enum CalendarTarget : qint16 { NoDate = 0, DueDate = 1, StartDate = 2, CompletionDate = 3 };

    TaskEditor(TaskListWindow &list, ProgramContext &context, QWidget *parent = nullptr);

    // Puts the controls into the state of a new task and shows the editor.
    void beginNew();
    // Fills the controls from a stored task (the editor is shown by present()).
    void fill(const RecordSet &task);
    // Shows the editor at the top left of the work area with the caption of the mode.
    void present(Mode mode);

    qint16 calendarTarget() const { return m_comNo; }

protected:
    // Closing the editor by its frame abandons the task, as its cancel command does.
    void closeEvent(QCloseEvent *event) override;

private:
    void save();
    void cancel();
    void applyStatusRules(const QString &status);
    void step(int direction);
    void openCalendar(CalendarTarget target);
    void pickDate(const QDate &date);
    void hideCalendarUnlessFocused(QWidget *now);
    void finish();
    QPushButton *dateButton(CalendarTarget target) const;
    QString notesText() const;

    TaskListWindow &m_list;
    ProgramContext &m_context;
    QTabWidget *m_tabs;
    QLineEdit *m_description; // Text1
    QComboBox *m_priority;    // Combo1
    QComboBox *m_status;      // Combo2
    QLineEdit *m_percent;     // Text2
    QWidget *m_spinner;       // UpDown1
    QToolButton *m_up;
    QToolButton *m_down;
    QCheckBox *m_due;            // Check1
    QPushButton *m_dueDate;      // Command3
    QPushButton *m_startDate;    // Command4
    QPushButton *m_doneDate;     // Command5
    QComboBox *m_category;       // Combo3
    QPlainTextEdit *m_notes;     // Text3
    QCalendarWidget *m_calendar; // MonthView1
    QString m_storedNotes;
    qint16 m_comNo = NoDate;
    bool m_closing = false;
};

} // namespace pimdesk
