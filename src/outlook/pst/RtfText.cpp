#include "outlook/pst/BodyText.h"

#include "outlook/pst/CodePages.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <cctype>

// The RTF reader of the bodies; the HTML reader is in BodyText.cpp.

namespace pimdesk::pst {

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
        return m_fromHtml ? textFromHtml(m_out) : tidiedBody(m_out);
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
            put(state, bodyLineBreak);
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
