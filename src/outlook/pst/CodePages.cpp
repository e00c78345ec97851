#include "outlook/pst/CodePages.h"

#include <QHash>
#include <QStringDecoder>
#include <cerrno>
#include <iconv.h>
#include <memory>

namespace pimdesk::pst {

namespace {

QString decodeWithIconv(const QByteArray &bytes, int codePage)
{
    const QByteArray name = "CP" + QByteArray::number(codePage);
    iconv_t cd = iconv_open("UTF-16LE", name.constData());
    if (cd == reinterpret_cast<iconv_t>(-1))
        return QString();
    QByteArray out(bytes.size() * 4 + 4, Qt::Uninitialized);
    char *in = const_cast<char *>(bytes.constData());
    size_t inLeft = size_t(bytes.size());
    char *outPtr = out.data();
    size_t outLeft = size_t(out.size());
    while (inLeft > 0) {
        if (iconv(cd, &in, &inLeft, &outPtr, &outLeft) != size_t(-1))
            break;
        if (errno != EILSEQ && errno != EINVAL)
            break;
        // An unmappable byte becomes U+FFFD, as Qt's own decoders do.
        if (outLeft < 2)
            break;
        *outPtr++ = char(0xFD);
        *outPtr++ = char(0xFF);
        outLeft -= 2;
        ++in;
        --inLeft;
    }
    iconv_close(cd);
    out.truncate(out.size() - int(outLeft));
    return QString(reinterpret_cast<const QChar *>(out.constData()), out.size() / 2);
}

} // namespace

QString decodeCodePage(const QByteArray &bytes, int codePage)
{
    if (bytes.isEmpty())
        return QString(""); // empty, never null: Outlook's texts are never "nothing"
    if (codePage == 65001)
        return QString::fromUtf8(bytes);
    if (codePage == 1200)
        return QString(reinterpret_cast<const QChar *>(bytes.constData()), bytes.size() / 2);
    QStringDecoder decoder(QByteArray("windows-" + QByteArray::number(codePage)).constData());
    if (decoder.isValid())
        return decoder.decode(bytes);
    const QString viaIconv = decodeWithIconv(bytes, codePage);
    if (!viaIconv.isNull())
        return viaIconv;
    QStringDecoder western("windows-1252");
    if (western.isValid())
        return western.decode(bytes);
    return QString::fromLatin1(bytes);
}

int codePageOfLocale(quint32 lcid)
{
    const quint32 language = lcid & 0x3FF;
    switch (language) {
    case 0x12:
        return 949; // Korean
    case 0x11:
        return 932; // Japanese
    case 0x04:      // Chinese: Taiwan, Hong Kong and Macao write traditional characters
        return (lcid == 0x0404 || lcid == 0x0C04 || lcid == 0x1404) ? 950 : 936;
    case 0x1E:
        return 874; // Thai
    case 0x2A:
        return 1258; // Vietnamese
    case 0x08:
        return 1253; // Greek
    case 0x1F:
        return 1254; // Turkish
    case 0x0D:
        return 1255; // Hebrew
    case 0x01:
    case 0x29:
    case 0x20:
        return 1256; // Arabic, Persian, Urdu
    case 0x25:
    case 0x26:
    case 0x27:
        return 1257; // Estonian, Latvian, Lithuanian
    case 0x19:
    case 0x22:
    case 0x23:
    case 0x02:
    case 0x2F:
        return 1251; // Cyrillic
    case 0x1A:
        return lcid == 0x0C1A ? 1251 : 1250; // Serbian (Cyrillic) or Croatian/Serbian (Latin)
    case 0x05:
    case 0x0E:
    case 0x15:
    case 0x18:
    case 0x1B:
    case 0x24:
    case 0x1C:
        return 1250;
    default:
        return 1252;
    }
}

int codePageOfInternetCodePage(quint32 codePage)
{
    switch (codePage) {
    case 50220:
    case 50221:
    case 50222:
    case 51932:
    case 20932:
    case 932:
        return 932;
    case 51949:
    case 50225:
    case 949:
        return 949;
    case 936:
    case 52936:
    case 54936:
    case 20936:
    case 50227:
    case 51936:
        return 936;
    case 950:
    case 20000:
    case 51950:
        return 950;
    case 874:
    case 1250:
    case 1251:
    case 1252:
    case 1253:
    case 1254:
    case 1255:
    case 1256:
    case 1257:
    case 1258:
        return int(codePage);
    case 28591:
    case 20127:
        return 1252;
    default:
        return 0;
    }
}

} // namespace pimdesk::pst
