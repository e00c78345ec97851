#pragma once

#include <QWidget>

class QLineEdit;

namespace pimdesk {

struct ProgramContext;

// The calendar search (Dialog2): filters the calendar list by text in an event's description or
// note. Searching, showing all, cancelling and closing it by its frame all hide it and enable the
// list; the texts stay for the next search.
class CalendarSearchDialog : public QWidget
{
    Q_OBJECT
public:
    explicit CalendarSearchDialog(ProgramContext &context, QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
    // Escape is the cancel command.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void search();
    void showAll();
    void cancel();
    // Makes recordSource the list's; false (the list unchanged, the user told) when it cannot be read.
    bool showInList(const QString &recordSource);
    void backToList();

    ProgramContext &m_context;
    QLineEdit *m_description;
    QLineEdit *m_note;
};

} // namespace pimdesk
