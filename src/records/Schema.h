#pragma once

#include <QString>
#include <QStringList>

namespace pimdesk {

// The three tables of the record store, their fields in stored order.
// Every field is text except ID, a 64-bit integer that identifies the record in its table.
struct TableSchema
{
    QString name;
    QStringList fields;
};

namespace schema {

const TableSchema &contacts();
const TableSchema &datebook();
const TableSchema &todo();
const QList<const TableSchema *> &tables();

// The table whose name matches (any letter case), or nullptr.
const TableSchema *table(const QString &name);

// Fields that hold dates and times as "yyyy-MM-dd HH:mm:ss" text.
bool isDateTimeField(const QString &table, const QString &field);
// Whether the store's index on the field keeps it newest first (an event's start, as the calendar
// list shows it), records equal in it in stored order.
bool indexedDescending(const QString &table, const QString &field);

// "CREATE TABLE ..." and index statements for one table.
QStringList createStatements(const TableSchema &table);

// Indexes that stores made by earlier versions lack: opening a store adds any that are missing.
QStringList addedIndexStatements();

// Columns that later versions added to the tables, after the stored fields (a new store has them in
// the same place as an older store that opening has brought up to date). They are no fields of the
// handheld's documents, nor of the lists' fixed columns: the code that walks a table's fields walks
// TableSchema::fields and never meets them.
struct AddedColumn
{
    QString table;
    QString name;
};
const QList<AddedColumn> &addedColumns();
QStringList addedColumnNames(const QString &table);
// The statement that adds one to a store that lacks it.
QString addColumnStatement(const AddedColumn &column);
// The columns of a table that hold another program's identity of a record (Outlook's, an added
// column's), and the index of one: of the records that have one.
QStringList identityColumns(const QString &table);
QString identityIndexStatement(const QString &table, const QString &column);

// The identity an item of another program's file (a vCard's or an iCalendar component's UID) had,
// kept beside the record it became, so that the next import of that item updates the record.
inline constexpr char foreignUidColumn[] = "foreign_uid";

// The text form in which dates and times are stored.
inline constexpr const char *dateTimeFormat = "yyyy-MM-dd HH:mm:ss";

} // namespace schema
} // namespace pimdesk
