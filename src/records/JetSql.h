#pragma once

#include <QString>
#include <QVariantList>

namespace pimdesk::jet {

// The program's SQL texts are written in the dialect of its original database engine: double-quoted
// text literals, "*" and "?" as the LIKE wildcards, [bracketed] names. This is the one place where
// they become SQLite.

// A text literal in that dialect: the value between double quotes, inner quotes doubled, so that no
// value can end the literal early.
QString quote(const QString &value);

// The whole statement (or a criteria text) in SQLite's dialect. Literals become single-quoted
// SQLite literals; a literal after LIKE becomes an SQLite pattern with an escape character, so that
// "%" and "_" in it are matched literally and "*" and "?" are the wildcards.
// With parameters given, every literal (text or number) becomes a "?" and its value is appended to
// them, so that criteria that differ only in their values share one prepared statement.
QString toSqlite(const QString &jetSql, QVariantList *parameters = nullptr);

// A record source taken apart: a bare table name, or "SELECT * FROM table [alias] [WHERE ...]
// [ORDER BY ...]". where and orderBy are already in SQLite's dialect, without their keywords.
struct Source
{
    bool valid = false;
    QString table;
    QString alias;
    QString where;
    QString orderBy;
};
Source parseSource(const QString &recordSource);

// The SQLite statement that selects columns (for example "*" or "rowid") of a record source, with an
// extra condition when one is given. Without a sort order the records come in the order in which
// they were stored (rowid order), whatever index SQLite might otherwise walk.
QString selectSql(const Source &source, const QString &columns, const QString &extraCondition = QString());

} // namespace pimdesk::jet
