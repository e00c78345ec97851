#pragma once

#include <QWidget>

class QComboBox;
class QLineEdit;

namespace pimdesk {

class ListWindow;

// The task search (Dialog1): priority, status and words in the description or notes. It makes the
// task list show the tasks that meet all of them, or all tasks. Hidden after use, it keeps its
// choices; closed by its frame, it is discarded and its next opening starts from the presets.
class TaskSearchDialog : public QWidget
{
    Q_OBJECT
public:
    explicit TaskSearchDialog(ListWindow &list, QWidget *parent = nullptr);

protected:
    void closeEvent(QCloseEvent *event) override;
    // Escape is the cancel command.
    void keyPressEvent(QKeyEvent *event) override;

private:
    void search();
    void showAll();
    void cancel();
    bool show(const QString &recordSource);

    ListWindow &m_list;
    QComboBox *m_priority;    // Combo1
    QComboBox *m_status;      // Combo2
    QLineEdit *m_description; // Text1
    QLineEdit *m_notes;       // Text2
};

} // namespace pimdesk
