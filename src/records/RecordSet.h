#pragma once

#include "records/JetSql.h"
#include "records/Store.h"

#include <QHash>
#include <QStringList>
#include <QVariant>
#include <QVector>
#include <memory>
#include <optional>

namespace pimdesk {

// An order chosen over a record source (a list's column header): one of its fields, ascending or
// descending. It takes the place of the source's own ORDER BY. Records equal in that field come in
// the order they were stored in one way and reversed the other way, so that the one order is the
// other's exact reverse: stored order ascending, except for a field the store keeps newest first
// (an event's start), whose equal records are in stored order newest first, as in the calendar.
struct SortOrder
{
    QString field;
    bool descending = false;

    bool isEmpty() const { return field.isEmpty(); }
    bool operator==(const SortOrder &) const = default;
};

// The records a record source selects, with a current record, in the manner of a dynaset:
// the membership and order are fixed when the set is read; the values are read from the store
// when they are needed, so a set of any size opens at once. Records added through the set join
// it at the end; records deleted through it leave it.
//
// Positions: -1 is before the first record (BOF), recordCount() is after the last (EOF); an
// empty set is at both at once. Field names are matched without regard to letter case.
class RecordSet
{
public:
    // A sort, when given, orders the set instead of the source's ORDER BY; the source is read as
    // it is otherwise. A field the table lacks is a StoreError.
    RecordSet(std::shared_ptr<Store> store, const QString &recordSource, const SortOrder &sort = {});

    const QString &recordSource() const { return m_recordSource; }
    const SortOrder &sortOrder() const { return m_sort; }
    const QString &table() const { return m_source.table; }
    Store &store() const { return *m_store; }

    bool bof() const { return m_position < 0 || m_rowids.isEmpty(); }
    bool eof() const { return m_position >= m_rowids.size() || m_rowids.isEmpty(); }
    int recordCount() const { return int(m_rowids.size()); }
    int position() const { return m_position; }
    void setPosition(int position);

    void moveFirst();
    void moveNext();
    void movePrevious();
    void moveLast();

    const QStringList &fieldNames() const { return m_fields; }
    int fieldIndex(const QString &name) const; // -1 when there is no such field

    // The current record's field (the value being edited while an edit is open).
    QVariant field(const QString &name) const;
    QVariant field(int index) const;
    // Assigns a field of the record being added or edited. Numbers given to a text field are kept
    // as decimal text, dates and times as "yyyy-MM-dd HH:mm:ss"; ID takes whole numbers only.
    void setField(const QString &name, const QVariant &value);

    void addNew();
    void edit();
    void update();
    void cancelUpdate();
    bool editing() const { return m_mode != Mode::None; }
    bool adding() const { return m_mode == Mode::Adding; }
    // Removes the current record; the record after it becomes current.
    void remove();

    // Moves to the first record that meets the criteria (a condition in the program's SQL dialect,
    // such as "ID = 12" or "outlook_index = \"...\""). noMatch() tells whether there was none; the
    // current record is then unchanged.
    bool findFirst(const QString &criteria);
    bool noMatch() const { return m_noMatch; }

    // All values of the record at a position (for grids); rows are read in blocks.
    QVector<QVariant> rowValues(int position) const;
    qint64 rowid(int position) const { return m_rowids.at(position); }

    // Reads membership and order again; the first record becomes current.
    void requery();
    // The statement that reads the set's membership in its order (to see how the store runs it).
    QString membershipSql() const { return selectRowids(); }

private:
    enum class Mode { None, Adding, Editing };

    const QVector<QVariant> &currentValues() const;
    void requireCurrent() const;
    QVariant convertForField(int index, const QVariant &value) const;
    QString selectRowids(const QString &extraCondition = QString(), bool firstOnly = false) const;

    std::shared_ptr<Store> m_store;
    QString m_recordSource;
    SortOrder m_sort;
    jet::Source m_source;
    QStringList m_fields;
    QHash<QString, int> m_fieldIndex; // lower-case name -> index
    QVector<bool> m_dateTimeField;
    int m_idIndex = -1;

    QVector<qint64> m_rowids;
    mutable QHash<qint64, int> m_positionOfRowid; // built on first use
    int m_position = -1;
    bool m_noMatch = false;

    QVector<QVariant> readRow(qint64 rowid) const;
    void loadBlock(int start) const;
    void forgetRows() const;

    // The current record's values, and a block of consecutive records read ahead for walks and grids.
    mutable qint64 m_cachedRowid = -1;
    mutable QVector<QVariant> m_cachedValues;
    mutable int m_lastReadPosition = -2;
    mutable QVector<QVector<QVariant>> m_block;
    mutable int m_blockStart = -1;

    Mode m_mode = Mode::None;
    QVector<QVariant> m_buffer;
    QVector<bool> m_changed;
};

} // namespace pimdesk
