#pragma once

#include <QWidget>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;

namespace pimdesk {

class ListWindowsHost;
class RecordSet;

// The event window (SUB4_2): one event's fields on the tab "Event", for reading only. Events are
// made and changed by the imports; nothing typed here reaches the store. Both of its buttons, and
// closing it by its frame, hide it and enable the calendar list that opened it.
class EventWindow : public QWidget
{
    Q_OBJECT
public:
    explicit EventWindow(ListWindowsHost *lists, QWidget *parent = nullptr);

    // Shows the current record of a Datebook record set (a null field shows empty).
    void fill(const RecordSet &event);

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    void finish();

    ListWindowsHost *m_lists;
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
