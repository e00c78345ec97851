#include "shell/ListWindow.h"

#include "records/Messages.h"
#include "records/StoreError.h"
#include "shell/Geometry.h"
#include "shell/ProgramContext.h"
#include "shell/RecordGrid.h"
#include "records/Kinds.h"
#include "records/RecordIds.h"
#include "records/Store.h"
#include "shell/StoreProblem.h"
#include "shell/WindowRegistry.h"

#include <QCloseEvent>
#include <QMdiArea>
#include <QMdiSubWindow>

namespace pimdesk {

ListWindow::ListWindow(RecordKind kind, QWidget *parent) : QWidget(parent), m_kind(kind)
{
    m_record.setParent(this);
}

ListWindow::ListWindow(RecordKind kind, ProgramContext &context, QWidget *parent)
    : QWidget(parent), m_kind(kind), m_context(&context)
{
    m_record.setParent(this);
}

ListWindow::~ListWindow()
{
    // An editor outlives its list only while the main window takes its windows down.
    if (RecordEditor *e = dynamic_cast<RecordEditor *>(m_editorWidget.data()); e && e->host() == this)
        e->setHost(nullptr);
}

void ListWindow::open(const QString &databasePath, const QString &recordSource)
{
    DataSource &source = dataSource();
    source.setDatabaseName(databasePath);
    source.setRecordSource(recordSource);
    m_nextRow = NextRow::First;
    source.refresh();
}

void ListWindow::setGrid(RecordGrid *grid, int questionColumn)
{
    m_grid = grid;
    m_questionColumn = questionColumn;
    connect(grid->selectionModel(), &QItemSelectionModel::currentRowChanged, this, [this](const QModelIndex &current) {
        if (current.isValid())
            m_lastRow = current.row();
    });
    // Connected after the grid's own model, so the rows are there when this runs.
    connect(&dataSource(), &DataSource::refreshed, this, &ListWindow::placeAfterReread);
    connect(grid, &RecordGrid::headerClicked, this, &ListWindow::sortByColumn);
    connect(grid, &RecordGrid::deletePressed, this, &ListWindow::deleteRecord);
}

bool ListWindow::sortByColumn(int column)
{
    DataSource &source = dataSource();
    if (!source.isOpen())
        return false;
    const QString field = source.recordset().fieldNames().value(column);
    if (field.isEmpty())
        return false;
    const SortOrder shown = source.recordset().sortOrder();
    const bool descending = shown.field.compare(field, Qt::CaseInsensitive) == 0 && !shown.descending;
    const SortOrder before = source.sortOrder();
    source.setSortOrder({field, descending});
    m_nextRow = NextRow::First;
    try {
        source.refresh();
        return true;
    } catch (const StoreError &error) {
        source.setSortOrder(before);
        m_nextRow = NextRow::Kept;
        reportStoreProblem(m_context ? m_context->messages : nullptr, error);
        return false;
    }
}

void ListWindow::placeAfterReread()
{
    const int rows = m_grid->gridModel().rowCount();
    int row = 0;
    if (m_nextRow != NextRow::First && m_lastRow >= 0)
        row = std::min(m_lastRow, rows - 1);
    // The record just stored becomes current wherever the list's order puts it (a new one joins its
    // table at the end; one whose sort field changed, or any in a sorted list, is looked up); a list
    // that does not show it keeps its row.
    if (m_nextRow == NextRow::StoredRecord && rows > 0) {
        if (m_grid->gridModel().cellText(rows - 1, idColumn).trimmed() == QString::number(m_storedId)) {
            row = rows - 1;
        } else {
            try {
                RecordSet &records = dataSource().recordset();
                if (records.findFirst(QStringLiteral("ID = ") + QString::number(m_storedId)))
                    row = records.position();
            } catch (const StoreError &) {
                // Not found: the list stays on the row it was on.
            }
        }
    }
    m_nextRow = NextRow::Kept;
    m_lastRow = -1;
    m_grid->setCurrentCell(row, idColumn);
    if (m_grid->currentIndex().isValid())
        m_grid->scrollTo(m_grid->currentIndex());
}

qint64 ListWindow::currentId() const
{
    if (!m_grid)
        return 0;
    bool ok = false;
    const qint64 id = m_grid->currentRowText(idColumn).trimmed().toLongLong(&ok);
    return ok ? id : 0;
}

void ListWindow::reload()
{
    DataSource &source = dataSource();
    if (!source.isOpen())
        return;
    source.refresh();
}

bool ListWindow::showRecordSource(const QString &recordSource)
{
    DataSource &source = dataSource();
    const QString shown = source.recordSource();
    if (m_context)
        source.setDatabaseName(m_context->storePath);
    source.setRecordSource(recordSource);
    m_nextRow = NextRow::First;
    try {
        source.refresh();
        return true;
    } catch (const StoreError &error) {
        source.setRecordSource(shown);
        m_nextRow = NextRow::Kept;
        reportStoreProblem(m_context ? m_context->messages : nullptr, error);
        return false;
    }
}

void ListWindow::bringToFront()
{
    if (!isVisible())
        return;
    if (QMdiSubWindow *frame = mdiFrame(this)) {
        frame->raise();
        if (frame->mdiArea())
            frame->mdiArea()->setActiveSubWindow(frame);
    } else {
        raise();
        activateWindow();
    }
}

RecordEditor *ListWindow::editor()
{
    if (!m_context || !m_context->windows || m_editorWindow.isEmpty())
        return nullptr;
    QWidget *window = m_context->windows->window(m_editorWindow);
    auto *e = dynamic_cast<RecordEditor *>(window);
    if (!e)
        return nullptr;
    m_editorWidget = window;
    e->setHost(this);
    return e;
}

RecordEditor *ListWindow::loadedEditor() const
{
    if (!m_context || !m_context->windows || !m_context->windows->isLoaded(m_editorWindow))
        return nullptr;
    return const_cast<ListWindow *>(this)->editor();
}

void ListWindow::abandonEditor()
{
    if (RecordEditor *e = loadedEditor())
        e->abandon();
    m_editing = false;
    m_creating = false;
}

QStringList ListWindow::openWindows() const
{
    QStringList open;
    if (!m_context || !m_context->windows)
        return open;
    WindowRegistry &windows = *m_context->windows;
    const auto shown = [&windows](const QString &name) {
        return !name.isEmpty() && windows.isLoaded(name) && windows.window(name)->isVisible();
    };
    // The editor counts while it holds a record, shown or not (its frame minimized, say).
    if (!m_editorWindow.isEmpty() && ((m_editing && windows.isLoaded(m_editorWindow)) || shown(m_editorWindow)))
        open << m_editorWindow;
    for (const QString &name : m_ownWindows)
        if (shown(name))
            open << name;
    return open;
}

bool ListWindow::fetchRecord(qint64 id)
{
    m_record.setDatabaseName(m_context->storePath);
    m_record.setRecordSource(recordByIdSql(m_kind, id));
    m_record.refresh();
    const RecordSet &record = m_record.recordset();
    return !(record.bof() && record.eof());
}

void ListWindow::newRecord()
{
    RecordEditor *e = editor();
    if (!e)
        return;
    setEnabled(false);
    try {
        prepareNewRecord();
        m_newId = nextId(*Store::shared(m_context->storePath), m_kind);
        m_creating = true;
        e->beginNew(m_newId);
        m_editing = true;
    } catch (const StoreError &error) {
        m_creating = false;
        reportStoreProblem(m_context->messages, error);
        setEnabled(true);
    }
}

void ListWindow::editRecord()
{
    if (!m_context || !m_grid || m_grid->currentRow() < 0)
        return;
    const qint64 id = currentId();
    try {
        // A record gone from the store since the list was read is not opened: nothing happens.
        if (!fetchRecord(id))
            return;
        RecordEditor *e = editor();
        if (!e)
            return;
        m_creating = false;
        if (e->beginEdit(id)) {
            m_editing = true;
            setEnabled(false);
        }
    } catch (const StoreError &error) {
        reportStoreProblem(m_context->messages, error);
    }
}

void ListWindow::deleteRecord()
{
    // With no row there is nothing to ask about.
    if (!m_context || !m_grid || m_grid->currentRow() < 0)
        return;
    const QString shown = m_grid->currentRowText(m_questionColumn);
    if (m_context->messages->show(shown, QStringLiteral("정말로 삭제 하시겠습니까?"), Buttons::OkCancel, Icon::None) !=
        Answer::Ok)
        return;
    const qint64 id = currentId();
    try {
        // A record gone by now: nothing to delete, nothing to say.
        if (!fetchRecord(id))
            return;
        m_record.recordset().remove();
        reload();
    } catch (const StoreError &error) {
        reportStoreProblem(m_context->messages, error);
    }
}

void ListWindow::editorFinished(EditEnd end)
{
    if (end == EditEnd::Stored) {
        const RecordEditor *e = loadedEditor();
        const qint64 stored = e && e->storedId() != 0 ? e->storedId() : m_creating ? m_newId : 0;
        if (stored != 0) {
            m_nextRow = NextRow::StoredRecord;
            m_storedId = stored;
        }
        try {
            reload();
        } catch (const StoreError &error) {
            m_nextRow = NextRow::Kept;
            reportStoreProblem(m_context ? m_context->messages : nullptr, error);
        }
    }
    m_creating = false;
    m_editing = false;
    setEnabled(true);
    if (end == EditEnd::Cancelled)
        bringToFront();
}

void ListWindow::closeList()
{
    hide();
    emit closed();
}

void ListWindow::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

} // namespace pimdesk
