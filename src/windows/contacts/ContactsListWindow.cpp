#include "windows/contacts/ContactsListWindow.h"

#include "records/Messages.h"
#include "records/StoreError.h"
#include "shell/ClickableLabel.h"
#include "shell/ProgramContext.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"
#include "windows/contacts/ContactEditor.h"
#include "windows/contacts/ContactSearchDialog.h"
#include "windows/contacts/ContactsWindows.h"

#include <QAction>
#include <QEvent>
#include <QHBoxLayout>
#include <QMenu>
#include <QPainter>
#include <QPainterPath>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

namespace pimdesk {

namespace {

// The handheld with an arrow into it (export) or out of it (import).
QPixmap devicePicture(bool toDevice, int side)
{
    QPixmap picture(side, side);
    picture.fill(Qt::transparent);
    QPainter p(&picture);
    p.setRenderHint(QPainter::Antialiasing);
    const qreal u = side / 32.0;
    p.setPen(QPen(QColor(0x33, 0x3d, 0x4f), 1.2 * u));
    p.setBrush(QColor(0x5a, 0x6b, 0x86));
    p.drawRoundedRect(QRectF(15 * u, 3 * u, 14 * u, 26 * u), 2.5 * u, 2.5 * u);
    p.setBrush(QColor(0xcf, 0xe8, 0xd2));
    p.drawRect(QRectF(17 * u, 6 * u, 10 * u, 12 * u));
    p.setBrush(QColor(0x33, 0x3d, 0x4f));
    p.drawEllipse(QPointF(22 * u, 23.5 * u), 2 * u, 2 * u);

    const QColor arrow = toDevice ? QColor(0xd0, 0x5a, 0x1e) : QColor(0x1e, 0x7d, 0x3a);
    QPainterPath path;
    const qreal y = 16 * u;
    if (toDevice) { // pointing right, into the device
        path.moveTo(2 * u, y - 2.5 * u);
        path.lineTo(8 * u, y - 2.5 * u);
        path.lineTo(8 * u, y - 6 * u);
        path.lineTo(14 * u, y);
        path.lineTo(8 * u, y + 6 * u);
        path.lineTo(8 * u, y + 2.5 * u);
        path.lineTo(2 * u, y + 2.5 * u);
    } else { // pointing left, out of it
        path.moveTo(14 * u, y - 2.5 * u);
        path.lineTo(8 * u, y - 2.5 * u);
        path.lineTo(8 * u, y - 6 * u);
        path.lineTo(2 * u, y);
        path.lineTo(8 * u, y + 6 * u);
        path.lineTo(8 * u, y + 2.5 * u);
        path.lineTo(14 * u, y + 2.5 * u);
    }
    path.closeSubpath();
    p.setPen(Qt::NoPen);
    p.setBrush(arrow);
    p.drawPath(path);
    return picture;
}

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
    struct ButtonEntry
    {
        const char *name;
        const char *caption;
        QStyle::StandardPixmap picture;
        void (ContactsListWindow::*command)();
    };
    const ButtonEntry entries[] = {
        {"Command1", "새로운연락처", QStyle::SP_FileIcon, &ContactsListWindow::newContact},
        {"Command2", "편집", QStyle::SP_FileDialogDetailedView, &ContactsListWindow::editContact},
        {"Command3", "지우기", QStyle::SP_TrashIcon, &ContactsListWindow::deleteContact},
        {"Command4", "검색", QStyle::SP_FileDialogContentsView, &ContactsListWindow::searchContacts},
        {"Command5", "종료", QStyle::SP_DialogCloseButton, &ContactsListWindow::closeWindows},
    };
    auto *buttons = new QHBoxLayout;
    for (const ButtonEntry &entry : entries) {
        auto *button = new QToolButton(this);
        button->setObjectName(entry.name);
        button->setText(QString::fromUtf8(entry.caption));
        button->setIcon(style()->standardIcon(entry.picture, nullptr, this));
        button->setIconSize(QSize(32, 32));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setMinimumWidth(84);
        connect(button, &QToolButton::clicked, this, entry.command);
        buttons->addWidget(button);
    }
    buttons->addStretch(1);

    struct PictureEntry
    {
        const char *name;
        const char *tooltip;
        bool toDevice;
        const char *window;
    };
    const PictureEntry pictures[] = {
        {"Image1", "Norvel(K7M)에서 가져오기", false, windowNames::importFromDevice},
        {"Image2", "Norvel(K7M)으로 내보내기", true, windowNames::exportToDevice},
    };
    for (const PictureEntry &entry : pictures) {
        auto *image = new ClickableLabel(this);
        image->setObjectName(entry.name);
        image->setToolTip(QString::fromUtf8(entry.tooltip));
        image->setPixmap(devicePicture(entry.toDevice, 48));
        image->setCursor(Qt::PointingHandCursor);
        const char *window = entry.window;
        connect(image, &ClickableLabel::clicked, this, [this, window] { openDeviceWindow(window); });
        buttons->addWidget(image);
    }

    auto *layout = new QVBoxLayout(this);
    layout->addLayout(buttons);
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

void ContactsListWindow::openDeviceWindow(const char *name)
{
    if (!m_context.windows || !m_context.windows->showWindow(QString::fromLatin1(name)))
        return;
    setEnabled(false);
}

} // namespace pimdesk
