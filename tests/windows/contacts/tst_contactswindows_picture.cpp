// Renders the contacts windows offscreen and checks that every caption can be drawn with the
// installed fonts (a Korean caption must not fall back to empty boxes).
//
// PIMDESK_CONTACTS_LIST_PNG names a file for the list's picture (docs/contacts-list.png is made so);
// PIMDESK_CONTACTS_PNG_DIR a folder for all of them: the list, the editor's four pages, the search.
#include "support/ContactsFixture.h"
#include "support/PictureChecks.h"

#include <QAbstractButton>
#include <QGroupBox>
#include <QTabWidget>
#include <QToolButton>

using namespace pimdesk;

namespace {

// The texts of a window that the fonts on this machine cannot draw.
QStringList undrawable(QWidget *window)
{
    QStringList texts;
    for (QLabel *label : window->findChildren<QLabel *>())
        texts << label->text();
    for (QAbstractButton *button : window->findChildren<QAbstractButton *>())
        texts << button->text();
    for (QGroupBox *box : window->findChildren<QGroupBox *>())
        texts << box->title();
    for (QTabWidget *tabs : window->findChildren<QTabWidget *>())
        for (int i = 0; i < tabs->count(); ++i)
            texts << tabs->tabText(i);
    texts << window->windowTitle();
    QStringList missing;
    for (const QString &text : std::as_const(texts)) {
        if (text.trimmed().isEmpty())
            continue;
        if (test::undrawable(text, window->font()))
            missing << text;
    }
    return missing;
}

void keep(const QImage &image, const QString &path)
{
    if (!path.isEmpty())
        QVERIFY2(image.save(path), qPrintable(path));
}

} // namespace

class TestContactsWindowsPicture : public QObject
{
    Q_OBJECT

private slots:
    void rendersEveryWindow();
};

void TestContactsWindowsPicture::rendersEveryWindow()
{
    test::ContactsFixture f;
    QVERIFY(f.setUp());
    const QString dir = qEnvironmentVariable("PIMDESK_CONTACTS_PNG_DIR");
    const auto pathIn = [&](const char *name) { return dir.isEmpty() ? QString() : dir + '/' + name; };
    const QStringList names = {"홍길동",           "김철수", "이영희",    "박지성",
                               "Dr Gil (GD) Hong", "최민수", "정약용",    "Kim &quot;Jay&quot;",
                               "강감찬",           "유관순", "Lee Minho", "윤동주"};
    for (int i = 0; i < names.size(); ++i)
        f.addContact(i + 1, {{"FileAs", names[i]},
                             {"H_Phone", QString("02-%1-%2").arg(300 + i * 7).arg(1000 + i * 137)},
                             {"H_Mobile", QString("010-%1-%2").arg(2000 + i * 31).arg(5000 + i * 71)},
                             {"O_Phone", i % 3 ? QString("031-%1-%2").arg(700 + i).arg(4000 + i * 3) : QString()},
                             {"Title", i % 4 ? "" : "Dr"},
                             {"FirstName", names[i]}});
    f.main->resize(1000, 600);
    QWidget *list = f.openList();
    f.selectRow(2);
    QTest::qWait(50);
    QCOMPARE(undrawable(list), QStringList());
    const QImage listPicture = f.main->grab().toImage();
    keep(listPicture, qEnvironmentVariable("PIMDESK_CONTACTS_LIST_PNG"));
    keep(listPicture, pathIn("contacts-list.png"));

    QTest::mouseClick(f.control<QToolButton>("SUB2_1", "Command2"), Qt::LeftButton);
    QWidget *editor = f.widget("SUB2_2");
    QVERIFY(editor->isVisible());
    QCOMPARE(undrawable(editor), QStringList());
    auto *tabs = f.control<QTabWidget>("SUB2_2", "SSTab1");
    for (int page = 0; page < tabs->count(); ++page) {
        tabs->setCurrentIndex(page);
        if (page == 2)
            QTest::mouseClick(f.control<QPushButton>("SUB2_2", "Command4"), Qt::LeftButton);
        QTest::qWait(20);
        keep(mdiFrame(editor)->grab().toImage(), pathIn(qPrintable(QString("contact-editor-%1.png").arg(page + 1))));
    }
    QTest::mouseClick(f.control<QPushButton>("SUB2_2", "Command1"), Qt::LeftButton);

    QTest::mouseClick(f.control<QToolButton>("SUB2_1", "Command4"), Qt::LeftButton);
    QWidget *search = f.widget("Dialog");
    QCOMPARE(undrawable(search), QStringList());
    keep(f.main->grab().toImage(), pathIn("contact-search.png"));
    f.tearDown();
}

QTEST_MAIN(TestContactsWindowsPicture)
#include "tst_contactswindows_picture.moc"
