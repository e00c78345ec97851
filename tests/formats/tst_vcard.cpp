// The vCard reader and writer on their own: how cards are cut into properties and values, and
// how properties are written back, by the rules of each version.
#include "formats/Charsets.h"
#include "formats/VCard.h"

#include <QTest>

using namespace pimdesk::formats;

namespace {

QString textOf(const VCard &card, QByteArrayView name)
{
    const VCardProperty *p = card.first(name);
    return p ? vcardText(*p, card.version) : QStringLiteral("<none>");
}

QByteArray eucKr(const QString &text)
{
    // The bytes old Korean phones write: 김 is B1 E8, 철 C3 B6, 수 BC F6; 갂 (CP949 only) 81 41.
    QByteArray out;
    for (const QChar c : text) {
        if (c == u'김')
            out += "\xB1\xE8";
        else if (c == u'철')
            out += "\xC3\xB6";
        else if (c == u'수')
            out += "\xBC\xF6";
        else if (c == u'갂')
            out += "\x81\x41";
        else
            out += char(c.unicode());
    }
    return out;
}

} // namespace

class VCardTest : public QObject
{
    Q_OBJECT
private slots:
    void lineEnds_data()
    {
        QTest::addColumn<QByteArray>("end");
        QTest::newRow("CR LF") << QByteArray("\r\n");
        QTest::newRow("LF") << QByteArray("\n");
        QTest::newRow("CR CR LF (iOS 6)") << QByteArray("\r\r\n");
        QTest::newRow("CR") << QByteArray("\r");
    }
    void lineEnds()
    {
        QFETCH(QByteArray, end);
        const QByteArray file = QByteArray("BEGIN:VCARD|VERSION:3.0|N:Kim;Chulsoo;;;|NOTE:one\\ntwo, folded|  across lines|"
                                           "END:VCARD|BEGIN:VCARD|VERSION:3.0|FN:Second|END:VCARD|")
                                    .replace("|", end);
        const VCardFile read = readVCards(file);
        QCOMPARE(read.cards.size(), 2);
        QVERIFY(read.problems.isEmpty());
        QCOMPARE(vcardComponents(*read.cards[0].first("N"), VCardVersion::V30),
                 QStringList({"Kim", "Chulsoo", "", "", ""}));
        QCOMPARE(textOf(read.cards[0], "NOTE"), QStringLiteral("one\ntwo, folded across lines"));
        QCOMPARE(textOf(read.cards[1], "FN"), QStringLiteral("Second"));
        QCOMPARE(read.cards[1].position, 2);
    }

    // 2.1 quoted-printable: a soft line break continues the value with the next line as it is,
    // even when it starts with a blank or "#" (which elsewhere starts a comment line), and even
    // in the middle of a character of several bytes.
    void quotedPrintableSoftBreaks_data()
    {
        QTest::addColumn<QByteArray>("card");
        QTest::addColumn<QString>("note");
        QTest::newRow("continuation with a blank")
            << QByteArray("NOTE;ENCODING=QUOTED-PRINTABLE:time for =\r\n all\r\n") << "time for  all";
        QTest::newRow("continuation with #") << QByteArray("# a comment\r\nNOTE;QUOTED-PRINTABLE:a=\r\n#b\r\n# another\r\n")
                                             << "a#b";
        QTest::newRow("break inside a UTF-8 character")
            << QByteArray("NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:=ED=99=8D=EA=B8=\r\n=B8=EB=8F=99\r\n")
            << QStringLiteral("홍길동");
        QTest::newRow("break inside an EUC-KR character")
            << QByteArray("NOTE;CHARSET=EUC-KR;ENCODING=QUOTED-PRINTABLE:=B1=E8=C3=\r\n=B6=BC=F6=0D=0A2=\r\n\r\n")
            << QStringLiteral("김철수\n2");
        QTest::newRow("lower-case hex, a lone =") << QByteArray("NOTE;QUOTED-PRINTABLE:a=3db =x\r\n") << "a=b =x";
    }
    void quotedPrintableSoftBreaks()
    {
        QFETCH(QByteArray, card);
        QFETCH(QString, note);
        const VCardFile read = readVCards("BEGIN:VCARD\r\nVERSION:2.1\r\n" + card + "END:VCARD\r\n");
        QCOMPARE(read.cards.size(), 1);
        QCOMPARE(textOf(read.cards[0], "NOTE"), note);
    }

    void charsets_data()
    {
        QTest::addColumn<QByteArray>("line");
        QTest::addColumn<QString>("text");
        QTest::newRow("EUC-KR, read as CP949") << "FN;CHARSET=EUC-KR:" + eucKr("김철수갂") << QStringLiteral("김철수갂");
        QTest::newRow("KS_C_5601-1987") << "FN;CHARSET=KS_C_5601-1987:" + eucKr("김철수") << QStringLiteral("김철수");
        QTest::newRow("no charset, not UTF-8: the Korean phones' set") << "FN:" + eucKr("김철수") << QStringLiteral("김철수");
        QTest::newRow("no charset, UTF-8") << QByteArray("FN:김철수") << QStringLiteral("김철수");
        QTest::newRow("SHIFT_JIS, read as CP932 (NEC row)")
            << QByteArray("FN;CHARSET=SHIFT_JIS:\x88\xc0\x93\xa1\x87\x40") << QStringLiteral("安藤①");
        QTest::newRow("ISO-8859-1") << QByteArray("FN;CHARSET=ISO-8859-1:Ren\xe9") << QStringLiteral("René");
    }
    void charsets()
    {
        QFETCH(QByteArray, line);
        QFETCH(QString, text);
        const VCardFile read = readVCards("BEGIN:VCARD\nVERSION:2.1\n" + line + "\nEND:VCARD\n");
        QCOMPARE(read.cards.size(), 1);
        QCOMPARE(textOf(read.cards[0], "FN"), text);
        QVERIFY(read.problems.isEmpty());
    }

    void unknownCharsetIsSaidAndReadAsUtf8()
    {
        const VCardFile read = readVCards("BEGIN:VCARD\nVERSION:2.1\nFN;CHARSET=X-NOSUCH:abc\nEND:VCARD\n");
        QCOMPARE(textOf(read.cards.value(0), "FN"), QStringLiteral("abc"));
        QCOMPARE(read.problems.size(), 1);
        QVERIFY(!read.problems[0].cardSkipped);
        QVERIFY(read.problems[0].reason.contains("X-NOSUCH"));
    }

    void parametersGroupsAndCase()
    {
        const VCardFile read = readVCards("begin:vCard\r\nVERSION:3.0\r\nitem1.EMAIL;INTERNET;PREF:a@b.c\r\n"
                                          "item1.X-ABLabel:_$!<Work>!$_\r\nTEL;TYPE=\"work,voice\";PREF=1:1\r\n"
                                          "TEL;type=CELL;type=pref:2\r\nX-A;X-P=\"a;b:c\":v\r\nend:VCARD\r\n");
        QCOMPARE(read.cards.size(), 1);
        const VCard &card = read.cards[0];
        const VCardProperty *email = card.first("EMAIL");
        QCOMPARE(email->group, QByteArray("item1"));
        QVERIFY(email->hasType("internet") && email->hasType("PREF"));
        QCOMPARE(card.properties[2].types(), QStringList({"WORK", "VOICE"}));
        QCOMPARE(card.properties[3].types(), QStringList({"CELL", "PREF"}));
        QCOMPARE(card.properties[4].parameter("X-P"), QStringLiteral("a;b:c"));
        QCOMPARE(card.properties[4].value, QStringLiteral("v"));
    }

    void base64Photos_data()
    {
        QTest::addColumn<QByteArray>("card");
        QTest::addColumn<bool>("read");
        QTest::newRow("2.1 with the blank line")
            << QByteArray("VERSION:2.1\r\nPHOTO;ENCODING=BASE64;TYPE=JPEG:\r\n AAEC\r\n AwQF\r\n\r\nFN:x\r\n") << true;
        QTest::newRow("2.1 lines without indent, no blank line")
            << QByteArray("VERSION:2.1\r\nPHOTO;BASE64:AAEC\r\nAwQF\r\nFN:x\r\n") << true;
        QTest::newRow("3.0 folded") << QByteArray("VERSION:3.0\r\nPHOTO;ENCODING=b;TYPE=JPEG:AAEC\r\n AwQF\r\nFN:x\r\n")
                                    << true;
        QTest::newRow("broken base64") << QByteArray("VERSION:2.1\r\nPHOTO;ENCODING=BASE64:AAEC:ASDF==\r\n\r\nFN:x\r\n")
                                       << false;
    }
    void base64Photos()
    {
        QFETCH(QByteArray, card);
        QFETCH(bool, read);
        const VCardFile file = readVCards("BEGIN:VCARD\r\n" + card + "END:VCARD\r\n");
        QCOMPARE(file.cards.size(), 1);
        QCOMPARE(textOf(file.cards[0], "FN"), QStringLiteral("x"));
        const VCardProperty *photo = file.cards[0].first("PHOTO");
        QCOMPARE(photo != nullptr, read);
        if (read)
            QCOMPARE(photo->binary, QByteArray("\x00\x01\x02\x03\x04\x05", 6));
        else
            QVERIFY(!file.problems.isEmpty() && !file.problems[0].cardSkipped);
    }

    void nestedAndDamagedCards()
    {
        const QByteArray file = "BEGIN:VCARD\nVERSION:2.1\nN:parent\nBEGIN:VCARD\nN:nest\nEND:VCARD\nTEL:1\nEND:VCARD\n"
                                "BEGIN:VCARD\nVERSION:3.0\nFN:broken\nthis line is no property\nEND:VCARD\n"
                                "BEGIN:VCARD\nVERSION:3.0\nFN:good\nEND:VCARD\n"
                                "BEGIN:VCARD\nVERSION:3.0\nFN:cut off\n";
        const VCardFile read = readVCards(file);
        QStringList names;
        for (const VCard &card : read.cards)
            names << (card.first("FN") ? textOf(card, "FN") : textOf(card, "N"));
        QCOMPARE(names, QStringList({"parent", "nest", "good"}));
        QCOMPARE(read.cards[0].first("TEL")->value, QStringLiteral("1"));
        QCOMPARE(read.problems.size(), 2);
        QCOMPARE(read.problems[0].position, 3);
        QCOMPARE(read.problems[0].line, 12);
        QVERIFY(read.problems[0].cardSkipped);
        QCOMPARE(read.problems[1].position, 5);
        QVERIFY(read.problems[1].reason.contains("END:VCARD"));
    }

    void notACard()
    {
        const VCardFile read = readVCards("\x89PNG\r\n\x1a\n\x00\x00 binary");
        QVERIFY(read.cards.isEmpty());
        QCOMPARE(read.problems.size(), 1);
        QCOMPARE(read.problems[0].position, 0);
        QVERIFY(readVCards("").problems.isEmpty());
    }

    void escapesPerVersion_data()
    {
        QTest::addColumn<int>("version");
        QTest::newRow("2.1") << int(VCardVersion::V21);
        QTest::newRow("3.0") << int(VCardVersion::V30);
        QTest::newRow("4.0") << int(VCardVersion::V40);
    }
    // Whatever the writer escapes, the reader gives back: text and structured values with the
    // characters each version escapes, Korean and line breaks.
    void escapesPerVersion()
    {
        QFETCH(int, version);
        const QString text = QStringLiteral("a, b; c\\d\n둘째 줄 \"인용\"");
        const QStringList parts{"Kim; Jr", "철수,민수", "", "back\\slash", "line\nbreak"};
        VCard card;
        VCardProperty note;
        note.name = "NOTE";
        note.value = vcardEscapedText(text, VCardVersion(version));
        VCardProperty name;
        name.name = "N";
        name.value = vcardJoinedComponents(parts, VCardVersion(version));
        card.properties << note << name;
        const VCardFile read = readVCards(writeVCard(card, VCardVersion(version)));
        QCOMPARE(read.cards.size(), 1);
        QCOMPARE(int(read.cards[0].version), version);
        QCOMPARE(textOf(read.cards[0], "NOTE"), text);
        QCOMPARE(vcardComponents(*read.cards[0].first("N"), VCardVersion(version)), parts);
    }

    // Lines of at most 75 octets, never cut inside a character; 2.1 gives anything but short
    // ASCII as quoted-printable UTF-8, its lines at most 76 characters and whole characters.
    void folding_data()
    {
        QTest::addColumn<int>("version");
        QTest::newRow("2.1") << int(VCardVersion::V21);
        QTest::newRow("3.0") << int(VCardVersion::V30);
    }
    void folding()
    {
        QFETCH(int, version);
        const QString note = QString(QStringLiteral("가나다라마바사아자차카타파하 ")).repeated(12);
        VCard card;
        VCardProperty p;
        p.name = "NOTE";
        p.value = note;
        card.properties << p;
        const QByteArray written = writeVCard(card, VCardVersion(version));
        for (const QByteArray &line : written.split('\n')) {
            const QByteArray l = line.endsWith('\r') ? line.chopped(1) : line;
            QVERIFY2(l.size() <= (version == 0 ? 76 : 75), l.constData());
            QVERIFY2(l.isValidUtf8(), l.constData());
            if (version == 0 && !l.startsWith("BEGIN") && !l.startsWith("VERSION") && !l.startsWith("END")) {
                // Each quoted-printable line holds whole characters.
                QByteArray piece = l.endsWith('=') ? l.chopped(1) : l;
                piece = piece.mid(piece.indexOf(':') + 1);
                QByteArray bytes;
                for (qsizetype i = 0; i < piece.size(); ++i) {
                    if (piece[i] != '=') {
                        bytes += piece[i];
                        continue;
                    }
                    bytes += char(piece.mid(i + 1, 2).toInt(nullptr, 16));
                    i += 2;
                }
                QVERIFY2(bytes.isValidUtf8(), l.constData());
            }
        }
        if (version == 0)
            QVERIFY(written.contains("NOTE;CHARSET=UTF-8;ENCODING=QUOTED-PRINTABLE:"));
        QCOMPARE(textOf(readVCards(written).cards.value(0), "NOTE"), note);
    }

    void charsetLabels()
    {
        QCOMPARE(iconvNameOf("ks_c_5601-1987"), QByteArray("CP949"));
        QCOMPARE(iconvNameOf("Shift_JIS"), QByteArray("CP932"));
        QCOMPARE(decodeCharset("\xff\xfe", "EUC-KR").value_or("none"), QStringLiteral("\uFFFD\uFFFD"));
        QVERIFY(!decodeCharset("abc", "NO-SUCH-SET"));
    }
};

QTEST_APPLESS_MAIN(VCardTest)
#include "tst_vcard.moc"
