#include "windows/contacts/ContactsListWindow.h"

#include "records/Messages.h"
#include "records/StoreError.h"
#include "shell/ListWindowBar.h"
#include "shell/ProgramContext.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"
#include "windows/contacts/ContactEditor.h"
#include "windows/contacts/ContactSearchDialog.h"
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
    : ListWindow(RecordKind::Contacts, parent), m_context(context)
{
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
    connect(m_grid, &RecordGrid::rowDoubleClicked, this, [this] { editContact(); });
    connect(m_grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) {
                if (current.isValid())
                    m_lastRow = current.row();
            });
    // Connected after the grid's own model, so the rows are there when this runs.
    connect(&m_data, &DataSource::refreshed, this, &ContactsListWindow::keepPlaceAfterReread);
}

void ContactsListWindow::keepPlaceAfterReread()
{
    // The same source read again (after a save, a delete or an exchange) keeps the row the user
    // was on; a new source (a search, New, an opening) starts at its first row.
    const int rows = m_grid->gridModel().rowCount();
    const bool sameSource = m_data.recordSource() == m_shownSource;
    m_shownSource = m_data.recordSource();
    int row = sameSource && m_lastRow >= 0 ? std::min(m_lastRow, rows - 1) : 0;
    if (sameSource && m_goToNewContact)
        row = rows - 1;
    m_lastRow = -1;
    m_grid->setCurrentCell(row, 0);
    if (m_grid->currentIndex().isValid())
        m_grid->scrollTo(m_grid->currentIndex());
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
    if (event->type() == QEvent::EnabledChange && m_menu) {
        m_menu->setEnabled(isEnabled());
        // The editor has finished (it re-read the list first if it saved).
        if (isEnabled())
            m_goToNewContact = false;
    }
    ListWindow::changeEvent(event);
}

ContactEditor *ContactsListWindow::editor() const
{
    return m_context.windows ? m_context.windows->windowAs<ContactEditor>(windowNames::contactEditor) : nullptr;
}

qint64 ContactsListWindow::currentId() const
{
    bool ok = false;
    const qint64 id = m_grid->currentRowText(0).trimmed().toLongLong(&ok);
    return ok ? id : 0;
}

void ContactsListWindow::guarded(const std::function<void()> &command)
{
    try {
        command();
    } catch (const StoreError &error) {
        setEnabled(true);
        if (m_context.messages)
            m_context.messages->show(error.message(), QString::fromUtf8(programTitle), Buttons::Ok, Icon::Critical);
    }
}

void ContactsListWindow::newContact()
{
    ContactEditor *contactEditor = editor();
    if (!contactEditor)
        return;
    guarded([&] {
        setEnabled(false);
        m_data.setDatabaseName(m_context.storePath);
        m_data.setRecordSource(QStringLiteral("SELECT * FROM Contacts ORDER BY ID"));
        m_data.refresh();
        RecordSet &records = m_data.recordset();
        qint64 id = 1;
        if (!(records.bof() && records.eof())) {
            records.moveLast();
            id = records.field("ID").toLongLong() + 1;
        }
        contactEditor->beginNew(id);
        m_goToNewContact = true;
    });
}

void ContactsListWindow::editContact()
{
    ContactEditor *contactEditor = editor();
    if (!contactEditor)
        return;
    m_grid->setCurrentCell(m_grid->currentRow(), 0);
    const qint64 id = currentId();
    guarded([&] {
        if (contactEditor->beginEdit(id))
            setEnabled(false);
    });
}

void ContactsListWindow::deleteContact()
{
    // With no row there is nothing to ask about.
    if (m_grid->currentRow() < 0)
        return;
    const QString name = m_grid->currentRowText(2);
    if (m_context.messages->show(name, QStringLiteral("정말로 삭제 하시겠습니까?"), Buttons::OkCancel, Icon::None) !=
        Answer::Ok)
        return;
    const qint64 id = currentId();
    ContactEditor *contactEditor = editor();
    if (!contactEditor)
        return;
    guarded([&] {
        if (contactEditor->deleteContact(id))
            m_data.refresh();
    });
}

void ContactsListWindow::searchContacts()
{
    if (!m_context.windows || !m_context.windows->showWindow(windowNames::contactSearch))
        return;
    setEnabled(false);
}

void ContactsListWindow::closeWindows()
{
    if (WindowRegistry *windows = m_context.windows) {
        if (windows->isLoaded(windowNames::contactEditor))
            editor()->abandon();
        if (windows->isLoaded(windowNames::contactSearch))
            windows->window(windowNames::contactSearch)->hide();
    }
    closeList();
}

} // namespace pimdesk
