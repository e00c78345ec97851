#pragma once

#include "records/DataSource.h"
#include "shell/ListWindow.h"

class QMenu;

namespace pimdesk {

class ContactEditor;
class RecordGrid;
struct ProgramContext;

// SUB2_1, "연락처관리": the working window of the Contacts table. A grid of the contacts (Data1,
// MSFlexGrid1) with buttons to create, edit, delete and search them and to close the list; two
// pictures open the import from and the export to the handheld. While it is the active window its
// menu "연락처" takes the place of the main window's menus.
class ContactsListWindow : public ListWindow
{
    Q_OBJECT
public:
    // The load step: connects Data1 to the store with the whole table. Throws StoreError.
    explicit ContactsListWindow(ProgramContext &context, QWidget *parent = nullptr);

    DataSource &dataSource() override { return m_data; }
    QList<QMenu *> ownMenus() const override;
    RecordGrid &grid() const { return *m_grid; }

    // The commands of the buttons and the menu.
    void newContact();
    void editContact();
    void deleteContact();
    void searchContacts();
    void closeWindows();

protected:
    void changeEvent(QEvent *event) override;

private:
    void buildGrid();
    void buildButtons();
    void buildMenu();
    // The identifier in column 0 of the current row; a blank or non-numeric cell reads as 0.
    qint64 currentId() const;
    ContactEditor *editor() const;
    // Runs a command; a store that fails on the way is reported and the list is usable again.
    void guarded(const std::function<void()> &command);
    void keepPlaceAfterReread();

    ProgramContext &m_context;
    DataSource m_data;
    RecordGrid *m_grid = nullptr;
    QMenu *m_menu = nullptr;
    QString m_shownSource;
    int m_lastRow = -1;
    // A new contact is being made: once saved it is the last in ID order, and the list goes to it.
    bool m_goToNewContact = false;
};

} // namespace pimdesk
