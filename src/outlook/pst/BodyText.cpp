#include "outlook/pst/BodyText.h"

#include <QHash>
#include <QList>
#include <QSet>

namespace pimdesk::pst {

const QString bodyLineBreak = QStringLiteral("\r\n");

QString tidiedBody(QString text)
{
    QString out;
    out.reserve(text.size());
    qsizetype blankRun = 0;
    for (QChar c : text) {
        if (c == u' ' || c == u'\t') {
            ++blankRun;
        } else {
            if (c == u'\r' && blankRun)
                out.chop(blankRun);
            blankRun = 0;
        }
        out += c;
    }
    while (out.endsWith(bodyLineBreak))
        out.chop(2);
    while (out.endsWith(u' ') || out.endsWith(u'\t'))
        out.chop(1);
    // Paragraph ends inside a document give at most one empty line.
    while (out.contains(QStringLiteral("\r\n\r\n\r\n")))
        out.replace(QStringLiteral("\r\n\r\n\r\n"), QStringLiteral("\r\n\r\n"));
    while (out.startsWith(bodyLineBreak))
        out.remove(0, 2);
    return out;
}

namespace {

QString decodeEntity(const QString &name)
{
    if (name.startsWith(u'#')) {
        bool ok = false;
        const uint code = name.size() > 1 && (name.at(1) == u'x' || name.at(1) == u'X') ? name.mid(2).toUInt(&ok, 16)
                                                                                        : name.mid(1).toUInt(&ok, 10);
        if (!ok || code == 0 || code > 0x10FFFF)
            return QString();
        if (code == 0xA0)
            return QStringLiteral(" ");
        return QString::fromUcs4(reinterpret_cast<const char32_t *>(&code), 1);
    }
    static const QHash<QString, QString> named{
        {"amp", "&"},   {"lt", "<"},     {"gt", ">"},    {"quot", "\""},  {"apos", "'"},
        {"nbsp", " "},  {"copy", "©"},   {"reg", "®"},   {"hellip", "…"}, {"mdash", "—"},
        {"ndash", "–"}, {"lsquo", "‘"},  {"rsquo", "’"}, {"ldquo", "“"},  {"rdquo", "”"},
        {"bull", "•"},  {"middot", "·"}, {"trade", "™"}, {"euro", "€"},   {"yen", "¥"},
    };
    return named.value(name.toLower());
}

} // namespace

QString textFromHtml(const QString &html)
{
    static const QSet<QString> hiddenElements{"head", "style", "script", "title", "xml"};
    static const QSet<QString> blockElements{"p",  "div", "tr",    "li", "h1", "h2",         "h3",  "h4",
                                             "h5", "h6",  "table", "ul", "ol", "blockquote", "pre", "hr"};
    QString out;
    out.reserve(html.size());
    QString hiddenUntil; // the closing tag that ends a hidden element
    bool pendingBlank = false;
    int preDepth = 0;
    auto breakLine = [&]() {
        pendingBlank = false;
        if (!out.isEmpty() && !out.endsWith(bodyLineBreak))
            out += bodyLineBreak;
    };
    const qsizetype n = html.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = html.at(i);
        if (c == u'<') {
            if (html.mid(i, 4) == QLatin1String("<!--")) {
                const qsizetype end = html.indexOf(QLatin1String("-->"), i + 4);
                i = end < 0 ? n : end + 3;
                continue;
            }
            const qsizetype end = html.indexOf(u'>', i);
            if (end < 0)
                break;
            QString tag = html.mid(i + 1, end - i - 1).trimmed();
            i = end + 1;
            const bool closing = tag.startsWith(u'/');
            if (closing)
                tag.remove(0, 1);
            qsizetype nameEnd = 0;
            while (nameEnd < tag.size() && (tag.at(nameEnd).isLetterOrNumber() || tag.at(nameEnd) == u':'))
                ++nameEnd;
            const QString name = tag.left(nameEnd).toLower();
            if (!hiddenUntil.isEmpty()) {
                if (closing && name == hiddenUntil)
                    hiddenUntil.clear();
                continue;
            }
            if (!closing && hiddenElements.contains(name) && !tag.endsWith(u'/')) {
                hiddenUntil = name;
                continue;
            }
            if (name == QLatin1String("pre"))
                preDepth = qMax(0, preDepth + (closing ? -1 : 1));
            if (name == QLatin1String("br")) {
                pendingBlank = false;
                out += bodyLineBreak;
            } else if (blockElements.contains(name)) {
                breakLine();
            } else if ((name == QLatin1String("td") || name == QLatin1String("th")) && !closing) {
                if (!out.isEmpty() && !out.endsWith(bodyLineBreak))
                    out += u'\t';
                pendingBlank = false;
            }
            continue;
        }
        ++i;
        if (!hiddenUntil.isEmpty())
            continue;
        QString piece;
        if (c == u'&') {
            const qsizetype semicolon = html.indexOf(u';', i);
            if (semicolon > i && semicolon - i <= 10) {
                piece = decodeEntity(html.mid(i, semicolon - i));
                if (!piece.isNull())
                    i = semicolon + 1;
            }
            if (piece.isNull())
                piece = c;
        } else if (preDepth == 0 && (c == u' ' || c == u'\t' || c == u'\r' || c == u'\n')) {
            pendingBlank = !out.isEmpty() && !out.endsWith(bodyLineBreak);
            continue;
        } else if (c == u'\n') {
            piece = bodyLineBreak;
        } else if (c == u'\r') {
            continue;
        } else {
            piece = c;
        }
        if (pendingBlank)
            out += u' ';
        pendingBlank = false;
        out += piece;
    }
    return tidiedBody(out);
}

} // namespace pimdesk::pst
