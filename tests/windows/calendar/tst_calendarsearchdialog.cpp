// The calendar search (Dialog2) driven from the calendar list: what each search shows, show-all,
// cancel, closing by the frame, and a store that cannot run the search.
#include "windows/calendar/CalendarWindowsFixture.h"

#include <QLineEdit>
#include <QMdiArea>
#include <QPushButton>
#include <QToolButton>

using namespace pimdesk;

class TestCalendarSearchDialog : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        m_f = std::make_unique<test::CalendarWindowsFixture>();
        QVERIFY(QTest::qWaitForWindowExposed(m_f->main.get()));
        m_list = m_f->openList();
        QVERIFY(m_list);
    }
    void cleanup() { m_f.reset(); }

    void opensFromTheListAndDisablesIt();
    void searchFiltersTheList_data();
    void searchFiltersTheList();
    void showAllRestoresNewestFirst();
    void cancelAndFrameLeaveTheFilterAndEnableTheList();
    void aSearchTheStoreCannotRunLeavesTheListAsItWas();

private:
    QWidget *openSearch()
    {
        QTest::mouseClick(m_f->control<QToolButton>("SUB4_1", "Command4"), Qt::LeftButton);
        return m_f->window("Dialog2");
    }
    void type(const char *box, const QString &text)
    {
        QLineEdit *edit = m_f->control<QLineEdit>("Dialog2", box);
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        edit->insert(text); // as typed (keyClicks cannot type Hangul)
    }
    void press(const char *name) { QTest::mouseClick(m_f->control<QPushButton>("Dialog2", name), Qt::LeftButton); }
    QString listSource() const
    {
        return m_f->main->windows().listWindow(RecordKind::Events)->dataSource().recordSource();
    }

    std::unique_ptr<test::CalendarWindowsFixture> m_f;
    QWidget *m_list = nullptr;
};

void TestCalendarSearchDialog::opensFromTheListAndDisablesIt()
{
    QWidget *search = openSearch();
    QVERIFY(search && search->isVisible());
    QCOMPARE(search->windowTitle(), QString("대화 상자 캡션"));
    QVERIFY(!m_list->isEnabled());
    QCOMPARE(m_f->control<QPushButton>("Dialog2", "OKButton")->text(), QString("확인"));
    QCOMPARE(m_f->control<QPushButton>("Dialog2", "Command1")->text(), QString("전체 보기"));
    QCOMPARE(m_f->control<QPushButton>("Dialog2", "CancelButton")->text(), QString("취소"));
    QVERIFY(m_f->control<QLineEdit>("Dialog2", "Text1") && m_f->control<QLineEdit>("Dialog2", "Text2"));
}

void TestCalendarSearchDialog::searchFiltersTheList_data()
{
    QTest::addColumn<QString>("description");
    QTest::addColumn<QString>("note");
    QTest::addColumn<QString>("source");
    QTest::addColumn<QList<qint64>>("ids");

    QTest::newRow("both empty: all, store order") << ""
                                                  << " "
                                                  << "SELECT * FROM Datebook" << QList<qint64>{1, 2, 3, 4, 5};
    QTest::newRow("note only") << ""
                               << "회의"
                               << "SELECT * FROM Datebook WHERE Note LIKE \"*회의*\"" << QList<qint64>{5};
    QTest::newRow("both, matching") << "회의"
                                    << "보고"
                                    << "SELECT * FROM Datebook WHERE Description LIKE \"*회의*\" AND Note LIKE "
                                       "\"*보고*\""
                                    << QList<qint64>{1};
    QTest::newRow("quote") << "\"Busan"
                           << ""
                           << "SELECT * FROM Datebook WHERE (Description LIKE \"*&quot;Busan*\" OR Description LIKE "
                              "\"*\"\"Busan*\")"
                           << QList<qint64>{3};
}

void TestCalendarSearchDialog::searchFiltersTheList()
{
    QFETCH(QString, description);
    QFETCH(QString, note);
    QFETCH(QString, source);
    QFETCH(QList<qint64>, ids);

    QWidget *search = openSearch();
    type("Text1", description);
    type("Text2", note);
    press("OKButton");
    QVERIFY(!search->isVisible());
    QVERIFY(m_list->isEnabled());
    QCOMPARE(listSource(), source);
    QCOMPARE(m_f->gridIds(), ids);
    QVERIFY(m_f->messages.shown().isEmpty());
    QCOMPARE(m_f->store->count("Datebook"), 5);
}

void TestCalendarSearchDialog::showAllRestoresNewestFirst()
{
    openSearch();
    type("Text1", "n");
    press("OKButton");
    QCOMPARE(m_f->gridIds(), (QList<qint64>{3, 5}));

    // The texts stay for the next search.
    QWidget *search = openSearch();
    QCOMPARE(m_f->control<QLineEdit>("Dialog2", "Text1")->text(), QString("n"));
    press("Command1");
    QVERIFY(!search->isVisible() && m_list->isEnabled());
    QCOMPARE(listSource(), QString("SELECT * FROM Datebook ORDER BY Start DESC"));
    QCOMPARE(m_f->gridIds(), (QList<qint64>{5, 2, 1, 3, 4}));
}

void TestCalendarSearchDialog::cancelAndFrameLeaveTheFilterAndEnableTheList()
{
    openSearch();
    type("Text2", "과장");
    press("OKButton");
    const QString filtered = listSource();

    QWidget *search = openSearch();
    type("Text2", "other");
    press("CancelButton");
    QVERIFY(!search->isVisible());
    QVERIFY(m_list->isEnabled());
    QCOMPARE(m_f->main->mdiArea()->activeSubWindow(), m_f->frame("SUB4_1"));
    QCOMPARE(listSource(), filtered);
    QCOMPARE(m_f->gridIds(), QList<qint64>{2});

    openSearch();
    QVERIFY(!m_list->isEnabled());
    m_f->frame("Dialog2")->close();
    QVERIFY(!search->isVisible());
    QVERIFY(m_f->main->windows().isLoaded("Dialog2"));
    QVERIFY(m_list->isEnabled());
    QCOMPARE(listSource(), filtered);
}

void TestCalendarSearchDialog::aSearchTheStoreCannotRunLeavesTheListAsItWas()
{
    // Someone else's tool took the table away under the running program.
    m_f->store->exec("ALTER TABLE Datebook RENAME TO Datebook_old");
    QWidget *search = openSearch();
    type("Text1", "회의");
    press("OKButton");
    QCOMPARE(m_f->messages.shown().size(), 1);
    QVERIFY(m_f->messages.shown().first().text.contains("Datebook"));
    // The dialog stays with its texts; the list shows what it showed.
    QVERIFY(search->isVisible());
    QCOMPARE(listSource(), QString("SELECT * FROM Datebook ORDER BY Start DESC"));
    QCOMPARE(m_f->grid()->model()->rowCount(), 5);
    // With the table back, the same rows read again; nothing was lost.
    m_f->store->exec("ALTER TABLE Datebook_old RENAME TO Datebook");
    QCOMPARE(m_f->gridIds(), (QList<qint64>{5, 2, 1, 3, 4}));
    press("CancelButton");
    QVERIFY(m_list->isEnabled());
}

QTEST_MAIN(TestCalendarSearchDialog)
#include "tst_calendarsearchdialog.moc"
