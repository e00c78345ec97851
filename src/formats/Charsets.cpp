#include "formats/Charsets.h"

#include <QHash>
#include <QMutex>

#include <cerrno>
#include <iconv.h>

namespace pimdesk::formats {

namespace {

QByteArray upper(QByteArrayView label)
{
    return label.trimmed().toByteArray().toUpper();
}

// One converter per set, opened on first use and kept: iconv_open reads the set's tables.
class Converters
{
public:
    ~Converters()
    {
        for (iconv_t cd : std::as_const(m_open))
            iconv_close(cd);
    }

    // Runs f with the converter of the set (nullptr when iconv lacks it), under the lock: a
    // converter keeps its state between calls and must not be shared by two threads at once.
    template <typename F> auto with(const QByteArray &name, F f)
    {
        QMutexLocker lock(&m_mutex);
        auto it = m_open.find(name);
        if (it == m_open.end()) {
            iconv_t cd = iconv_open("UTF-8", name.constData());
            it = m_open.insert(name, cd);
        }
        return f(*it == iconv_t(-1) ? nullptr : *it);
    }

private:
    QMutex m_mutex;
    QHash<QByteArray, iconv_t> m_open;
};

Converters &converters()
{
    static Converters all;
    return all;
}

} // namespace

bool isUtf8Label(QByteArrayView label)
{
    const QByteArray name = upper(label);
    return name.isEmpty() || name == "UTF-8" || name == "UTF8" || name == "US-ASCII" || name == "ASCII" ||
           name == "X-UTF-8";
}

QByteArray iconvNameOf(QByteArrayView label)
{
    const QByteArray name = upper(label);
    // Korean phones label their text EUC-KR or KS_C_5601-1987 but write the Unified Hangul Code
    // (CP949), which has the 8,822 syllables EUC-KR lacks; every EUC-KR text reads the same in it.
    if (name == "EUC-KR" || name == "EUCKR" || name == "KS_C_5601-1987" || name == "KS_C_5601" ||
        name == "KSC5601" || name == "KSC_5601" || name == "KS-C-5601-1987" || name == "UHC" ||
        name == "WINDOWS-949" || name == "CP949" || name == "X-WINDOWS-949")
        return "CP949";
    // Likewise Japanese phones: Shift_JIS labels, Microsoft's extension of it (NEC and IBM rows).
    if (name == "SHIFT_JIS" || name == "SHIFT-JIS" || name == "SJIS" || name == "X-SJIS" || name == "MS_KANJI" ||
        name == "WINDOWS-31J" || name == "CP932" || name == "X-MS-CP932")
        return "CP932";
    return name;
}

std::optional<QString> decodeCharset(QByteArrayView bytes, QByteArrayView label)
{
    if (isUtf8Label(label))
        return QString::fromUtf8(bytes);
    const QByteArray name = iconvNameOf(label);
    if (name == "ISO-8859-1" || name == "LATIN1" || name == "ISO8859-1")
        return QString::fromLatin1(bytes);
    return converters().with(name, [bytes](iconv_t cd) -> std::optional<QString> {
        if (!cd)
            return std::nullopt;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        QByteArray out;
        out.resize(bytes.size() * 3 + 16);
        char *in = const_cast<char *>(bytes.data());
        size_t inLeft = size_t(bytes.size());
        char *to = out.data();
        size_t toLeft = size_t(out.size());
        while (inLeft > 0) {
            if (iconv(cd, &in, &inLeft, &to, &toLeft) != size_t(-1))
                break;
            if (errno == E2BIG) {
                const qsizetype used = to - out.data();
                out.resize(out.size() * 2);
                to = out.data() + used;
                toLeft = size_t(out.size() - used);
                continue;
            }
            // A byte the set does not have, or a sequence cut off at the end: one replacement
            // character, and on after the byte.
            if (toLeft < 3) {
                const qsizetype used = to - out.data();
                out.resize(out.size() + 16);
                to = out.data() + used;
                toLeft = size_t(out.size() - used);
            }
            *to++ = char(0xEF);
            *to++ = char(0xBF);
            *to++ = char(0xBD);
            toLeft -= 3;
            ++in;
            --inLeft;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
        out.truncate(to - out.data());
        return QString::fromUtf8(out);
    });
}

} // namespace pimdesk::formats
