#pragma once

#include "records/search/ContactSearch.h"

#include <QWidget>

class QComboBox;
class QLineEdit;

namespace pimdesk {

struct ProgramContext;

// Dialog, "검색값을 입력 하세요": filters the contacts list by up to five criteria, or shows it whole
// again. Opened by the list, which stays disabled until the search is left.
class ContactSearchDialog : public QWidget
{
    Q_OBJECT
public:
    explicit ContactSearchDialog(ProgramContext &context, QWidget *parent = nullptr);

    ContactSearchCriteria criteria() const;

    // The buttons: search (OKButton), show all (Command2), cancel (Command1).
    void search();
    void showAll();
    void cancel();

protected:
    void closeEvent(QCloseEvent *event) override;
    // Escape is the cancel command.
    void keyPressEvent(QKeyEvent *event) override;

private:
    // Makes the record source the list's, then hands the list back to the user.
    void showInList(const QString &recordSource);
    void leave();

    ProgramContext &m_context;
    QComboBox *m_title = nullptr;
    QLineEdit *m_name = nullptr;
    QLineEdit *m_company = nullptr;
    QLineEdit *m_homeStreet = nullptr;
    QLineEdit *m_businessStreet = nullptr;
};

} // namespace pimdesk
