#include "records/RecordSet.h"

#include "records/Schema.h"

#include <QDate>
#include <QDateTime>
#include <QTime>

#include <sqlite3.h>

#include <algorithm>
#include <cmath>

namespace pimdesk {

namespace {

constexpr int blockSize = 128;

QString quotedName(const QString &name)
{
    return "\"" + QString(name).replace('"', "\"\"") + "\"";
}

QString numberText(double value)
{
    if (std::isfinite(value) && value == std::floor(value) && std::fabs(value) < 1e15)
        return QString::number(qint64(value));
    return QString::number(value, 'g', 15);
}

} // namespace

RecordSet::RecordSet(std::shared_ptr<Store> store, const QString &recordSource, const SortOrder &sort)
    : m_store(std::move(store)), m_recordSource(recordSource), m_sort(sort), m_source(jet::parseSource(recordSource))
{
    if (!m_source.valid)
        throw StoreError(storeProblem(m_store->path(), QString("알 수 없는 레코드 원본입니다: %1").arg(recordSource)));
    m_fields = m_store->columnNames(m_source.table);
    if (m_fields.isEmpty())
        throw StoreError(storeProblem(m_store->path(), QString("테이블 %1이(가) 없습니다.").arg(m_source.table)));
    if (const TableSchema *known = schema::table(m_source.table))
        m_source.table = known->name;
    for (int i = 0; i < m_fields.size(); ++i) {
        m_fieldIndex.insert(m_fields.at(i).toLower(), i);
        m_dateTimeField.append(schema::isDateTimeField(m_source.table, m_fields.at(i)));
        if (m_fields.at(i).compare("ID", Qt::CaseInsensitive) == 0)
            m_idIndex = i;
    }
    if (!m_sort.isEmpty()) {
        const int index = fieldIndex(m_sort.field);
        if (index < 0)
            throw StoreError(storeProblem(
                m_store->path(), QString("테이블 %1에 필드 %2이(가) 없습니다.").arg(m_source.table, m_sort.field)));
        m_sort.field = m_fields.at(index);
        // The field's own collation (the tables' text fields compare without letter case), and
        // equal records in the order the field's index keeps them, so that the index gives the
        // whole order without sorting anything.
        const bool tiesDescending = m_sort.descending != schema::indexedDescending(m_source.table, m_sort.field);
        m_source.orderBy = quotedName(m_sort.field) + (m_sort.descending ? " DESC" : " ASC") + ", rowid" +
                           (tiesDescending ? " DESC" : " ASC");
    }
    requery();
}

QString RecordSet::selectRowids(const QString &extraCondition, bool firstOnly) const
{
    return jet::selectSql(m_source, "rowid", extraCondition) + (firstOnly ? " LIMIT 1" : "");
}

void RecordSet::requery()
{
    if (m_mode != Mode::None)
        cancelUpdate();
    // A set without a sort order of its own comes in store (rowid) order. Its rowids are read
    // without asking SQLite for that order, so that it may walk the smallest index that holds what
    // it needs (an index is a fraction of the table's size), and are put in order here.
    QString sql = selectRowids();
    const QString storeOrder = QStringLiteral(" ORDER BY rowid");
    const bool sortHere = m_source.orderBy.isEmpty() && sql.endsWith(storeOrder);
    if (sortHere)
        sql.chop(storeOrder.size());
    QVector<qint64> rowids;
    sqlite3_stmt *s = m_store->prepare(sql);
    while (m_store->step(s))
        rowids.append(sqlite3_column_int64(s, 0));
    sqlite3_reset(s);
    // An index walked in its own order often gives them in store order already (the ID index of a
    // table filled in ID order, a search's index with one value): then there is nothing to sort.
    if (sortHere && !std::is_sorted(rowids.cbegin(), rowids.cend()))
        std::sort(rowids.begin(), rowids.end());
    m_rowids = std::move(rowids);
    m_positionOfRowid.clear();
    forgetRows();
    m_position = m_rowids.isEmpty() ? -1 : 0;
    m_noMatch = false;
}

void RecordSet::setPosition(int position)
{
    m_position = std::clamp(position, -1, int(m_rowids.size()));
}

void RecordSet::moveFirst()
{
    m_position = m_rowids.isEmpty() ? -1 : 0;
}

void RecordSet::moveNext()
{
    if (m_position < m_rowids.size())
        ++m_position;
}

void RecordSet::movePrevious()
{
    if (m_position >= 0)
        --m_position;
}

void RecordSet::moveLast()
{
    m_position = m_rowids.isEmpty() ? -1 : int(m_rowids.size()) - 1;
}

int RecordSet::fieldIndex(const QString &name) const
{
    return m_fieldIndex.value(name.toLower(), -1);
}

void RecordSet::requireCurrent() const
{
    if (bof() || eof())
        throw StoreError(storeProblem(m_store->path(), "현재 레코드가 없습니다."));
}

const QVector<QVariant> &RecordSet::currentValues() const
{
    requireCurrent();
    const qint64 rowid = m_rowids.at(m_position);
    if (rowid == m_cachedRowid)
        return m_cachedValues;
    const bool inBlock = m_blockStart >= 0 && m_position >= m_blockStart && m_position < m_blockStart + m_block.size();
    if (!inBlock && m_position == m_lastReadPosition + 1)
        loadBlock(m_position); // walking forward: read ahead
    if (m_blockStart >= 0 && m_position >= m_blockStart && m_position < m_blockStart + m_block.size())
        m_cachedValues = m_block.at(m_position - m_blockStart);
    else
        m_cachedValues = readRow(rowid); // a jump (a look-up): read just this record
    m_cachedRowid = rowid;
    m_lastReadPosition = m_position;
    return m_cachedValues;
}

QVector<QVariant> RecordSet::readRow(qint64 rowid) const
{
    sqlite3_stmt *s = m_store->prepare("SELECT * FROM " + quotedName(m_source.table) + " WHERE rowid = ?");
    sqlite3_bind_int64(s, 1, rowid);
    QVector<QVariant> values(m_fields.size());
    if (m_store->step(s)) {
        for (int c = 0; c < values.size(); ++c)
            values[c] = Store::columnValue(s, c);
    }
    sqlite3_reset(s);
    return values;
}

void RecordSet::loadBlock(int start) const
{
    const int end = std::min(int(m_rowids.size()), start + blockSize);
    m_block.clear();
    m_block.reserve(end - start);
    m_blockStart = start;
    // One read for the block, not one for each of its records.
    const Store::Reading reading(*m_store);
    sqlite3_stmt *s = m_store->prepare("SELECT * FROM " + quotedName(m_source.table) + " WHERE rowid = ?");
    for (int p = start; p < end; ++p) {
        sqlite3_reset(s);
        sqlite3_bind_int64(s, 1, m_rowids.at(p));
        QVector<QVariant> values(m_fields.size());
        if (m_store->step(s)) {
            for (int c = 0; c < values.size(); ++c)
                values[c] = Store::columnValue(s, c);
        }
        m_block.append(values);
    }
    sqlite3_reset(s);
}

void RecordSet::forgetRows() const
{
    m_cachedRowid = -1;
    m_lastReadPosition = -2;
    m_block.clear();
    m_blockStart = -1;
}

QVector<QVariant> RecordSet::rowValues(int position) const
{
    if (position < 0 || position >= m_rowids.size())
        return {};
    if (m_blockStart < 0 || position < m_blockStart || position >= m_blockStart + m_block.size())
        loadBlock(position - position % blockSize);
    return m_block.at(position - m_blockStart);
}

QVariant RecordSet::field(const QString &name) const
{
    const int index = fieldIndex(name);
    if (index < 0)
        throw StoreError(
            storeProblem(m_store->path(), QString("테이블 %1에 필드 %2이(가) 없습니다.").arg(m_source.table, name)));
    return field(index);
}

QVariant RecordSet::field(int index) const
{
    if (m_mode == Mode::Adding || (m_mode == Mode::Editing && m_changed.value(index)))
        return m_buffer.value(index);
    return currentValues().value(index);
}

QVariant RecordSet::convertForField(int index, const QVariant &value) const
{
    if (!value.isValid() || value.isNull())
        return QVariant();
    if (index == m_idIndex) {
        bool ok = false;
        qint64 number = 0;
        if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
            const double d = value.toDouble();
            ok = std::isfinite(d) && d == std::floor(d) && std::fabs(d) < 9.2e18;
            number = qint64(d);
        } else {
            number = value.toString().trimmed().toLongLong(&ok);
        }
        if (!ok)
            throw StoreError(
                storeProblem(m_store->path(), QString("ID에는 정수만 넣을 수 있습니다: %1").arg(value.toString())));
        return number;
    }
    switch (value.typeId()) {
    case QMetaType::QDateTime:
        return value.toDateTime().toString(schema::dateTimeFormat);
    case QMetaType::QDate:
        return value.toDate().startOfDay().toString(schema::dateTimeFormat);
    case QMetaType::QTime:
        return value.toTime().toString("HH:mm:ss");
    case QMetaType::Double:
    case QMetaType::Float:
        return numberText(value.toDouble());
    case QMetaType::Bool:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.toString();
    }
}

void RecordSet::setField(const QString &name, const QVariant &value)
{
    if (m_mode == Mode::None)
        throw StoreError(storeProblem(m_store->path(), "AddNew 또는 Edit 없이 필드를 바꿀 수 없습니다."));
    const int index = fieldIndex(name);
    if (index < 0)
        throw StoreError(
            storeProblem(m_store->path(), QString("테이블 %1에 필드 %2이(가) 없습니다.").arg(m_source.table, name)));
    m_buffer[index] = convertForField(index, value);
    m_changed[index] = true;
}

void RecordSet::addNew()
{
    if (m_mode != Mode::None)
        cancelUpdate();
    m_mode = Mode::Adding;
    m_buffer = QVector<QVariant>(m_fields.size());
    m_changed = QVector<bool>(m_fields.size(), false);
}

void RecordSet::edit()
{
    requireCurrent();
    if (m_mode != Mode::None)
        cancelUpdate();
    // The buffer holds only the fields assigned; the others are read from the record when asked.
    m_buffer = QVector<QVariant>(m_fields.size());
    m_changed = QVector<bool>(m_fields.size(), false);
    m_mode = Mode::Editing;
}

void RecordSet::cancelUpdate()
{
    m_mode = Mode::None;
    m_buffer.clear();
    m_changed.clear();
}

void RecordSet::update()
{
    if (m_mode == Mode::None)
        throw StoreError(storeProblem(m_store->path(), "AddNew 또는 Edit 없이 Update를 할 수 없습니다."));
    QStringList names;
    QVariantList values;
    for (int i = 0; i < m_fields.size(); ++i) {
        if (m_changed.at(i)) {
            names << quotedName(m_fields.at(i));
            values << m_buffer.at(i);
        }
    }
    const QString table = quotedName(m_source.table);
    if (m_mode == Mode::Adding) {
        QString sql;
        if (names.isEmpty()) {
            sql = "INSERT INTO " + table + " DEFAULT VALUES";
        } else {
            QStringList marks(names.size(), "?");
            sql = "INSERT INTO " + table + " (" + names.join(", ") + ") VALUES (" + marks.join(", ") + ")";
        }
        m_store->exec(sql, values);
        const qint64 rowid = m_store->lastInsertRowid();
        const bool wasEmpty = m_rowids.isEmpty();
        m_rowids.append(rowid);
        if (!m_positionOfRowid.isEmpty())
            m_positionOfRowid.insert(rowid, int(m_rowids.size()) - 1);
        if (wasEmpty)
            m_position = 0;
        else if (m_position >= m_rowids.size() - 1)
            m_position = int(m_rowids.size()); // stay at EOF
    } else {
        requireCurrent();
        if (!names.isEmpty()) {
            QStringList assignments;
            for (const QString &n : names)
                assignments << n + " = ?";
            values << m_rowids.at(m_position);
            m_store->exec("UPDATE " + table + " SET " + assignments.join(", ") + " WHERE rowid = ?", values);
            // The record is read again when it is next asked for.
            m_cachedRowid = -1;
            if (m_blockStart >= 0 && m_position >= m_blockStart && m_position < m_blockStart + m_block.size())
                forgetRows();
        }
    }
    cancelUpdate();
}

void RecordSet::remove()
{
    requireCurrent();
    if (m_mode != Mode::None)
        cancelUpdate();
    m_store->exec("DELETE FROM " + quotedName(m_source.table) + " WHERE rowid = ?", {m_rowids.at(m_position)});
    m_rowids.remove(m_position);
    m_positionOfRowid.clear();
    forgetRows();
    if (m_rowids.isEmpty())
        m_position = -1;
}

bool RecordSet::findFirst(const QString &criteria)
{
    QVariantList parameters;
    const QString condition = jet::toSqlite(criteria, &parameters);
    const auto prepareWithValues = [&](const QString &sql) {
        sqlite3_stmt *statement = m_store->prepare(sql);
        for (int i = 0; i < parameters.size(); ++i)
            m_store->bind(statement, i + 1, parameters.at(i));
        return statement;
    };
    sqlite3_stmt *s = prepareWithValues(selectRowids(condition, true));
    std::optional<qint64> found;
    // The first match in the store's order may have joined the table after this set was read;
    // then look further for one that is a member.
    if (m_store->step(s))
        found = sqlite3_column_int64(s, 0);
    sqlite3_reset(s);
    if (m_positionOfRowid.isEmpty() && !m_rowids.isEmpty()) {
        m_positionOfRowid.reserve(m_rowids.size());
        for (int i = 0; i < m_rowids.size(); ++i)
            m_positionOfRowid.insert(m_rowids.at(i), i);
    }
    if (found && !m_positionOfRowid.contains(*found)) {
        found.reset();
        sqlite3_stmt *all = prepareWithValues(selectRowids(condition));
        while (m_store->step(all)) {
            const qint64 r = sqlite3_column_int64(all, 0);
            if (m_positionOfRowid.contains(r)) {
                found = r;
                break;
            }
        }
        sqlite3_reset(all);
    }
    m_noMatch = !found.has_value();
    if (found) {
        if (m_mode != Mode::None)
            cancelUpdate();
        m_position = m_positionOfRowid.value(*found);
    }
    return found.has_value();
}

} // namespace pimdesk
