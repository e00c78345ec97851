#include "outlook/pst/BodyText.h"
#include "outlook/pst/CodePages.h"
#include "outlook/pst/PstFile.h"
#include "outlook/pst/Recurrence.h"

#include <QTest>
#include <QtEndian>

using namespace pimdesk::pst;

namespace {

// A recurrence blob laid out as Outlook writes it: pattern, range, then (for appointments) the
// occurrences' times and no exceptions.
QByteArray recurrenceBlob(quint16 frequency, quint16 patternType, quint32 period, const QList<quint32> &specific,
                          quint32 endType, quint32 occurrences, quint32 endDate, bool appointment = true)
{
    QByteArray b;
    auto u16 = [&](quint16 v) { b.append(reinterpret_cast<const char *>(&v), 2); };
    auto u32 = [&](quint32 v) { b.append(reinterpret_cast<const char *>(&v), 4); };
    u16(0x3004), u16(0x3004), u16(frequency), u16(patternType), u16(0);
    u32(0), u32(period), u32(0);
    for (quint32 v : specific)
        u32(v);
    u32(endType), u32(occurrences), u32(0), u32(0), u32(0);
    u32(218576160); // 2016-08-02
    u32(endDate);
    if (appointment)
        u32(0x3006), u32(0x3009), u32(480), u32(510), u16(0);
    return b;
}

constexpr quint32 never = 0x5AE980DF;             // 4500-12-31 23:59
constexpr quint32 may28 = 218576160 + 1440 * 664; // 2018-05-28

} // namespace

class TestPstParts : public QObject
{
    Q_OBJECT
private slots:
    void recurrence_data()
    {
        QTest::addColumn<QByteArray>("blob");
        QTest::addColumn<int>("type");
        QTest::addColumn<int>("mask");
        QTest::addColumn<int>("instance");
        QTest::addColumn<int>("occurrences");
        QTest::addColumn<bool>("noEnd");
        QTest::addColumn<QDate>("end");
        QTest::newRow("daily, 85 times") << recurrenceBlob(0x200A, 0, 1440, {}, 0x2021, 85, may28) << 0 << 0 << 0 << 85
                                         << false << QDate(2018, 5, 28);
        QTest::newRow("Mondays and Wednesdays") << recurrenceBlob(0x200B, 1, 1, {0x0A}, 0x2023, 10, never) << 1 << 10
                                                << 0 << 10 << true << QDate(4500, 12, 31);
        QTest::newRow("every weekday") << recurrenceBlob(0x200A, 1, 0, {62}, 0x2022, 5, may28) << 1 << 62 << 0 << 5
                                       << false << QDate(2018, 5, 28);
        QTest::newRow("monthly on the 15th") << recurrenceBlob(0x200C, 2, 1, {15}, 0xFFFFFFFF, 10, never) << 2 << 0 << 0
                                             << 10 << true << QDate(4500, 12, 31);
        QTest::newRow("last Friday") << recurrenceBlob(0x200C, 3, 1, {0x20, 5}, 0x2022, 12, may28) << 3 << 0x20 << 5
                                     << 12 << false << QDate(2018, 5, 28);
        QTest::newRow("yearly") << recurrenceBlob(0x200D, 2, 12, {7}, 0x2023, 10, never) << 5 << 0 << 0 << 10 << true
                                << QDate(4500, 12, 31);
        QTest::newRow("second Tuesday yearly") << recurrenceBlob(0x200D, 3, 12, {0x04, 2}, 0x2022, 3, may28) << 6 << 4
                                               << 2 << 3 << false << QDate(2018, 5, 28);
        QTest::newRow("a task's pattern") << recurrenceBlob(0x200C, 2, 1, {1}, 0x2021, 12, may28, false) << 2 << 0 << 0
                                          << 12 << false << QDate(2018, 5, 28);
    }

    void recurrence()
    {
        QFETCH(QByteArray, blob);
        const auto r = parseRecurrence(blob);
        QVERIFY(r);
        QTEST(r->recurrenceType, "type");
        QTEST(r->dayOfWeekMask, "mask");
        QTEST(r->instance, "instance");
        QTEST(r->occurrences, "occurrences");
        QTEST(r->noEndDate, "noEnd");
        QTEST(r->patternEndDate.date(), "end");
        QCOMPARE(r->patternStartDate.date(), QDate(2016, 8, 2));

        // Cut anywhere before the end of its range, or of another version, it is no pattern
        // (The appointment part, the last 18 bytes, is optional.)
        for (qsizetype size = 0; size < blob.size() - 18; ++size)
            QVERIFY2(!parseRecurrence(blob.left(size)), qPrintable(QString::number(size)));
        blob[0] = 0x05;
        QVERIFY(!parseRecurrence(blob));
    }

    void rtf_data()
    {
        QTest::addColumn<QByteArray>("rtf");
        QTest::addColumn<QString>("text");
        QTest::newRow("Korean bytes of the document's code page")
            << QByteArray("{\\rtf1\\ansi\\ansicpg949\\deff0{\\fonttbl{\\f0\\fnil\\fcharset129 Gulim;}}"
                          "{\\colortbl;\\red0\\green0\\blue0;}\\f0\\fs20 \\'c7\\'d1\\'b1\\'db\\par second\\par\\par}")
            << "한글\r\nsecond";
        QTest::newRow("Japanese font in a Western document")
            << QByteArray("{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0 Arial;}{\\f1\\fcharset128 MS Gothic;}}"
                          "\\f1 \\'83\\'52\\'83\\'80\\f0  \\'e9}")
            << "コム é";
        QTest::newRow("Unicode with replacement") << QByteArray("{\\rtf1\\ansi\\uc1 caf\\u233?\\u-10179?\\u-8704? x}")
                                                  << QString("café") + QString::fromUcs4(U"\U0001F600") + " x";
        QTest::newRow("hidden destinations")
            << QByteArray("{\\rtf1{\\*\\generator Riched20;}{\\stylesheet{\\s0 Normal;}}{\\info{\\author me}}"
                          "{\\*\\themedata 0102}Body{\\field{\\*\\fldinst HYPERLINK x}{\\fldrslt link}}}")
            << "Bodylink";
        QTest::newRow("escapes") << QByteArray("{\\rtf1 a\\{b\\}c\\\\d\\tab e\\line f\\~g\r\nh}")
                                 << "a{b}c\\d\te\r\nf gh";
        QTest::newRow("wrapped HTML")
            << QByteArray("{\\rtf1\\ansi\\fromhtml1 {\\*\\htmltag64 <p>}Hello{\\*\\htmltag72 </p>}\\htmlrtf \\par "
                          "\\htmlrtf0 {\\*\\htmltag64 <p>}World &amp; co{\\*\\htmltag72 </p>}}")
            << "Hello\r\nWorld & co";
        QTest::newRow("cut short") << QByteArray("{\\rtf1 half a sen") << "half a sen";
    }

    void rtf()
    {
        QFETCH(QByteArray, rtf);
        QTEST(textFromRtf(rtf), "text");
    }

    void html_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("text");
        QTest::newRow("paragraphs and entities")
            << "<html><head><title>t</title><style>p{}</style></head><body><p>Hello&nbsp;World</p>"
               "<p>a<br>b &lt;c&gt; &#54620;&#xAE00; &bogus;</p><!-- note --></body></html>"
            << "Hello World\r\na\r\nb <c> 한글 &bogus;";
        QTest::newRow("blanks") << "<div>  two\n  words </div>\n<div>three</div>"
                                << "two words\r\nthree";
        QTest::newRow("table") << "<table><tr><td>a</td><td>b</td></tr><tr><td>c</td></tr></table>"
                               << "a\tb\r\nc";
        QTest::newRow("pre") << "<pre>x  y\nz</pre>"
                             << "x  y\r\nz";
    }

    void html()
    {
        QFETCH(QString, html);
        QTEST(textFromHtml(html), "text");
    }

    void codePages()
    {
        QCOMPARE(decodeCodePage("\xC7\xD1\xB1\xDB", 949), QString("한글"));
        QCOMPARE(decodeCodePage("\x83\x52\x83\x80", 932), QString("コム"));
        QCOMPARE(decodeCodePage("caf\xE9", 12345), QString("café")); // unknown: Western
        QCOMPARE(decodeCodePage(QByteArray(), 949), QString(""));
        QCOMPARE(codePageOfLocale(1042), 949);
        QCOMPARE(codePageOfLocale(1041), 932);
        QCOMPARE(codePageOfLocale(1028), 950);
        QCOMPARE(codePageOfLocale(2052), 936);
        QCOMPARE(codePageOfLocale(1049), 1251);
        QCOMPARE(codePageOfLocale(1033), 1252);
        QCOMPARE(codePageOfInternetCodePage(50220), 932);
        QCOMPARE(codePageOfInternetCodePage(51949), 949);
        QCOMPARE(codePageOfInternetCodePage(65001), 0);
    }

    void entryIds()
    {
        const QByteArray key = QByteArray::fromHex("A41D63DBC53B8E4AB8071E15E55750CE");
        QCOMPARE(entryIdText(key, 0x002000C4), QString("00000000A41D63DBC53B8E4AB8071E15E55750CEC4002000"));
        QCOMPARE(entryIdText(key, 0x00200064), QString("00000000A41D63DBC53B8E4AB8071E15E55750CE64002000"));
    }
};

QTEST_GUILESS_MAIN(TestPstParts)
#include "tst_pstparts.moc"
