#include "records/JetSql.h"

#include <QRegularExpression>

namespace pimdesk::jet {

namespace {

QString sqliteLiteral(const QString &value)
{
    if (!value.contains(QChar(0)))
        return "'" + QString(value).replace('\'', "''") + "'";
    // SQLite reads an SQL text only up to a NUL, so a NUL typed into a value would cut the
    // statement short: it joins the pieces of the literal as char(0) instead.
    QStringList pieces;
    for (const QString &piece : value.split(QChar(0)))
        pieces << "'" + QString(piece).replace('\'', "''") + "'";
    return "(" + pieces.join(" || char(0) || ") + ")";
}

QString likePattern(const QString &jetPattern)
{
    QString out;
    out.reserve(jetPattern.size() + 8);
    for (const QChar c : jetPattern) {
        if (c == '*')
            out += '%';
        else if (c == '?')
            out += '_';
        else if (c == '%' || c == '_' || c == '\\') {
            out += QLatin1Char('\\');
            out += c;
        } else
            out += c;
    }
    return out;
}

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == '_';
}

// Reads a quoted run starting at text[i] (the opening quote), doubled quotes standing for one.
// Returns the value and moves i past the closing quote (or to the end when it never closes).
QString readQuoted(const QString &text, qsizetype &i, QChar quoteChar)
{
    QString value;
    ++i;
    while (i < text.size()) {
        const QChar c = text.at(i);
        if (c == quoteChar) {
            if (i + 1 < text.size() && text.at(i + 1) == quoteChar) {
                value += quoteChar;
                i += 2;
                continue;
            }
            ++i;
            return value;
        }
        value += c;
        ++i;
    }
    return value;
}

// Position of a keyword (a run of words separated by white space) outside literals, or -1.
qsizetype findKeyword(const QString &sql, const QRegularExpression &keyword)
{
    qsizetype i = 0;
    while (i < sql.size()) {
        const QChar c = sql.at(i);
        if (c == '\'' || c == '"') {
            readQuoted(sql, i, c);
            continue;
        }
        if (isWordChar(c) && (i == 0 || !isWordChar(sql.at(i - 1)))) {
            const QRegularExpressionMatch m =
                keyword.match(sql, i, QRegularExpression::NormalMatch, QRegularExpression::AnchorAtOffsetMatchOption);
            if (m.hasMatch())
                return i;
        }
        ++i;
    }
    return -1;
}

} // namespace

QString quote(const QString &value)
{
    return "\"" + QString(value).replace('"', "\"\"") + "\"";
}

QString toSqlite(const QString &jetSql, QVariantList *parameters)
{
    QString out;
    out.reserve(jetSql.size() + 16);
    QString lastWord;
    auto literal = [&](const QString &value) {
        if (!parameters)
            return sqliteLiteral(value);
        parameters->append(value);
        return QStringLiteral("?");
    };
    qsizetype i = 0;
    while (i < jetSql.size()) {
        const QChar c = jetSql.at(i);
        if (c == '"' || c == '\'') {
            const QString value = readQuoted(jetSql, i, c);
            if (lastWord.compare("LIKE", Qt::CaseInsensitive) == 0)
                out += literal(likePattern(value)) + " ESCAPE '\\'";
            else
                out += literal(value);
            lastWord.clear();
            continue;
        }
        if (c == '[') {
            const qsizetype close = jetSql.indexOf(']', i + 1);
            const QString name = jetSql.mid(i + 1, close < 0 ? -1 : close - i - 1);
            out += "\"" + QString(name).replace('"', "\"\"") + "\"";
            i = close < 0 ? jetSql.size() : close + 1;
            lastWord = name;
            continue;
        }
        if (isWordChar(c)) {
            const qsizetype start = i;
            while (i < jetSql.size() && (isWordChar(jetSql.at(i)) || (c.isDigit() && jetSql.at(i) == '.')))
                ++i;
            const QString word = jetSql.mid(start, i - start);
            bool isNumber = false;
            const qint64 whole = word.toLongLong(&isNumber);
            if (parameters && c.isDigit()) {
                if (isNumber) {
                    parameters->append(whole);
                    out += '?';
                    lastWord.clear();
                    continue;
                }
                const double real = word.toDouble(&isNumber);
                if (isNumber) {
                    parameters->append(real);
                    out += '?';
                    lastWord.clear();
                    continue;
                }
            }
            lastWord = word;
            out += word;
            continue;
        }
        if (!c.isSpace())
            lastWord.clear();
        out += c;
        ++i;
    }
    return out;
}

Source parseSource(const QString &recordSource)
{
    static const QRegularExpression bareName(R"(^\s*\[?([A-Za-z_][\w-]*)\]?\s*$)");
    static const QRegularExpression select(
        R"(^\s*SELECT\s+\*\s+FROM\s+\[?([A-Za-z_][\w-]*)\]?(?:\s+(?!WHERE\b|ORDER\b)([A-Za-z_]\w*))?(.*)$)",
        QRegularExpression::CaseInsensitiveOption | QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression whereKeyword(R"(WHERE\b)", QRegularExpression::CaseInsensitiveOption);
    static const QRegularExpression orderKeyword(R"(ORDER\s+BY\b)", QRegularExpression::CaseInsensitiveOption);

    Source source;
    if (const QRegularExpressionMatch m = bareName.match(recordSource); m.hasMatch()) {
        source.valid = true;
        source.table = m.captured(1);
        return source;
    }
    const QRegularExpressionMatch m = select.match(recordSource);
    if (!m.hasMatch())
        return source;
    source.table = m.captured(1);
    source.alias = m.captured(2);
    const QString rest = toSqlite(m.captured(3)).trimmed();
    if (rest.isEmpty()) {
        source.valid = true;
        return source;
    }
    const qsizetype where = findKeyword(rest, whereKeyword);
    const qsizetype order = findKeyword(rest, orderKeyword);
    if ((where != 0 && order != 0) || (where >= 0 && order >= 0 && order < where))
        return source; // something other than WHERE and ORDER BY follows the table
    if (where == 0) {
        source.where = rest.mid(5, order < 0 ? -1 : order - 5).trimmed();
        if (source.where.isEmpty())
            return source;
    }
    if (order >= 0) {
        const QRegularExpressionMatch om = orderKeyword.match(rest, order);
        source.orderBy = rest.mid(order + om.capturedLength()).trimmed();
        if (source.orderBy.isEmpty())
            return source;
    }
    source.valid = true;
    return source;
}

QString selectSql(const Source &source, const QString &columns, const QString &extraCondition)
{
    QString sql = "SELECT " + columns + " FROM \"" + QString(source.table).replace('"', "\"\"") + "\"";
    if (!source.alias.isEmpty())
        sql += " " + source.alias;
    QStringList conditions;
    if (!source.where.isEmpty())
        conditions << "(" + source.where + ")";
    if (!extraCondition.isEmpty())
        conditions << "(" + extraCondition + ")";
    if (!conditions.isEmpty())
        sql += " WHERE " + conditions.join(" AND ");
    sql += " ORDER BY " + (source.orderBy.isEmpty() ? QStringLiteral("rowid") : source.orderBy);
    return sql;
}

} // namespace pimdesk::jet
