// The contact search, opened from the list: what it makes the list show, and how it is left.
#include "support/ContactsFixture.h"

#include <QComboBox>
#include <QToolButton>

using namespace pimdesk;

class TestContactSearchDialog : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { f.tearDown(); }

    void hasItsCriteriaAndButtons();
    void searchFiltersTheList_data();
    void searchFiltersTheList();
    void showAllAndCancel();
    void closingByTheFrameDiscardsTheCriteria();

private:
    // Opens the search from the list, by its button or by its menu entry.
    QWidget *openSearch(bool byMenu = false);
    QLineEdit *line(const char *name) { return f.control<QLineEdit>("Dialog", name); }
    void click(const char *name) { QTest::mouseClick(f.control<QPushButton>("Dialog", name), Qt::LeftButton); }
    QList<qint64> listedIds();
    test::ContactsFixture f;
};

void TestContactSearchDialog::init()
{
    QVERIFY(f.setUp());
    f.addContact(1,
                 {{"Title", "Dr"}, {"FileAs", "Hong Gildong"}, {"O_Company", "Samsung"}, {"O_Street", "Teheran-ro"}});
    f.addContact(2, {{"Title", "Mr"}, {"FileAs", "Kim \"Jay\""}, {"H_Street", "Mapo 7"}});
    f.addContact(3, {{"Title", "Dr"}, {"FileAs", "Lee Minho"}, {"O_Company", "LG"}, {"O_Street", "Yeouido"}});
}

QWidget *TestContactSearchDialog::openSearch(bool byMenu)
{
    if (!f.widget("SUB2_1") || !f.widget("SUB2_1")->isVisible())
        f.openList();
    if (byMenu)
        f.find<QAction>("MENU_FIND")->trigger();
    else
        QTest::mouseClick(f.control<QToolButton>("SUB2_1", "Command4"), Qt::LeftButton);
    QWidget *search = f.widget("Dialog");
    return search && search->isVisible() && !f.widget("SUB2_1")->isEnabled() ? search : nullptr;
}

QList<qint64> TestContactSearchDialog::listedIds()
{
    QList<qint64> ids;
    for (int row = 0; row < f.grid()->gridModel().rowCount(); ++row)
        ids << f.grid()->gridModel().cellText(row, 0).toLongLong();
    return ids;
}

void TestContactSearchDialog::hasItsCriteriaAndButtons()
{
    QWidget *search = openSearch(true);
    QVERIFY(search);
    QCOMPARE(search->windowTitle(), QString("검색값을 입력 하세요"));
    auto *title = f.control<QComboBox>("Dialog", "Combo1");
    QVERIFY(title->isEditable());
    QCOMPARE(title->count(), 7);
    QCOMPARE(title->itemText(6), QString("Prof"));
    QStringList labels;
    for (QLabel *label : search->findChildren<QLabel *>())
        labels << label->text();
    QCOMPARE(labels, (QStringList{"Title", "이   름", "Company", "집 Street", "회사 Street"}));
    QCOMPARE(f.control<QPushButton>("Dialog", "OKButton")->text(), QString("확인"));
    QCOMPARE(f.control<QPushButton>("Dialog", "Command2")->text(), QString("검색 조건 없이 전체 보기"));
    QCOMPARE(f.control<QPushButton>("Dialog", "Command1")->text(), QString("취소"));
}

void TestContactSearchDialog::searchFiltersTheList_data()
{
    QTest::addColumn<QStringList>("criteria"); // Combo1, Text1 to Text4
    QTest::addColumn<QString>("source");
    QTest::addColumn<QList<qint64>>("ids");
    QTest::newRow("business street only")
        << QStringList{"", "", "", "", "Teheran"} << "SELECT * FROM Contacts WHERE O_Street LIKE \"*Teheran*\""
        << QList<qint64>{1};
    QTest::newRow("title and name") << QStringList{"Dr", "min", "", "", ""}
                                    << "SELECT * FROM Contacts WHERE Title = \"Dr\" AND FileAs LIKE \"*min*\""
                                    << QList<qint64>{3};
    // A typed quote is looked for in the store's form and, for records kept before, as it is.
    QTest::newRow("a quote")
        << QStringList{"", "\"Jay", "", "", ""}
        << "SELECT * FROM Contacts WHERE (FileAs LIKE \"*&quot;Jay*\" OR FileAs LIKE \"*\"\"Jay*\")"
        << QList<qint64>{2, 4};
    QTest::newRow("an ampersand and angle brackets")
        << QStringList{"", "", "T&T <U", "", ""}
        << "SELECT * FROM Contacts WHERE (O_Company LIKE \"*T&amp;T &lt;U*\" OR O_Company LIKE \"*T&T <U*\")"
        << QList<qint64>{4};
    QTest::newRow("company and home street")
        << QStringList{"", "", "s", "7", ""}
        << "SELECT * FROM Contacts WHERE O_Company LIKE \"*s*\" AND H_Street LIKE \"*7*\"" << QList<qint64>{};
}

void TestContactSearchDialog::searchFiltersTheList()
{
    QFETCH(QStringList, criteria);
    QFETCH(QString, source);
    QFETCH(QList<qint64>, ids);
    // As the store keeps text now: in the documents' form.
    f.addContact(4, {{"Title", "Mr"}, {"FileAs", "Park &quot;Jay&quot;"}, {"O_Company", "AT&amp;T &lt;US&gt;"}});
    QWidget *search = openSearch();
    QWidget *list = f.widget("SUB2_1");
    QVERIFY(!list->isEnabled());
    test::ContactsFixture::type(f.control<QComboBox>("Dialog", "Combo1")->lineEdit(), criteria[0]);
    for (int i = 1; i <= 4; ++i)
        test::ContactsFixture::type(line(qPrintable(QString("Text%1").arg(i))), criteria[i]);
    click("OKButton");
    QCOMPARE(f.listSource(), source);
    QCOMPARE(listedIds(), ids);
    QVERIFY(!search->isVisible());
    QVERIFY(list->isEnabled());
    QVERIFY(f.messages.shown().isEmpty());

    // The filter stays until the next search; the criteria are still there.
    QCOMPARE(openSearch(), search);
    QCOMPARE(line("Text1")->text(), criteria[1]);
}

void TestContactSearchDialog::showAllAndCancel()
{
    openSearch();
    test::ContactsFixture::type(line("Text2"), "LG");
    click("OKButton");
    QCOMPARE(listedIds(), QList<qint64>{3});

    openSearch();
    click("Command1");
    QCOMPARE(listedIds(), QList<qint64>{3});
    QVERIFY(f.widget("SUB2_1")->isEnabled());
    QCOMPARE(f.main->mdiArea()->activeSubWindow(), mdiFrame(f.widget("SUB2_1")));

    openSearch();
    click("Command2");
    QCOMPARE(f.listSource(), QString("SELECT * FROM Contacts "));
    QCOMPARE(listedIds(), (QList<qint64>{1, 2, 3}));
    QVERIFY(!f.widget("Dialog")->isVisible());
    QVERIFY(f.widget("SUB2_1")->isEnabled());
}

void TestContactSearchDialog::closingByTheFrameDiscardsTheCriteria()
{
    QWidget *search = openSearch();
    test::ContactsFixture::type(line("Text1"), "Hong");
    QPointer<QWidget> first = search;
    mdiFrame(search)->close();
    QTRY_VERIFY(first.isNull());
    QVERIFY(f.widget("SUB2_1")->isEnabled());
    QCOMPARE(f.listSource(), QString("Contacts"));

    openSearch();
    QVERIFY(line("Text1")->text().isEmpty());
}

QTEST_MAIN(TestContactSearchDialog)
#include "tst_contactsearchdialog.moc"
