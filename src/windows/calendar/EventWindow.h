#pragma once

#include "records/DataSource.h"
#include "shell/FieldBinding.h"
#include "shell/RecordEditor.h"

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace pimdesk {

class RecordSet;
struct ProgramContext;

// The event window (SUB4_2): one event's fields on the tab "Event", for reading only. Events are
// made and changed by the imports; nothing typed here reaches the store. Both of its buttons, and
// closing it by its frame, hide it and hand the calendar list that opened it back to the user.
class EventWindow : public QWidget, public RecordEditor
{
    Q_OBJECT
public:
    explicit EventWindow(ProgramContext &context, QWidget *parent = nullptr);

    // The stored event with that ID, shown at the top left of the work area.
    bool beginEdit(qint64 id) override;
    // An event not stored yet, numbered id: the boxes show an empty event.
    void beginNew(qint64 id) override;
    void abandon() override;

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    // Shows the current record of a Datebook record set (a null field shows empty).
    void fill(const RecordSet &event);
    void present();
    void finish();

    ProgramContext &m_context;
    DataSource m_event;
    FieldBinding m_fields;
    QComboBox *m_description;
    QComboBox *m_location;
    QPushButton *m_start;
    QPushButton *m_end;
    QCheckBox *m_allDay;
    QComboBox *m_timeZone;
    QComboBox *m_alarm;
    QComboBox *m_repeat;
    QPlainTextEdit *m_note;
};

} // namespace pimdesk
