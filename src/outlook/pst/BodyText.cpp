#include "outlook/pst/BodyText.h"

#include "outlook/pst/CodePages.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <cctype>

namespace pimdesk::pst {

namespace {

const QString lineBreak = QStringLiteral("\r\n");

// Line breaks at the end of a body carry nothing; blanks before a break neither.
QString tidy(QString text)
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
    while (out.endsWith(lineBreak))
        out.chop(2);
    while (out.endsWith(u' ') || out.endsWith(u'\t'))
        out.chop(1);
    // Paragraph ends inside a document give at most one empty line.
    while (out.contains(QStringLiteral("\r\n\r\n\r\n")))
        out.replace(QStringLiteral("\r\n\r\n\r\n"), QStringLiteral("\r\n\r\n"));
    while (out.startsWith(lineBreak))
        out.remove(0, 2);
    return out;
}

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
        if (!out.isEmpty() && !out.endsWith(lineBreak))
            out += lineBreak;
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
                out += lineBreak;
            } else if (blockElements.contains(name)) {
                breakLine();
            } else if ((name == QLatin1String("td") || name == QLatin1String("th")) && !closing) {
                if (!out.isEmpty() && !out.endsWith(lineBreak))
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
            pendingBlank = !out.isEmpty() && !out.endsWith(lineBreak);
            continue;
        } else if (c == u'\n') {
            piece = lineBreak;
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
    return tidy(out);
}

namespace {

int codePageOfCharset(int charset, int documentCodePage)
{
    switch (charset) {
    case 128:
        return 932;
    case 129:
        return 949;
    case 130:
        return 1361;
    case 134:
        return 936;
    case 136:
        return 950;
    case 161:
        return 1253;
    case 162:
        return 1254;
    case 163:
        return 1258;
    case 177:
        return 1255;
    case 178:
        return 1256;
    case 186:
        return 1257;
    case 204:
        return 1251;
    case 222:
        return 874;
    case 238:
        return 1250;
    case 0:
        return 1252;
    default:
        return documentCodePage; // 1 (default), 2 (symbol) and others: the document's
    }
}

// Destinations that hold no text of the body.
bool isHiddenDestination(const QByteArray &word)
{
    static const QSet<QByteArray> hidden{"fonttbl",
                                         "colortbl",
                                         "stylesheet",
                                         "info",
                                         "pict",
                                         "header",
                                         "footer",
                                         "headerl",
                                         "headerr",
                                         "headerf",
                                         "footerl",
                                         "footerr",
                                         "footerf",
                                         "footnote",
                                         "object",
                                         "listtable",
                                         "listoverridetable",
                                         "revtbl",
                                         "rsidtbl",
                                         "xmlnstbl",
                                         "filetbl",
                                         "themedata",
                                         "colorschememapping",
                                         "latentstyles",
                                         "datastore",
                                         "generator",
                                         "pgdsctbl",
                                         "fldinst",
                                         "nonshppict",
                                         "shpinst",
                                         "sp",
                                         "sn",
                                         "sv",
                                         "bkmkstart",
                                         "bkmkend",
                                         "mmathPr",
                                         "template",
                                         "comment",
                                         "atnid",
                                         "atnauthor",
                                         "annotation",
                                         "pntext",
                                         "pntxta",
                                         "pntxtb",
                                         "listtext",
                                         "protusertbl",
                                         "wgrffmtfilter"};
    return hidden.contains(word);
}

class RtfReader
{
public:
    RtfReader(const QByteArray &rtf, int codePage) : m_rtf(rtf), m_documentCodePage(codePage) {}

    QString read()
    {
        State state;
        state.codePage = m_documentCodePage;
        QList<State> stack;
        const qsizetype n = m_rtf.size();
        qsizetype i = 0;
        while (i < n) {
            const char c = m_rtf.at(i);
            if (c == '{') {
                ++i;
                stack.append(state);
                state.groupStart = true;
                continue;
            }
            if (c == '}') {
                ++i;
                flushBytes();
                if (stack.isEmpty())
                    break;
                state = stack.takeLast();
                continue;
            }
            const bool atGroupStart = state.groupStart;
            state.groupStart = false;
            if (c == '\r' || c == '\n') {
                ++i;
                continue;
            }
            if (c != '\\') {
                ++i;
                text(state, c);
                continue;
            }
            // A control symbol or a control word.
            if (i + 1 >= n)
                break;
            const char next = m_rtf.at(i + 1);
            if (!std::isalpha(static_cast<unsigned char>(next))) {
                i += 2;
                switch (next) {
                case '\'':
                    if (i + 2 <= n) {
                        bool ok = false;
                        const int byte = m_rtf.mid(i, 2).toInt(&ok, 16);
                        i += 2;
                        if (ok)
                            text(state, char(byte));
                    }
                    break;
                case '*':
                    if (atGroupStart)
                        state.starred = true;
                    break;
                case '~':
                    text(state, ' ');
                    break;
                case '_':
                    text(state, '-');
                    break;
                case '\r':
                case '\n':
                    control(state, "par", 0, false);
                    break;
                case '-':
                    break;
                default: // \\, \{, \} and others stand for themselves
                    text(state, next);
                    break;
                }
                if (state.starred && next != '*')
                    state.starred = false;
                continue;
            }
            qsizetype j = i + 1;
            while (j < n && std::isalpha(static_cast<unsigned char>(m_rtf.at(j))))
                ++j;
            const QByteArray word = m_rtf.mid(i + 1, j - i - 1);
            bool hasParameter = false;
            int parameter = 0;
            qsizetype k = j;
            if (k < n && (m_rtf.at(k) == '-' || std::isdigit(static_cast<unsigned char>(m_rtf.at(k))))) {
                ++k;
                while (k < n && std::isdigit(static_cast<unsigned char>(m_rtf.at(k))))
                    ++k;
                parameter = m_rtf.mid(j, k - j).toInt(&hasParameter);
            }
            if (k < n && m_rtf.at(k) == ' ')
                ++k;
            i = k;
            if (atGroupStart || state.starred) {
                const bool starred = state.starred;
                state.starred = false;
                if (word == "htmltag" && m_fromHtml) {
                    state.htmlTag = true;
                    continue;
                }
                if (word == "fonttbl") {
                    state.fontTable = true;
                    state.skip = true;
                    continue;
                }
                if (starred || isHiddenDestination(word)) {
                    state.skip = true;
                    continue;
                }
            }
            control(state, word, parameter, hasParameter);
        }
        flushBytes();
        return m_fromHtml ? textFromHtml(m_out) : tidy(m_out);
    }

private:
    struct State
    {
        bool groupStart = false;
        bool starred = false;
        bool skip = false;
        bool fontTable = false;
        bool htmlTag = false; // inside \*\htmltag: HTML markup of a wrapped HTML body
        bool htmlRtf = false; // inside \htmlrtf: RTF-only text of a wrapped HTML body
        int unicodeSkip = 1;
        int codePage = 1252;
    };

    bool visible(const State &state) const
    {
        if (state.htmlTag)
            return true;
        return !state.skip && !state.htmlRtf;
    }

    void text(State &state, char byte)
    {
        if (m_pendingSkip > 0) {
            --m_pendingSkip;
            return;
        }
        if (!visible(state))
            return;
        if (state.codePage != m_bytesCodePage)
            flushBytes();
        m_bytesCodePage = state.codePage;
        m_bytes += byte;
    }

    void put(const State &state, const QString &piece)
    {
        if (!visible(state))
            return;
        flushBytes();
        m_out += piece;
    }

    void flushBytes()
    {
        if (m_bytes.isEmpty())
            return;
        m_out += decodeCodePage(m_bytes, m_bytesCodePage);
        m_bytes.clear();
    }

    void control(State &state, const QByteArray &word, int parameter, bool hasParameter)
    {
        m_pendingSkip = 0;
        if (state.fontTable) {
            if (word == "f")
                m_fontBeingDefined = parameter;
            else if (word == "fcharset")
                m_fontCodePages.insert(m_fontBeingDefined, codePageOfCharset(parameter, m_documentCodePage));
            return;
        }
        if (word == "ansicpg" && hasParameter && parameter > 0) {
            m_documentCodePage = parameter;
            state.codePage = parameter;
        } else if (word == "fromhtml") {
            m_fromHtml = true;
        } else if (word == "f") {
            state.codePage = m_fontCodePages.value(parameter, m_documentCodePage);
        } else if (word == "uc") {
            state.unicodeSkip = qMax(0, parameter);
        } else if (word == "u") {
            const char16_t unit = char16_t(parameter < 0 ? parameter + 65536 : parameter);
            put(state, QString(QChar(unit)));
            m_pendingSkip = state.unicodeSkip;
        } else if (word == "htmlrtf") {
            state.htmlRtf = !hasParameter || parameter != 0;
        } else if (word == "par" || word == "line" || word == "row" || word == "sect" || word == "page") {
            put(state, lineBreak);
        } else if (word == "tab" || word == "cell") {
            put(state, QStringLiteral("\t"));
        } else if (word == "emdash") {
            put(state, QStringLiteral("—"));
        } else if (word == "endash") {
            put(state, QStringLiteral("–"));
        } else if (word == "bullet") {
            put(state, QStringLiteral("•"));
        } else if (word == "lquote") {
            put(state, QStringLiteral("‘"));
        } else if (word == "rquote") {
            put(state, QStringLiteral("’"));
        } else if (word == "ldblquote") {
            put(state, QStringLiteral("“"));
        } else if (word == "rdblquote") {
            put(state, QStringLiteral("”"));
        }
    }

    const QByteArray &m_rtf;
    int m_documentCodePage;
    bool m_fromHtml = false;
    QHash<int, int> m_fontCodePages;
    int m_fontBeingDefined = 0;
    int m_pendingSkip = 0;
    QByteArray m_bytes;
    int m_bytesCodePage = 1252;
    QString m_out;
};

} // namespace

QString textFromRtf(const QByteArray &rtf, int fallbackCodePage)
{
    return RtfReader(rtf, fallbackCodePage).read();
}

} // namespace pimdesk::pst
