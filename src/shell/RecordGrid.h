#pragma once

#include "records/DataSource.h"

#include <QAbstractTableModel>
#include <QPointer>
#include <QTableView>
#include <functional>

namespace pimdesk {

// The rows of a data source for a grid: one row per record of its record set, one column per field
// in the record source's field order. Values are read from the record set only for the rows a view
// asks for (the record set reads them in blocks and keeps one block), so a table of any size opens
// at once and scrolling to its end never holds the whole table in memory. The model follows the
// data source: every re-read resets it.
class RecordGridModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit RecordGridModel(DataSource &source, QObject *parent = nullptr);

    DataSource &dataSource() const { return *m_source; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

    // A header text in place of the field name.
    void setHeaderText(int column, const QString &text);
    // How a column's values read as text; by default a value's own text (null reads as empty).
    using Formatter = std::function<QString(int column, const QVariant &value)>;
    void setFormatter(Formatter formatter);

    // The text a cell shows ("" outside the set).
    QString cellText(int row, int column) const;
    // The column the rows are sorted by (-1: the record source's own order) and its direction.
    int sortColumn() const;
    bool sortDescending() const;

private:
    void reload();

    QPointer<DataSource> m_source;
    QHash<int, QString> m_headerTexts;
    Formatter m_formatter;
    int m_rows = 0;
    int m_columns = 0;
};

// A grid bound to a data source, in the manner of a bound flex grid: a header row of field names
// (or header texts), a current cell, and column widths given in twips (0 hides a column).
class RecordGrid : public QTableView
{
    Q_OBJECT
public:
    explicit RecordGrid(DataSource &source, QWidget *parent = nullptr);

    RecordGridModel &gridModel() const { return *m_model; }

    void setColumnWidthTwips(int column, int twips);
    // Makes a cell the current one (and selects its row); out-of-range cells are ignored.
    void setCurrentCell(int row, int column);
    // The current row, -1 when there is none.
    int currentRow() const;
    // The text of a column of the current row ("" when there is no current row).
    QString currentRowText(int column) const;

signals:
    // A row was chosen: double-clicked, or Enter pressed on the current row. Its list does its row
    // command (edit or view).
    void rowChosen(int row);
    // The Delete key on the current row.
    void deletePressed();
    // A column header was clicked (the list sorts by that column).
    void headerClicked(int column);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The header shows the data source's sort order (its field's column, its direction), or none.
    void showSortOrder();

    RecordGridModel *m_model;
    QHash<int, int> m_widthsTwips; // kept so that a model reset does not lose them
    void applyWidths();
};

} // namespace pimdesk
