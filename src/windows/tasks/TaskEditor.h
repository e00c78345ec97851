#pragma once

#include "records/DataSource.h"
#include "shell/FieldBinding.h"
#include "shell/RecordEditor.h"

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
struct ProgramContext;

// The task editor (SUB3_2): one task in plain controls on two pages, "Task" and "Notes". The task
// list opens it on a new task or a stored one, which the editor holds until it is done; saving
// writes every field into that record, asks, and stores it. A month calendar (MonthView1) sets the
// due, start and completion dates.
class TaskEditor : public QWidget, public RecordEditor
{
    Q_OBJECT
public:
    enum class Mode { New, Edit };
    // Which date button opened the calendar (Com_no): 1 due, 2 start, 3 completion, 0 none yet.
    enum CalendarTarget : qint16 { NoDate = 0, DueDate = 1, StartDate = 2, CompletionDate = 3 };

    explicit TaskEditor(ProgramContext &context, QWidget *parent = nullptr);

    // A new task ("새 작업") or a stored one ("작업 편집"), shown at the top left of the work area.
    void beginNew(qint64 id) override;
    bool beginEdit(qint64 id) override;
    void abandon() override;

    qint16 calendarTarget() const { return m_comNo; }

protected:
    // Closing the editor by its frame abandons the task, as its cancel command does.
    void closeEvent(QCloseEvent *event) override;
    // Escape is the cancel command; with the calendar open it closes only the calendar.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void bindFields();
    // Shows a task's fields in the controls.
    void fill(const RecordSet &task);
    void present(Mode mode);
    void save();
    void cancel();
    void applyStatusRules(const QString &status);
    void step(int direction);
    void openCalendar(CalendarTarget target);
    void pickDate(const QDate &date);
    void hideCalendarUnlessFocused(QWidget *now);
    void finish(EditEnd end);
    QPushButton *dateButton(CalendarTarget target) const;
    QString notesText() const;

    ProgramContext &m_context;
    DataSource m_task;
    FieldBinding m_fields;
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
