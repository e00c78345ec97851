#include "records/TextConversion.h"
#include "support/ScriptedMessages.h"

#include <QTest>

using namespace pimdesk;

namespace {
QByteArray bytes(std::initializer_list<int> list)
{
    QByteArray b;
    for (int v : list)
        b.append(char(v));
    return b;
}
} // namespace

class TextConversionTest : public QObject
{
    Q_OBJECT
private slots:
    void utf8WithMark()
    {
        QCOMPARE(UTF8FromUTF16withMark(QByteArray()), QByteArray());
        // "abc" with and without a leading mark give the same bytes.
        const QByteArray abc = bytes({0x61, 0, 0x62, 0, 0x63, 0});
        const QByteArray expected = bytes({0xEF, 0xBB, 0xBF, 0x61, 0x62, 0x63});
        QCOMPARE(UTF8FromUTF16withMark(abc), expected);
        QCOMPARE(UTF8FromUTF16withMark(bytes({0xFF, 0xFE}) + abc), expected);
        // The two bytes FF FE alone are a character (U+FEFF), not a mark to drop.
        QCOMPARE(UTF8FromUTF16withMark(bytes({0xFF, 0xFE})), bytes({0xEF, 0xBB, 0xBF, 0xEF, 0xBB, 0xBF}));
        // A mark followed by a single odd byte: dropped, and nothing is left to encode.
        QCOMPARE(UTF8FromUTF16withMark(bytes({0xFF, 0xFE, 0x41})), QByteArray());
        // An odd trailing byte is not a code unit.
        QCOMPARE(UTF8FromUTF16withMark(bytes({0x41, 0, 0x42})), bytes({0xEF, 0xBB, 0xBF, 0x41}));
    }

    void utf8WithoutMark()
    {
        QCOMPARE(UTF8FromUTF16(QByteArray()), QByteArray());
        QCOMPARE(UTF8FromUTF16(bytes({0x61, 0})), QByteArray("a"));
        // The mark is kept as a character.
        QCOMPARE(UTF8FromUTF16(bytes({0xFF, 0xFE, 0x61, 0})), bytes({0xEF, 0xBB, 0xBF, 0x61}));
    }

    void koreanAndSurrogates()
    {
        const QString korean = QStringLiteral("홍길동");
        const QByteArray encoded = UTF8FromUTF16withMark(utf16Bytes(korean));
        QCOMPARE(encoded.size(), 3 + 3 * 3);
        QCOMPARE(encoded.mid(3), korean.toUtf8());
        // A pair becomes one four-byte sequence; a lone surrogate the replacement character.
        const QString pair = QString::fromUcs4(U"\U0001F600");
        QCOMPARE(UTF8FromUTF16(utf16Bytes(pair)), pair.toUtf8());
        QCOMPARE(UTF8FromUTF16(bytes({0x00, 0xD8, 0x41, 0x00})), bytes({0xEF, 0xBF, 0xBD, 0x41}));
    }

    void utf16WithMark()
    {
        QCOMPARE(UTF16FromUTF8withMark(QByteArray()), QByteArray());
        QCOMPARE(UTF16FromUTF8withMark(bytes({0xEF, 0xBB, 0xBF, 0x61})), bytes({0xFF, 0xFE, 0x61, 0x00}));
        QCOMPARE(UTF16FromUTF8withMark(QByteArray("a")), bytes({0xFF, 0xFE, 0x61, 0x00}));
        // The mark alone is decoded as U+FEFF.
        QCOMPARE(UTF16FromUTF8withMark(bytes({0xEF, 0xBB, 0xBF})), bytes({0xFF, 0xFE, 0xFF, 0xFE}));
        // Korean round trip, and malformed input decodes without a message.
        ScriptedMessages messages;
        const QByteArray utf16 = UTF16FromUTF8withMark(QStringLiteral("가").toUtf8(), &messages);
        QCOMPARE(utf16, bytes({0xFF, 0xFE, 0x00, 0xAC}));
        QCOMPARE(textFromUtf16Bytes(utf16), QStringLiteral("가"));
        const QByteArray broken = UTF16FromUTF8withMark(bytes({0x61, 0xC3}), &messages);
        QCOMPARE(textFromUtf16Bytes(broken), QStringLiteral("a\uFFFD"));
        QVERIFY(messages.shown().isEmpty());
    }

    void markLikeCharactersAfterTheMarkAreKept_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("U+FEFF first") << QStringLiteral("\uFEFFab");
        QTest::newRow("U+FFFE first") << QStringLiteral("\uFFFEab");
        QTest::newRow("U+FFFE alone") << QStringLiteral("\uFFFE");
        QTest::newRow("two U+FEFF") << QStringLiteral("\uFEFF\uFEFF가");
    }

    void markLikeCharactersAfterTheMarkAreKept()
    {
        QFETCH(QString, text);
        QCOMPARE(textFromUtf16Bytes(bytes({0xFF, 0xFE}) + utf16Bytes(text)), text);
        QCOMPARE(textFromUtf16Bytes(UTF16FromUTF8withMark(bytes({0xEF, 0xBB, 0xBF}) + text.toUtf8())), text);
        QCOMPARE(UTF8FromUTF16withMark(bytes({0xFF, 0xFE}) + utf16Bytes(text)).mid(3), text.toUtf8());
    }

    void aBareAmpersandIsEscapedAndReferencesStay_data()
    {
        QTest::addColumn<QString>("value");
        QTest::addColumn<QString>("written");
        QTest::newRow("bare") << "AT&T & co"
                              << "AT&amp;T &amp; co";
        QTest::newRow("alone") << "&"
                               << "&amp;";
        QTest::newRow("twice") << "a&&b;"
                               << "a&amp;&amp;b;";
        QTest::newRow("the five entities") << "&amp;&lt;&gt;&quot;&apos;"
                                           << "&amp;&lt;&gt;&quot;&apos;";
        QTest::newRow("character references") << "&#44608;&#x1F600;&#9;&#xA;"
                                              << "&#44608;&#x1F600;&#9;&#xA;";
        QTest::newRow("an entity XML does not know") << "&nbsp;&copy"
                                                     << "&amp;nbsp;&amp;copy";
        QTest::newRow("upper-case X") << "&#X41;"
                                      << "&amp;#X41;";
        QTest::newRow("no character XML allows") << "&#0;&#1;&#xD800;&#xFFFE;&#x110000;"
                                                 << "&amp;#0;&amp;#1;&amp;#xD800;&amp;#xFFFE;&amp;#x110000;";
        QTest::newRow("unterminated") << "&#65 &#x41"
                                      << "&amp;#65 &amp;#x41";
        QTest::newRow("no digits") << "&#;&#x;"
                                   << "&amp;#;&amp;#x;";
        QTest::newRow("with the others") << "<A & \"B\">"
                                         << "&lt;A &amp; &quot;B&quot;&gt;";
    }
    void aBareAmpersandIsEscapedAndReferencesStay()
    {
        QFETCH(QString, value);
        QFETCH(QString, written);
        QCOMPARE(escapeAttributeValue(value), written);
        // The byte form the writers use finds the same references.
        for (qsizetype at = value.indexOf(u'&'); at >= 0; at = value.indexOf(u'&', at + 1))
            QCOMPARE(xmlReferenceLength(QByteArrayView(value.toUtf8()).sliced(value.left(at).toUtf8().size())),
                     xmlReferenceLength(QStringView(value).mid(at)));
    }

    void escaping()
    {
        QCOMPARE(escapeAttributeValue(QStringLiteral("  a<b>\"c\"  ")), QStringLiteral("a&lt;b&gt;&quot;c&quot;"));
        // A reference already in the value comes out unchanged; a "&" that begins none is escaped,
        // so that the document stays one an XML reader accepts.
        QCOMPARE(escapeAttributeValue(QStringLiteral("&lt; & 'x'")), QStringLiteral("&lt; &amp; 'x'"));
        // Only blanks are trimmed; tabs and line breaks stay, inner blanks stay.
        QCOMPARE(escapeAttributeValue(QStringLiteral(" \tA  B\r\n ")), QStringLiteral("\tA  B\r\n"));
        QCOMPARE(escapeAttributeValue(QStringLiteral("    ")), QString());
        QCOMPARE(trimBlanks(QStringLiteral(" 홍 길동 ")), QStringLiteral("홍 길동"));
    }
};

QTEST_GUILESS_MAIN(TextConversionTest)
#include "tst_textconversion.moc"
