#include "records/StoreText.h"

#include <QTest>

using namespace pimdesk;

// The store keeps text as the handheld's documents do; files and people see characters.
class StoreTextTest : public QObject
{
    Q_OBJECT
private slots:
    void plainToStore_data()
    {
        QTest::addColumn<QString>("plain");
        QTest::addColumn<QString>("stored");
        QTest::newRow("nothing to escape") << "홍길동 O'Neil\nline" << "홍길동 O'Neil\nline";
        QTest::newRow("the four characters") << "A & B \"c\" <d>" << "A &amp; B &quot;c&quot; &lt;d&gt;";
        QTest::newRow("an ampersand that looks like a reference") << "&amp;" << "&amp;amp;";
        QTest::newRow("empty") << "" << "";
    }
    void plainToStore()
    {
        QFETCH(QString, plain);
        QFETCH(QString, stored);
        QCOMPARE(storeTextFromPlain(plain), stored);
        QCOMPARE(plainFromStoreText(stored), plain);
    }

    void storeToPlain_data()
    {
        QTest::addColumn<QString>("stored");
        QTest::addColumn<QString>("plain");
        QTest::newRow("named references") << "&quot;&amp;&lt;&gt;&apos;" << "\"&<>'";
        QTest::newRow("decimal and hex references") << "&#44608;&#x1F600;&#X41;" << QString::fromUcs4(U"김\U0001F600A");
        QTest::newRow("a bare ampersand stays") << "AT&T & co" << "AT&T & co";
        QTest::newRow("unknown entity stays") << "&nbsp;&copy" << "&nbsp;&copy";
        QTest::newRow("references to no character stay") << "&#0;&#xD800;&#x110000;&#;&#x;" << "&#0;&#xD800;&#x110000;&#;&#x;";
        QTest::newRow("unterminated reference stays") << "&#65 and &#x41" << "&#65 and &#x41";
        QTest::newRow("references are decoded once") << "&amp;quot;" << "&quot;";
    }
    void storeToPlain()
    {
        QFETCH(QString, stored);
        QFETCH(QString, plain);
        QCOMPARE(plainFromStoreText(stored), plain);
    }
};

QTEST_APPLESS_MAIN(StoreTextTest)
#include "tst_storetext.moc"
