// The UTF-8 and UTF-16LE conversions of the handheld's documents on arbitrary bytes: valid text in
// either form comes back byte for byte through the other and says nothing; any other input gives
// some result without a crash.
#include "FuzzSupport.h"

#include "records/TextConversion.h"
#include "support/ScriptedMessages.h"

#include <QStringDecoder>

using namespace pimdesk;

namespace {

// UTF-8 as text, a leading U+FEFF kept (QString::fromUtf8 would drop it as a mark).
QString decodeUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    return decoder.decode(bytes);
}

bool validUtf8(QByteArrayView bytes)
{
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless | QStringDecoder::Flag::ConvertInitialBom);
    const QString text = decoder.decode(bytes);
    return !decoder.hasError() && text.toUtf8() == bytes;
}

// Even length, and every surrogate in a pair (the decoder passes lone ones through unflagged).
bool validUtf16(const QByteArray &bytes)
{
    if (bytes.size() % 2 != 0)
        return false;
    const auto *b = reinterpret_cast<const unsigned char *>(bytes.constData());
    const qsizetype count = bytes.size() / 2;
    for (qsizetype i = 0; i < count; ++i) {
        const char16_t u = char16_t(b[2 * i] | (b[2 * i + 1] << 8));
        if (u >= 0xDC00 && u < 0xE000)
            return false;
        if (u >= 0xD800 && u < 0xDC00) {
            if (i + 1 >= count)
                return false;
            const char16_t next = char16_t(b[2 * i + 2] | (b[2 * i + 3] << 8));
            if (next < 0xDC00 || next >= 0xE000)
                return false;
            ++i;
        }
    }
    return true;
}

const QByteArray utf8Mark("\xEF\xBB\xBF");
const QByteArray utf16Mark("\xFF\xFE");

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QByteArray bytes(reinterpret_cast<const char *>(data), qsizetype(size));
    ScriptedMessages messages;

    // Every conversion takes any bytes.
    UTF8FromUTF16withMark(bytes, &messages);
    UTF8FromUTF16(bytes, &messages);
    UTF16FromUTF8withMark(bytes, &messages);
    const QString asText = QString::fromUtf8(bytes);
    escapeAttributeValue(asText);
    trimBlanks(asText);
    messages.clear();

    // UTF-8 text: to UTF-16 with its mark and back.
    if (validUtf8(bytes)) {
        // A mark alone is a character (U+FEFF), not a mark: only one with text after it is dropped.
        const QByteArray body = bytes.size() > 3 && bytes.startsWith(utf8Mark) ? bytes.mid(3) : bytes;
        const QByteArray utf16 = UTF16FromUTF8withMark(bytes, &messages);
        if (body.isEmpty()) {
            if (!utf16.isEmpty())
                fuzz::finding("nothing to decode gave something");
        } else {
            if (!utf16.startsWith(utf16Mark) || utf16.mid(2) != utf16Bytes(decodeUtf8(body)))
                fuzz::finding("UTF-8 to UTF-16 is not the text");
            if (UTF8FromUTF16withMark(utf16, &messages) != utf8Mark + body)
                fuzz::finding("UTF-8 does not come back from UTF-16");
            if (textFromUtf16Bytes(utf16) != decodeUtf8(body))
                fuzz::finding("UTF-16 bytes do not read back as the text");
        }
    }
    // UTF-16LE text (no mark): to UTF-8 and back.
    if (validUtf16(bytes) && !bytes.startsWith(utf16Mark)) {
        const QByteArray utf8 = UTF8FromUTF16(bytes, &messages);
        if (utf8 != textFromUtf16Bytes(bytes).toUtf8())
            fuzz::finding("UTF-16 to UTF-8 is not the text");
        if (!bytes.isEmpty() && UTF16FromUTF8withMark(utf8, &messages) != utf16Mark + bytes)
            fuzz::finding("UTF-16 does not come back from UTF-8");
    }
    if (!messages.shown().isEmpty())
        fuzz::finding("valid text was refused", messages.texts().join('\n'));
    return 0;
}
