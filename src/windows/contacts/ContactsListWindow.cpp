#include "windows/contacts/ContactsListWindow.h"

#include "shell/ListWindowBar.h"
#include "shell/ProgramContext.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"
#include "windows/contacts/ContactsWindows.h"

#include <QAction>
#include <QEvent>
#include <QMenu>
#include <QStyle>
#include <QVBoxLayout>

namespace pimdesk {

namespace {

struct ColumnLayout
{
    int column;
    int widthTwips;
    const char *header; // null: the field name stays
};

constexpr ColumnLayout columnLayout[] = {
    {0, 0, nullptr},         {1, 0, nullptr},         {2, 3000, "이름"},
    {3, 1900, "집전화번호"}, {4, 1900, "핸드폰번호"}, {5, 1900, "회사전화번호"},
};

} // namespace

ContactsListWindow::ContactsListWindow(ProgramContext &context, QWidget *parent)
    : ListWindow(RecordKind::Contacts, context, parent), m_context(context)
{
    setEditorWindow(QString::fromLatin1(windowNames::contactEditor));
    addOwnWindow(QString::fromLatin1(windowNames::contactSearch));
    setWindowTitle(QStringLiteral("연락처관리"));
    m_data.setObjectName("Data1");
    m_data.setParent(this);

    buildGrid();
    buildButtons();
    buildMenu();

    // Load: the whole table, first row current, the columns laid out.
    m_data.setDatabaseName(m_context.storePath);
    m_data.setRecordSource(QStringLiteral("Contacts"));
    m_data.refresh();
    for (const ColumnLayout &c : columnLayout) {
        m_grid->setColumnWidthTwips(c.column, c.widthTwips);
        if (c.header)
            m_grid->gridModel().setHeaderText(c.column, QString::fromUtf8(c.header));
    }
}

void ContactsListWindow::buildGrid()
{
    m_grid = new RecordGrid(m_data, this);
    m_grid->setObjectName("MSFlexGrid1");
    connect(m_grid, &RecordGrid::rowChosen, this, [this] { editContact(); });
    // The delete question names the contact by its display name.
    setGrid(m_grid, nameColumn);
}

void ContactsListWindow::buildButtons()
{
    const QList<ListCommand> entries = {
        {"Command1", "새로운연락처", QStyle::SP_FileIcon, [this] { newContact(); }},
        {"Command2", "편집", QStyle::SP_FileDialogDetailedView, [this] { editContact(); }},
        {"Command3", "지우기", QStyle::SP_TrashIcon, [this] { deleteContact(); }},
        {"Command4", "검색", QStyle::SP_FileDialogContentsView, [this] { searchContacts(); }},
        {"Command5", "종료", QStyle::SP_DialogCloseButton, [this] { closeWindows(); }},
    };
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(makeListBar(this, m_context, entries));
    layout->addWidget(m_grid, 1);
}

void ContactsListWindow::buildMenu()
{
    m_menu = new QMenu(QStringLiteral("연락처"), this);
    m_menu->setObjectName("MENU_MAIN");
    const auto add = [this](const char *name, const char *caption, void (ContactsListWindow::*command)()) {
        QAction *action = m_menu->addAction(QString::fromUtf8(caption));
        action->setObjectName(name);
        connect(action, &QAction::triggered, this, command);
    };
    add("MENU_NEW", "새로운연락처(New)", &ContactsListWindow::newContact);
    add("MENU_EDIT", "수정(Edit)", &ContactsListWindow::editContact);
    add("MENU_DELETE", "삭제(Delete)", &ContactsListWindow::deleteContact);
    add("MENU_FIND", "검색(Find)", &ContactsListWindow::searchContacts);
    m_menu->addSeparator()->setObjectName("MENU_LINE");
    // Exit hides only the list; an open editor or search stays.
    QAction *exit = m_menu->addAction(QStringLiteral("닫기(Exit)"));
    exit->setObjectName("MENU_EXIT");
    connect(exit, &QAction::triggered, this, [this] { closeList(); });
}

QList<QMenu *> ContactsListWindow::ownMenus() const
{
    return {m_menu};
}

void ContactsListWindow::changeEvent(QEvent *event)
{
    // A disabled list takes no commands from its menu either.
    if (event->type() == QEvent::EnabledChange && m_menu)
        m_menu->setEnabled(isEnabled());
    ListWindow::changeEvent(event);
}

void ContactsListWindow::prepareNewRecord()
{
    // The list shows the contacts in ID order while a new one is made; saved, it is the last row.
    open(m_context.storePath, QStringLiteral("SELECT * FROM Contacts ORDER BY ID"));
}

void ContactsListWindow::newContact()
{
    newRecord();
}

void ContactsListWindow::editContact()
{
    editRecord();
}

void ContactsListWindow::deleteContact()
{
    deleteRecord();
}

void ContactsListWindow::searchContacts()
{
    if (!m_context.windows || !m_context.windows->showWindow(windowNames::contactSearch))
        return;
    setEnabled(false);
}

void ContactsListWindow::closeWindows()
{
    abandonEditor();
    if (WindowRegistry *windows = m_context.windows) {
        if (windows->isLoaded(windowNames::contactSearch))
            windows->window(windowNames::contactSearch)->hide();
    }
    closeList();
}

} // namespace pimdesk
