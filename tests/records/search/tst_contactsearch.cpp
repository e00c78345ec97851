// The contact search's SQL text: built piece by piece as the search window promises, and always a
// record source the store can open, whatever the user typed.
#include "records/RecordSet.h"
#include "records/Store.h"
#include "records/search/ContactSearch.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;

Q_DECLARE_METATYPE(pimdesk::ContactSearchCriteria)

class TestContactSearch : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void buildsTheText_data();
    void buildsTheText();
    void findsWhatWasTyped_data();
    void findsWhatWasTyped();
    void anyTypedTextOpens();

private:
    QList<qint64> idsOf(const QString &recordSource);

    QTemporaryDir m_dir;
    std::shared_ptr<Store> m_store;
};

void TestContactSearch::initTestCase()
{
    QVERIFY(m_dir.isValid());
    m_store = Store::open(Store::pathInDirectory(m_dir.filePath("DATA")));
    const QList<QVariantList> rows = {
        {1, "Dr", "Hong Gildong", "Samsung", "Jongno 1", "Teheran-ro 5"},
        {2, "Mr", "Kim &quot;Jay&quot;", "LG", "Mapo 7", "Yeouido 2"},
        {3, "Ms", "Kim \"Jay\"", "100% Pure", "a_b street", "C:\\Office"},
        {4, QVariant(), "Lee *star*", "O'Brien & Co", "Jongno 9", QVariant()},
        {5, "Dr", "lee minho", "samsung", QVariant(), "Teheran-ro 77"},
    };
    for (const QVariantList &row : rows)
        m_store->exec(
            "INSERT INTO Contacts (ID, Title, FileAs, O_Company, H_Street, O_Street) VALUES (?, ?, ?, ?, ?, ?)", row);
}

QList<qint64> TestContactSearch::idsOf(const QString &recordSource)
{
    RecordSet records(m_store, recordSource);
    QList<qint64> ids;
    for (records.moveFirst(); !records.eof(); records.moveNext())
        ids.append(records.field("ID").toLongLong());
    return ids;
}

void TestContactSearch::buildsTheText_data()
{
    QTest::addColumn<ContactSearchCriteria>("criteria");
    QTest::addColumn<QString>("sql");

    QTest::newRow("nothing") << ContactSearchCriteria{} << "SELECT * FROM Contacts";
    QTest::newRow("blanks only") << ContactSearchCriteria{"  ", " ", "\t", "   ", " "} << "SELECT * FROM Contacts";
    QTest::newRow("business street only") << ContactSearchCriteria{{}, {}, {}, {}, "Teheran"}
                                          << "SELECT * FROM Contacts WHERE O_Street LIKE \"*Teheran*\"";
    QTest::newRow("title and name") << ContactSearchCriteria{"Dr", "Hong", {}, {}, {}}
                                    << "SELECT * FROM Contacts WHERE Title = \"Dr\" AND FileAs LIKE \"*Hong*\"";
    QTest::newRow("all five, trimmed")
        << ContactSearchCriteria{" Mr ", " Kim", "LG ", " Mapo ", "Yeouido"}
        << "SELECT * FROM Contacts WHERE Title = \"Mr\" AND FileAs LIKE \"*Kim*\" AND O_Company LIKE \"*LG*\""
           " AND H_Street LIKE \"*Mapo*\" AND O_Street LIKE \"*Yeouido*\"";
    QTest::newRow("company then home street") << ContactSearchCriteria{{}, {}, "Sam", "Jongno", {}}
                                              << "SELECT * FROM Contacts WHERE O_Company LIKE \"*Sam*\""
                                                 " AND H_Street LIKE \"*Jongno*\"";
    // A typed quote is looked for as the store keeps it now and, for records kept before, as it
    // is, doubled in its literal.
    QTest::newRow("quote doubled in its literal")
        << ContactSearchCriteria{{}, "Kim \"Jay\"", {}, {}, {}}
        << "SELECT * FROM Contacts WHERE (FileAs LIKE \"*Kim &quot;Jay&quot;*\" OR FileAs LIKE \"*Kim \"\"Jay\"\"*\")";
    QTest::newRow("quote in the title") << ContactSearchCriteria{"D\"r", {}, {}, {}, {}}
                                        << "SELECT * FROM Contacts WHERE (Title = \"D&quot;r\" OR Title = \"D\"\"r\")";
    QTest::newRow("ampersand and angle brackets")
        << ContactSearchCriteria{{}, {}, "A&B <C>", {}, {}}
        << "SELECT * FROM Contacts WHERE (O_Company LIKE \"*A&amp;B &lt;C&gt;*\" OR O_Company LIKE \"*A&B <C>*\")";
}

void TestContactSearch::buildsTheText()
{
    QFETCH(ContactSearchCriteria, criteria);
    QFETCH(QString, sql);
    QCOMPARE(contactSearchSql(criteria), sql);
}

void TestContactSearch::findsWhatWasTyped_data()
{
    QTest::addColumn<ContactSearchCriteria>("criteria");
    QTest::addColumn<QList<qint64>>("ids");

    using Ids = QList<qint64>;
    QTest::newRow("no criteria: all") << ContactSearchCriteria{} << Ids{1, 2, 3, 4, 5};
    QTest::newRow("title equal") << ContactSearchCriteria{"Dr", {}, {}, {}, {}} << Ids{1, 5};
    QTest::newRow("title in another case") << ContactSearchCriteria{"dr", {}, {}, {}, {}} << Ids{1, 5};
    QTest::newRow("title is not a contains test") << ContactSearchCriteria{"M", {}, {}, {}, {}} << Ids{};
    QTest::newRow("name anywhere, any case") << ContactSearchCriteria{{}, "LEE", {}, {}, {}} << Ids{4, 5};
    QTest::newRow("joined with AND") << ContactSearchCriteria{"Dr", {}, "sam", {}, "77"} << Ids{5};
    // The characters find the store's references (2) and records kept as typed (3).
    QTest::newRow("double quote") << ContactSearchCriteria{{}, "\"Jay\"", {}, {}, {}} << Ids{2, 3};
    QTest::newRow("stored reference") << ContactSearchCriteria{{}, "&quot;", {}, {}, {}} << Ids{2};
    QTest::newRow("lone quote") << ContactSearchCriteria{{}, "\"", {}, {}, {}} << Ids{2, 3};
    QTest::newRow("ampersand kept as typed") << ContactSearchCriteria{{}, {}, "O'Brien & Co", {}, {}} << Ids{4};
    QTest::newRow("percent is literal") << ContactSearchCriteria{{}, {}, "0%", {}, {}} << Ids{3};
    QTest::newRow("underscore is literal") << ContactSearchCriteria{{}, {}, {}, "a_b", {}} << Ids{3};
    QTest::newRow("underscore matches no other") << ContactSearchCriteria{{}, {}, {}, "o_1", {}} << Ids{};
    QTest::newRow("backslash") << ContactSearchCriteria{{}, {}, {}, {}, "C:\\Off"} << Ids{3};
    QTest::newRow("single quote") << ContactSearchCriteria{{}, {}, "O'Brien", {}, {}} << Ids{4};
    QTest::newRow("asterisk is a wildcard") << ContactSearchCriteria{{}, "Hong*dong", {}, {}, {}} << Ids{1};
    QTest::newRow("Korean nothing found") << ContactSearchCriteria{{}, "홍길동", {}, {}, {}} << Ids{};
}

void TestContactSearch::findsWhatWasTyped()
{
    QFETCH(ContactSearchCriteria, criteria);
    QFETCH(QList<qint64>, ids);
    QCOMPARE(idsOf(contactSearchSql(criteria)), ids);
}

// Texts made of the characters that have a meaning somewhere between the window and SQLite: every
// search built from them opens, and finds the contact whose name is exactly that text.
void TestContactSearch::anyTypedTextOpens()
{
    const QString alphabet = QStringLiteral("\"'%_\\[]#!-;() aZ홍*?");
    QRandomGenerator random(20260612);
    // One transaction, never committed: the contacts added here go when it rolls back.
    Store::Transaction transaction(*m_store);
    for (int round = 0; round < 300; ++round) {
        QString text;
        const int length = 1 + random.bounded(8);
        for (int i = 0; i < length; ++i)
            text += alphabet.at(random.bounded(alphabet.size()));
        ContactSearchCriteria criteria;
        criteria.fileAs = text;
        // The title is an equality test on the trimmed criterion, so the stored title is trimmed.
        criteria.title = random.bounded(4) == 0 ? text.trimmed() : QString();
        const qint64 id = 1000 + round;
        m_store->exec("INSERT INTO Contacts (ID, Title, FileAs) VALUES (?, ?, ?)", {id, criteria.title, text});
        const QString sql = contactSearchSql(criteria);
        QList<qint64> found;
        try {
            found = idsOf(sql);
        } catch (const StoreError &error) {
            QFAIL(qPrintable(sql + " : " + error.message()));
        }
        QVERIFY2(text.trimmed().isEmpty() || found.contains(id), qPrintable(sql));
    }
}

QTEST_GUILESS_MAIN(TestContactSearch)
#include "tst_contactsearch.moc"
