#pragma once

#include "records/DataSource.h"
#include "shell/ListWindow.h"

class QMenu;

namespace pimdesk {

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

    // The commands of the buttons and the menu.
    void newContact();
    void editContact();
    void deleteContact();
    void searchContacts();
    void closeWindows();

    // The grid's column of the display name.
    static constexpr int nameColumn = 2;

protected:
    void changeEvent(QEvent *event) override;
    void prepareNewRecord() override;

private:
    void buildGrid();
    void buildButtons();
    void buildMenu();

    ProgramContext &m_context;
    DataSource m_data;
    RecordGrid *m_grid = nullptr;
    QMenu *m_menu = nullptr;
};

} // namespace pimdesk
