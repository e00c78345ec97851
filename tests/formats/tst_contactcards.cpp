// Contacts and vCards: the public sample files of phones and programs, cards as old Korean phones
// and today's phones write them, and round trips that change no field.
#include "formats/ContactCards.h"
#include "records/Schema.h"
#include "support/FormatSamples.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTest>

using namespace pimdesk;
using namespace pimdesk::formats;

namespace {

QString vcardFile(const QString &name)
{
    return test::sharedTestdataPath(QStringLiteral("formats/vcard/") + name);
}

QString contactText(const QByteArray &card, const QString &field, VCardReadOptions options = {})
{
    const ContactsFromVCards read = contactsFromVCardFile(card, options);
    return read.contacts.isEmpty() ? QStringLiteral("<no contact>") : read.contacts[0].fields.value(field);
}

} // namespace

class ContactCardsTest : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase()
    {
        m_haveShared = QDir(vcardFile(QString())).exists();
    }

    // Every file of the shared folder gives contacts, or problems that say why not.
    void everyPublicFileIsReadOrRefused()
    {
        if (!m_haveShared)
            QSKIP("the shared vCard files (testdata/formats/vcard) are not here");
        const QStringList files = QDir(vcardFile(QString())).entryList(QDir::Files);
        QVERIFY(files.size() >= 48);
        for (const QString &name : files) {
            if (name == "SOURCES.md")
                continue;
            const ContactsFromVCards read = contactsFromVCardFile(test::readFile(vcardFile(name)));
            QVERIFY2(!read.contacts.isEmpty() || !read.problems.isEmpty(), qPrintable(name));
            for (const ImportedRecord &c : read.contacts)
                QVERIFY2(!c.fields.contains("ID"), qPrintable(name));
            // Cut short anywhere (a card half copied), a file still reads without harm.
            const QByteArray bytes = test::readFile(vcardFile(name));
            for (const qsizetype cut : {bytes.size() / 3, bytes.size() / 2, bytes.size() - 7}) {
                const ContactsFromVCards part = contactsFromVCardFile(bytes.first(std::max<qsizetype>(0, cut)));
                QVERIFY2(!part.contacts.isEmpty() || !part.problems.isEmpty(), qPrintable(name));
            }
        }
    }

    void publicFileFields_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<int>("card");
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        const auto row = [](const char *file, int card, const char *field, const QString &value) {
            QTest::addRow("%s #%d %s", file, card, field) << QString::fromLatin1(file) << card << QString::fromLatin1(field) << value;
        };
        row("aosp_v21_complicated.vcf", 0, "LastName", "Gump");
        row("aosp_v21_complicated.vcf", 0, "FirstName", "Forrest");
        row("aosp_v21_complicated.vcf", 0, "MiddleName", "Hoge");
        row("aosp_v21_complicated.vcf", 0, "Title", "Pos");
        row("aosp_v21_complicated.vcf", 0, "Suffix", "Tao");
        row("aosp_v21_complicated.vcf", 0, "FileAs", "Joe Due");
        row("aosp_v21_complicated.vcf", 0, "O_Company", "Gump Shrimp Co.");
        row("aosp_v21_complicated.vcf", 0, "O_Department", "Sales Dept.;Manager, Fish keeper");
        row("aosp_v21_complicated.vcf", 0, "O_Title", "Shrimp Man");
        row("aosp_v21_complicated.vcf", 0, "O_Profession", "Fish Cake Keeper!");
        row("aosp_v21_complicated.vcf", 0, "O_Phone", "(111) 555-1212");
        row("aosp_v21_complicated.vcf", 0, "H_Phone", "(404) 555-1212");
        row("aosp_v21_complicated.vcf", 0, "H_Mobile", "0311111111");
        row("aosp_v21_complicated.vcf", 0, "O_Street", "100 Waters Edge");
        row("aosp_v21_complicated.vcf", 0, "H_Zip", "30314");
        row("aosp_v21_complicated.vcf", 0, "Emails", "forrestgump@walladalla.com cell@example.com");
        row("aosp_v21_complicated.vcf", 0, "Notes",
            "The following note is the example from RFC 2045.\nNow's the time for all folk to come to the aid of their country.");
        row("aosp_v21_complicated.vcf", 0, "H_Birthday", "1 Jan 1980");
        row("aosp_v21_complicated.vcf", 0, "H_URL", "http://www.example.com/");
        row("aosp_v21_invalid_comment_line.vcf", 0, "Notes",
            "This is an (sharp -&gt;#&lt;- sharp) example. This message must NOT be ignored.");
        row("aosp_v21_invalid_multiple_line.vcf", 0, "Emails", "omega@example.com");
        row("aosp_v21_backslash.vcf", 0, "FirstName", "A;B\\");
        row("aosp_v21_backslash.vcf", 0, "MiddleName", "C\\;");
        row("aosp_v21_japanese_2.vcf", 0, "LastName", QStringLiteral("安藤"));
        row("aosp_v21_japanese_2.vcf", 0, "FirstPronunciation", QStringLiteral("ﾛｲﾄﾞ1"));
        row("aosp_v21_japanese_2.vcf", 0, "H_Street", QStringLiteral("東京都渋谷区桜丘町26-1セルリアンタワー6階"));
        row("aosp_v21_multiple_entry.vcf", 2, "LastName", QStringLiteral("安藤ロイド5"));
        row("aosp_v21_nest.vcf", 2, "LastName", "nest2");
        row("aosp_v21_winmo_65.vcf", 0, "H_Anniv", "10 Oct 2009");
        row("aosp_v30_ios_613_multiline.vcf", 0, "H_Mobile", "(650) 555-1212");
        row("aosp_v30_ios_613_multiline.vcf", 0, "H_URL", "www.smithauto.com");
        row("aosp_v40_sort_as.vcf", 0, "LastPronunciation", QStringLiteral("あんどう"));
        row("aosp_v40_sort_as.vcf", 0, "O_Pronunciation", QStringLiteral("ぐーぐる"));
        row("ezvcard_gmail-single.vcf", 0, "H_Anniv", "2 Jun 1970");
        row("ezvcard_gmail-single.vcf", 0, "H_Spouse", "MySpouse");
        row("ezvcard_gmail-single.vcf", 0, "H_Street", "123 Home St\nHome City, HM 12345");
        row("ezvcard_gmail-single.vcf", 0, "LastPronunciation", "Dart-mowth");
        row("ezvcard_rfc6350-example.vcf", 0, "H_Birthday", "3 Feb");
        row("ezvcard_rfc6350-example.vcf", 0, "H_Anniv", "8 Aug 2009");
        row("ezvcard_rfc6350-example.vcf", 0, "H_Gender", "1");
        row("ezvcard_rfc6350-example.vcf", 0, "O_Phone", "+1-418-656-9254;ext=102");
        row("ezvcard_rfc6350-example.vcf", 0, "O_Mobile", "+1-418-262-6501");
        row("ezvcard_John_Doe_EVOLUTION.vcf", 0, "O_Assistant", "Little Red");
        row("ezvcard_outlook-2003.vcf", 0, "Notes", "This is the note field!!\nSecond line\n\nThird line is empty\n");
        row("kde_vcard7.vcf", 0, "O_Street", "401 Park Drive  3 West\nBoston, MA 02215\nUSA\nHerecomesyetanotherline");
        row("kde_vcard10.vcf", 0, "O_Street", QStringLiteral("DDDDDDDDDDDDDDD-Staße 2\n00000 DDDDDDDDDD"));
        row("khard_korean-c.vcf", 0, "FileAs", QStringLiteral("최유림"));
        row("khard_text-bday.vcf", 0, "H_Birthday", "circa 1800");
        row("khard_photov4.vcf", 0, "Photo", "data:image/png;base64,iVBORw0KGgoAAAANSUhEUgAAAAsAAAALCAQAAAADpb+tAAAAQklEQVQI12");
    }
    void publicFileFields()
    {
        if (!m_haveShared)
            QSKIP("the shared vCard files (testdata/formats/vcard) are not here");
        QFETCH(QString, file);
        QFETCH(int, card);
        QFETCH(QString, field);
        QFETCH(QString, value);
        const ContactsFromVCards read = contactsFromVCardFile(test::readFile(vcardFile(file)));
        QVERIFY(card < read.contacts.size());
        const QString actual = read.contacts[card].fields.value(field);
        if (field == "Photo")
            QVERIFY2(actual.startsWith(value), qPrintable(actual.left(80)));
        else
            QCOMPARE(actual, value);
    }

    // Cards as Korean phones of the handheld's time wrote them: 2.1, EUC-KR (also unlabelled),
    // quoted-printable with soft breaks inside a character.
    void oldKoreanPhoneCard()
    {
        const QByteArray card = "BEGIN:VCARD\r\nVERSION:2.1\r\n"
                                "N;CHARSET=EUC-KR;ENCODING=QUOTED-PRINTABLE:=B1=E8;=C3=B6=BC=F6;;;\r\n"
                                "TEL;CELL:011-123-4567\r\nTEL;WORK;VOICE:02-555-0000\r\nTEL;WORK;FAX:02-555-0001\r\n"
                                "ADR;HOME;CHARSET=KS_C_5601-1987:;;\xBC\xAD\xBF\xEF\xBD\xC3 \xC1\xDF\xB1\xB8;;;100-011;\r\n"
                                "NOTE;CHARSET=EUC-KR;ENCODING=QUOTED-PRINTABLE:=C3=B9=C2=B0 =C1=D9=0D=0A=B5=CE=B9=\r\n"
                                "=F8=C2=B0\r\nORG:\xC7\xD1\xB1\xB9\xC0\xFC\xC0\xDA;\xBF\xB5\xBE\xF7\xBA\xCE\r\n"
                                "BDAY:19750105\r\nEND:VCARD\r\n";
        const ContactsFromVCards read = contactsFromVCardFile(card);
        QCOMPARE(read.contacts.size(), 1);
        const StoreRecord &c = read.contacts[0].fields;
        QCOMPARE(c.value("LastName"), QStringLiteral("김"));
        QCOMPARE(c.value("FirstName"), QStringLiteral("철수"));
        QCOMPARE(c.value("FileAs"), QStringLiteral("철수 김")); // no FN: the editor's composition
        QCOMPARE(c.value("H_Mobile"), QStringLiteral("011-123-4567"));
        QCOMPARE(c.value("O_Phone"), QStringLiteral("02-555-0000"));
        QCOMPARE(c.value("O_Fax"), QStringLiteral("02-555-0001"));
        QCOMPARE(c.value("H_Street"), QStringLiteral("서울시 중구"));
        QCOMPARE(c.value("H_Zip"), QStringLiteral("100-011"));
        QCOMPARE(c.value("Notes"), QStringLiteral("첫째 줄\n두번째"));
        QCOMPARE(c.value("O_Company"), QStringLiteral("한국전자")); // 8-bit without CHARSET
        QCOMPARE(c.value("O_Department"), QStringLiteral("영업부"));
        QCOMPARE(c.value("H_Birthday"), QStringLiteral("5 Jan 1975"));
        QCOMPARE(read.foreign.count, 0);
    }

    // Today's phones: 3.0 with groups and labels (iPhone), 4.0 with tel: addresses (Android).
    void todaysPhoneCards()
    {
        const QByteArray iphone = "BEGIN:VCARD\nVERSION:3.0\nPRODID:-//Apple Inc.//iPhone OS 17.0//EN\nN:이;영희;;;\n"
                                  "FN:이영희\nX-PHONETIC-LAST-NAME:Lee\nitem1.TEL;type=pref:010-2222-3333\n"
                                  "item1.X-ABLabel:_$!<Mobile>!$_\nTEL;type=WORK;type=VOICE:02-1111-2222\n"
                                  "item2.X-ABDATE;X-APPLE-OMIT-YEAR=1604:1604-03-08\nitem2.X-ABLabel:_$!<Anniversary>!$_\n"
                                  "BDAY;X-APPLE-OMIT-YEAR=1604:1604-12-25\nX-ICQ:12345\nGEO:37.5;127.0\nEND:VCARD\n";
        ContactsFromVCards read = contactsFromVCardFile(iphone);
        QCOMPARE(read.contacts.size(), 1);
        StoreRecord c = read.contacts[0].fields;
        QCOMPARE(c.value("H_Mobile"), QStringLiteral("010-2222-3333"));
        QCOMPARE(c.value("O_Phone"), QStringLiteral("02-1111-2222"));
        QCOMPARE(c.value("LastPronunciation"), QStringLiteral("Lee"));
        QCOMPARE(c.value("H_Birthday"), QStringLiteral("25 Dec")); // a birthday without a year stays so
        QCOMPARE(c.value("H_Anniv"), QStringLiteral("8 Mar"));
        QCOMPARE(read.foreign.count, 2);
        QCOMPARE(read.foreign.byName.value("GEO"), 1);

        const QByteArray android = "BEGIN:VCARD\r\nVERSION:4.0\r\nFN:박지성\r\nN:박;지성;;;\r\nGENDER:M\r\n"
                                   "TEL;VALUE=uri;TYPE=\"cell,home\":tel:+82-10-1234-5678\r\nTEL;TYPE=work,cell:tel:010-9\r\n"
                                   "EMAIL;TYPE=work:park@example.com\r\nBDAY:--0225\r\nUID:urn:uuid:1234\r\nEND:VCARD\r\n";
        read = contactsFromVCardFile(android);
        c = read.contacts.value(0).fields;
        QCOMPARE(c.value("H_Mobile"), QStringLiteral("+82-10-1234-5678"));
        QCOMPARE(c.value("O_Mobile"), QStringLiteral("010-9"));
        QCOMPARE(c.value("H_Gender"), QStringLiteral("1"));
        QCOMPARE(c.value("H_Birthday"), QStringLiteral("25 Feb"));
        QCOMPARE(read.contacts[0].foreignUid, QStringLiteral("urn:uuid:1234"));
        QVERIFY(!read.contacts[0].ownId);
    }

    void roundTrip_data()
    {
        QTest::addColumn<int>("version");
        QTest::addColumn<QString>("field");
        for (const auto &[version, name] : {std::pair{VCardVersion::V21, "2.1"}, {VCardVersion::V30, "3.0"}, {VCardVersion::V40, "4.0"}})
            for (const QString &field : schema::contacts().fields)
                QTest::addRow("%s %s", name, qPrintable(field)) << int(version) << field;
    }
    // Every field of a contact comes back as it was, through every version; the fields with a
    // standard property travel in it, not in our private ones.
    void roundTrip()
    {
        QFETCH(int, version);
        QFETCH(QString, field);
        const StoreRecord contact = test::everyContactField();
        const QByteArray file = vcardFileFromContacts({contact}, VCardVersion(version));
        const ContactsFromVCards read = contactsFromVCardFile(file);
        QCOMPARE(read.contacts.size(), 1);
        QCOMPARE(read.foreign.count, 0);
        QVERIFY(read.problems.isEmpty());
        const ImportedRecord &back = read.contacts[0];
        if (field == "ID") {
            QCOMPARE(back.ownId.value_or(-1), 42);
            return;
        }
        QCOMPARE(back.fields.value(field), contact.value(field));
        static const QStringList privateOnes{"application", "O_Office",   "O_Assistant",   "O_Manager",
                                             "H_Spouse",    "H_Children", "BusinessContact", "BusinessCard",
                                             "outlook_index"};
        QCOMPARE(file.contains(privatePropertyName(field)), privateOnes.contains(field));
    }

    // Values the standard properties cannot hold exactly come back through our own.
    void inexactValuesComeBack_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("value");
        QTest::newRow("gender unknown") << "H_Gender" << "0";
        QTest::newRow("birthday as the handheld writes it") << "H_Birthday" << "20040105";
        QTest::newRow("birthday as text") << "H_Birthday" << "spring";
        QTest::newRow("e-mail list with two blanks") << "Emails" << "a@b.c  d@e.f";
        QTest::newRow("photo that is no address") << "Photo" << "some picture";
    }
    void inexactValuesComeBack()
    {
        QFETCH(QString, field);
        QFETCH(QString, value);
        const StoreRecord contact{{"ID", "1"}, {"FileAs", "x"}, {field, value}};
        for (const VCardVersion version : {VCardVersion::V21, VCardVersion::V30, VCardVersion::V40}) {
            const QByteArray file = vcardFileFromContacts({contact}, version);
            // (4.0 has a text birthday of its own.)
            if (version != VCardVersion::V40)
                QVERIFY(file.contains(privatePropertyName(field)));
            QCOMPARE(contactText(file, field), value);
        }
    }

    void storeTextAtTheEdges()
    {
        const StoreRecord contact{{"FileAs", "AT&amp;T &lt;본사&gt; &quot;1&quot;"}, {"Notes", "&#44608; &amp;"}};
        const QByteArray file = vcardFileFromContacts({contact});
        QVERIFY(file.contains("FN:AT&T <본사> \"1\""));
        QVERIFY(file.contains("NOTE:김 &"));
        QCOMPARE(contactText(file, "FileAs"), contact.value("FileAs"));
        QCOMPARE(contactText(file, "Notes"), QStringLiteral("김 &amp;"));
    }

    // Without FN the display name is composed as the contact editor composes it; with no name at
    // all, the company, then an address or a number, so that no list row is blank.
    void displayNameWithoutFn_data()
    {
        QTest::addColumn<QByteArray>("properties");
        QTest::addColumn<QString>("fileAs");
        QTest::newRow("every part") << QByteArray("N:Kim;Chulsoo;Min;Dr;Jr\nNICKNAME:CS\nX-PHONETIC-FIRST-NAME:Cheolsu\n"
                                                  "X-PHONETIC-LAST-NAME:Gim\n")
                                    << "Dr Chulsoo (CS) Min Kim Jr &quot;Cheolsu Gim&quot;";
        QTest::newRow("company only") << QByteArray("N:;;;;\nORG:Acme;Sales\n") << "Acme";
        QTest::newRow("e-mail only") << QByteArray("EMAIL:a@b.c\nEMAIL:d@e.f\n") << "a@b.c";
    }
    void displayNameWithoutFn()
    {
        QFETCH(QByteArray, properties);
        QFETCH(QString, fileAs);
        QCOMPARE(contactText("BEGIN:VCARD\nVERSION:3.0\n" + properties + "END:VCARD\n", "FileAs"), fileAs);
    }

    void damagedCardIsSkippedOthersRead()
    {
        const QByteArray file = "BEGIN:VCARD\nVERSION:3.0\nFN:one\nEND:VCARD\nBEGIN:VCARD\nVERSION:3.0\nFN:two\n"
                                "garbage without a colon\nEND:VCARD\nBEGIN:VCARD\nVERSION:3.0\nFN:three\nEND:VCARD\n";
        const ContactsFromVCards read = contactsFromVCardFile(file);
        QCOMPARE(read.contacts.size(), 2);
        QCOMPARE(read.contacts[1].fields.value("FileAs"), QStringLiteral("three"));
        QCOMPARE(read.contacts[1].position, 3);
        QCOMPARE(read.problems.size(), 1);
        QCOMPARE(read.problems[0].position, 2);
        QVERIFY(read.problems[0].cardSkipped);
    }

private:
    bool m_haveShared = false;
};

QTEST_APPLESS_MAIN(ContactCardsTest)
#include "tst_contactcards.moc"
