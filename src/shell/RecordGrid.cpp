#include "shell/RecordGrid.h"

#include "records/StoreText.h"

#include "records/DataSource.h"
#include "records/Schema.h"
#include "records/StoreError.h"
#include "shell/Geometry.h"

#include <QHeaderView>
#include <QKeyEvent>

namespace pimdesk {

RecordGridModel::RecordGridModel(DataSource &source, QObject *parent) : QAbstractTableModel(parent), m_source(&source)
{
    connect(&source, &DataSource::refreshed, this, &RecordGridModel::reload);
    // A model over a data source that goes away shows nothing rather than reading a dead record set.
    connect(&source, &QObject::destroyed, this, &RecordGridModel::reload);
    reload();
}

void RecordGridModel::reload()
{
    beginResetModel();
    if (m_source && m_source->isOpen()) {
        RecordSet &records = m_source->recordset();
        m_rows = records.recordCount();
        m_columns = int(records.fieldNames().size());
    } else {
        m_rows = 0;
        m_columns = 0;
    }
    endResetModel();
}

int RecordGridModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_rows;
}

int RecordGridModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QString RecordGridModel::cellText(int row, int column) const
{
    if (!m_source || !m_source->isOpen() || row < 0 || row >= m_rows || column < 0 || column >= m_columns)
        return QString();
    // The record set may have lost records since the last reset (deleted through it); read only
    // what it still holds. A store that fails under a running view (its file or table changed by
    // another program) shows empty cells: painting must never throw through the event loop.
    QVector<QVariant> values;
    try {
        values = m_source->recordset().rowValues(row);
    } catch (const StoreError &) {
        return QString();
    }
    // The store keeps text as the handheld's documents do ("&amp;", "&quot;"); people see the
    // characters.
    const QVariant value = values.value(column);
    if (m_formatter)
        return plainFromStoreText(m_formatter(column, value));
    return value.isNull() ? QString() : plainFromStoreText(value.toString());
}

int RecordGridModel::sortColumn() const
{
    if (!m_source || !m_source->isOpen())
        return -1;
    const SortOrder &sort = m_source->recordset().sortOrder();
    return sort.isEmpty() ? -1 : m_source->recordset().fieldIndex(sort.field);
}

bool RecordGridModel::sortDescending() const
{
    return m_source && m_source->isOpen() && m_source->recordset().sortOrder().descending;
}

QVariant RecordGridModel::data(const QModelIndex &index, int role) const
{
    if (!index.isValid() || (role != Qt::DisplayRole && role != Qt::ToolTipRole))
        return QVariant();
    return cellText(index.row(), index.column());
}

QVariant RecordGridModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole)
        return QVariant();
    if (orientation == Qt::Vertical)
        return QVariant();
    if (m_headerTexts.contains(section))
        return m_headerTexts.value(section);
    if (m_source && m_source->isOpen())
        return m_source->recordset().fieldNames().value(section);
    return QVariant();
}

void RecordGridModel::setHeaderText(int column, const QString &text)
{
    m_headerTexts.insert(column, text);
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void RecordGridModel::setFormatter(Formatter formatter)
{
    m_formatter = std::move(formatter);
    if (m_rows > 0 && m_columns > 0)
        emit dataChanged(index(0, 0), index(m_rows - 1, m_columns - 1));
}

RecordGrid::RecordGrid(DataSource &source, QWidget *parent)
    : QTableView(parent), m_model(new RecordGridModel(source, this))
{
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    // Fixed row heights: the view never measures rows it does not show, so 100,000 rows cost
    // nothing until they are scrolled to.
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    verticalHeader()->hide();
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setSectionsClickable(true);
    connect(m_model, &QAbstractItemModel::modelReset, this, &RecordGrid::applyWidths);
    connect(m_model, &QAbstractItemModel::modelReset, this, &RecordGrid::showSortOrder);
    connect(this, &QAbstractItemView::doubleClicked, this, [this](const QModelIndex &index) {
        if (index.isValid())
            emit rowChosen(index.row());
    });
    // The header turns its indicator on a click by itself; it shows the order the rows have once
    // the click is handled (the same order when the store could not sort them).
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this, [this](int column) {
        emit headerClicked(column);
        showSortOrder();
    });
    showSortOrder();
}

void RecordGrid::keyPressEvent(QKeyEvent *event)
{
    const bool plain = (event->modifiers() & ~Qt::KeypadModifier) == Qt::NoModifier;
    if (plain && currentRow() >= 0) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            emit rowChosen(currentRow());
            event->accept();
            return;
        case Qt::Key_Delete:
            emit deletePressed();
            event->accept();
            return;
        default:
            break;
        }
    }
    QTableView::keyPressEvent(event);
}

void RecordGrid::showSortOrder()
{
    QHeaderView *header = horizontalHeader();
    const int column = m_model->sortColumn();
    header->setSortIndicatorShown(column >= 0);
    if (column >= 0)
        header->setSortIndicator(column, m_model->sortDescending() ? Qt::DescendingOrder : Qt::AscendingOrder);
}

void RecordGrid::setColumnWidthTwips(int column, int twips)
{
    m_widthsTwips.insert(column, twips);
    applyWidths();
}

namespace {

bool isBookkeepingColumn(const QString &field)
{
    for (const schema::AddedColumn &added : schema::addedColumns())
        if (added.name.compare(field, Qt::CaseInsensitive) == 0)
            return true;
    return false;
}

} // namespace

void RecordGrid::applyWidths()
{
    // Columns the store keeps for its own bookkeeping (an item's identity in other programs' files)
    // are no fields of the record: the lists never show them.
    for (int column = 0; column < m_model->columnCount(); ++column) {
        const QString field = m_model->headerData(column, Qt::Horizontal).toString();
        if (!m_widthsTwips.contains(column))
            setColumnHidden(column, isBookkeepingColumn(field));
    }
    for (auto it = m_widthsTwips.cbegin(); it != m_widthsTwips.cend(); ++it) {
        if (it.value() <= 0) {
            setColumnHidden(it.key(), true);
        } else {
            setColumnHidden(it.key(), false);
            setColumnWidth(it.key(), twipsToPixels(it.value(), this));
        }
    }
}

void RecordGrid::setCurrentCell(int row, int column)
{
    if (row < 0 || row >= m_model->rowCount() || column < 0 || column >= m_model->columnCount())
        return;
    setCurrentIndex(m_model->index(row, column));
}

int RecordGrid::currentRow() const
{
    const QModelIndex index = currentIndex();
    return index.isValid() ? index.row() : -1;
}

QString RecordGrid::currentRowText(int column) const
{
    return m_model->cellText(currentRow(), column);
}

} // namespace pimdesk
