// The 파일 menu: vCard and iCalendar files in and out of the program, through a chooser that
// answers as the user would; a list in front exports what it shows.
#include "app/FileMenu.h"
#include "app/MainWindow.h"
#include "app/ProgramWindows.h"
#include "exchange/Snapshots.h"
#include "records/Store.h"
#include "shell/FileChooser.h"
#include "shell/ListWindow.h"
#include "shell/RecordGrid.h"
#include "shell/WindowRegistry.h"
#include "support/PictureChecks.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <QAction>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;

namespace {

class ScriptedChooser : public FileChooser
{
public:
    QStringList filesToOpen(const QString &title, const QStringList &filters) override
    {
        asked << title;
        lastFilters = filters;
        return open;
    }
    Saving fileToSave(const QString &title, const QString &suggestedName, const QStringList &filters) override
    {
        asked << title;
        lastFilters = filters;
        suggested = suggestedName;
        return save;
    }

    QStringList open;
    Saving save;
    QStringList asked;
    QStringList lastFilters;
    QString suggested;
};

// Notes, at each message, whether the progress dialog stands and how far it went.
class ProgressProbe : public ScriptedMessages
{
public:
    Answer show(const QString &text, const QString &title, Buttons buttons, Icon icon) override
    {
        const auto *dialog = main ? main->findChild<QProgressDialog *>("FILE_PROGRESS") : nullptr;
        progressShown << (dialog ? QString("%1/%2").arg(dialog->value()).arg(dialog->maximum()) : QString());
        return ScriptedMessages::show(text, title, buttons, icon);
    }
    QWidget *main = nullptr;
    QStringList progressShown;
};

QByteArray cards(int count, const QString &prefix)
{
    QByteArray bytes;
    for (int i = 1; i <= count; ++i)
        bytes += QString("BEGIN:VCARD\r\nVERSION:3.0\r\nUID:card-%1\r\nFN:%2 %1\r\nTEL;TYPE=CELL:010-0000-%1\r\nEND:VCARD\r\n")
                     .arg(i)
                     .arg(prefix)
                     .toUtf8();
    return bytes;
}

} // namespace

class TestFileMenu : public QObject
{
    Q_OBJECT
private slots:
    void init()
    {
        qputenv("TZ", "Asia/Seoul");
        dir = std::make_unique<QTemporaryDir>();
        storePath = Store::pathInDirectory(dir->filePath("DATA"));
        store = Store::shared(storePath);
        messages = std::make_unique<ProgressProbe>();
        main = std::make_unique<MainWindow>(storePath, *messages, store);
        messages->main = main.get();
        registerProgramWindows(main->windows());
        main->fileMenu()->setChooser(&chooser);
        main->show();
        QVERIFY(QTest::qWaitForWindowExposed(main.get()));
    }
    void cleanup()
    {
        main.reset();
        store.reset();
        dir.reset();
        chooser = ScriptedChooser();
    }

    void importsThroughTheChooserAndTheListShowsIt()
    {
        const QString file = dir->filePath("phone.vcf");
        QVERIFY(test::writeFile(file, cards(2, "친구")));
        // Cancelled: nothing read, nothing said.
        trigger("FILE_VCARD_IMPORT");
        QCOMPARE(chooser.asked, QStringList{"vCard 가져오기"});
        QVERIFY(chooser.lastFilters.first().contains("*.vcf"));
        QVERIFY(messages->shown().isEmpty());
        QCOMPARE(store->count("Contacts"), 0);

        main->findChild<QAction *>("PRG_CONTACTS")->trigger();
        ListWindow *list = main->windows().listWindow(RecordKind::Contacts);
        QVERIFY(list && list->isVisible());
        chooser.open = {file};
        trigger("FILE_VCARD_IMPORT");
        QCOMPARE(store->count("Contacts"), 2);
        QCOMPARE(messages->texts().size(), 1);
        QCOMPARE(messages->shown().last().title, QString("vCard 가져오기"));
        QCOMPARE(messages->shown().last().text,
                 QString("vCard 가져오기를 마쳤습니다.\r연락처: 추가 2, 수정 0, 변경 없음 0"));
        // The open list re-read its table; a small file shows no progress.
        QCOMPARE(list->grid()->model()->rowCount(), 2);
        QCOMPARE(messages->progressShown, QStringList{QString()});
        QCOMPARE(listBackups(dir->filePath("DATA")).size(), 1);

        // iCalendar too, with events and tasks.
        const QString ics = dir->filePath("cal.ics");
        QVERIFY(test::writeFile(ics, "BEGIN:VCALENDAR\r\nVERSION:2.0\r\nBEGIN:VEVENT\r\nUID:e1\r\nDTSTART:20240102T100000\r\n"
                                     "SUMMARY:회의\r\nEND:VEVENT\r\nBEGIN:VTODO\r\nUID:t1\r\nSUMMARY:할 일\r\nEND:VTODO\r\n"
                                     "END:VCALENDAR\r\n"));
        chooser.open = {ics};
        trigger("FILE_ICAL_IMPORT");
        QCOMPARE(chooser.asked.last(), QString("iCalendar 가져오기"));
        QVERIFY(chooser.lastFilters.first().contains("*.ics") && chooser.lastFilters.first().contains("*.vcs"));
        QCOMPARE(store->count("Datebook"), 1);
        QCOMPARE(store->count("Todo"), 1);
        QCOMPARE(messages->shown().last().text,
                 QString("iCalendar 가져오기를 마쳤습니다.\r일정: 추가 1, 수정 0, 변경 없음 0\r작업: 추가 1, 수정 0, 변경 없음 0"));
    }

    void aListInFrontExportsWhatItShows()
    {
        const QStringList names{"가 사람", "나 사람", "다 사람"};
        for (int i = 0; i < names.size(); ++i)
            store->exec("INSERT INTO Contacts (ID, FileAs) VALUES (?, ?)", {i + 1, names[i]});
        store->exec("INSERT INTO Datebook (ID, Description, Start, \"End\") VALUES (1, '회의', '2024-01-02 10:00:00', "
                    "'2024-01-02 11:00:00')");
        store->exec("INSERT INTO Todo (ID, Description) VALUES (1, '할 일')");

        // No list in front: every contact, as 2.1 when that filter is picked.
        const QString all = dir->filePath("all.vcf");
        chooser.save = {all, 1};
        trigger("FILE_VCARD_EXPORT");
        QCOMPARE(chooser.suggested, QString("contacts.vcf"));
        QCOMPARE(chooser.lastFilters, (QStringList{"vCard 3.0 (*.vcf)", "vCard 2.1 (*.vcf)", "vCard 4.0 (*.vcf)"}));
        QByteArray written = test::readFile(all);
        QCOMPARE(written.count("BEGIN:VCARD"), 3);
        QVERIFY(written.contains("VERSION:2.1"));
        QCOMPARE(messages->shown().last().title, QString("vCard 내보내기"));
        QVERIFY(messages->shown().last().text.startsWith("vCard 내보내기를 마쳤습니다.\r연락처 3건을 "));

        // The contacts list showing a search: only what it shows.
        main->findChild<QAction *>("PRG_CONTACTS")->trigger();
        ListWindow *list = main->windows().listWindow(RecordKind::Contacts);
        QVERIFY(list->showRecordSource("SELECT * FROM Contacts WHERE FileAs LIKE \"나*\""));
        QCOMPARE(list->grid()->model()->rowCount(), 1);
        const QString shown = dir->filePath("shown");
        chooser.save = {shown, 0};
        trigger("FILE_VCARD_EXPORT");
        written = test::readFile(shown + ".vcf");
        QCOMPARE(written.count("BEGIN:VCARD"), 1);
        QVERIFY(written.contains("VERSION:3.0"));
        QVERIFY(QString::fromUtf8(written).contains("FN:나 사람"));
        // An iCalendar export with the contacts list in front writes events and tasks.
        chooser.save = {dir->filePath("both.ics"), 0};
        trigger("FILE_ICAL_EXPORT");
        written = test::readFile(dir->filePath("both.ics"));
        QVERIFY(written.contains("BEGIN:VEVENT") && written.contains("BEGIN:VTODO"));

        // The task list in front: its tasks alone.
        main->findChild<QAction *>("prg_todo")->trigger();
        QVERIFY(main->windows().listWindow(RecordKind::Tasks)->isVisible());
        chooser.save = {dir->filePath("tasks.ics"), 0};
        trigger("FILE_ICAL_EXPORT");
        QCOMPARE(chooser.suggested, QString("tasks.ics"));
        written = test::readFile(dir->filePath("tasks.ics"));
        QVERIFY(!written.contains("BEGIN:VEVENT") && written.contains("BEGIN:VTODO"));
        // Cancelled: no file, no message.
        const int said = messages->shown().size();
        chooser.save = {};
        trigger("FILE_ICAL_EXPORT");
        QCOMPARE(messages->shown().size(), said);
    }

    void largeFilesShowTheirProgress()
    {
        const QString file = dir->filePath("many.vcf");
        QVERIFY(test::writeFile(file, cards(FileMenu::progressFrom + 200, "사람")));
        chooser.open = {file};
        trigger("FILE_VCARD_IMPORT");
        QCOMPARE(store->count("Contacts"), FileMenu::progressFrom + 200);
        const QString total = QString::number(FileMenu::progressFrom + 200);
        QCOMPARE(messages->progressShown, QStringList{total + "/" + total});
        // Gone once the import is over.
        QVERIFY(!main->findChild<QProgressDialog *>("FILE_PROGRESS"));
    }

    // A card that names a contact and shares its phone: the program asks; Cancel adds a new one.
    void nameMatchesAreAsked()
    {
        store->exec("INSERT INTO Contacts (ID, FileAs, H_Mobile) VALUES (1, '홍길동', '010-1234-5678')");
        const QString file = dir->filePath("old.vcf");
        QVERIFY(test::writeFile(file, "BEGIN:VCARD\r\nVERSION:2.1\r\nFN:홍길동\r\nTEL;CELL:01012345678\r\nNOTE:새 메모\r\nEND:VCARD\r\n"));
        chooser.open = {file};
        messages->answerNext(Answer::Cancel);
        trigger("FILE_VCARD_IMPORT");
        QCOMPARE(messages->shown().size(), 2);
        QCOMPARE(messages->shown().first().buttons, Buttons::OkCancel);
        QVERIFY(messages->shown().first().text.startsWith("UID가 없는 카드 1장이 이름과 전화번호 또는 전자우편이 같은 연락처와 맞습니다."));
        QCOMPARE(store->count("Contacts"), 2);
        messages->clear();
        store->exec("DELETE FROM Contacts WHERE ID = 2");
        messages->answerNext(Answer::Ok);
        trigger("FILE_VCARD_IMPORT");
        QCOMPARE(store->count("Contacts"), 1);
        QCOMPARE(store->scalar("SELECT Notes FROM Contacts WHERE ID = 1").toString(), QString("새 메모"));
    }

    // The menu as the user sees it: every caption drawn by the installed fonts.
    void menuIsDrawn()
    {
        QMenu *menu = main->findChild<QMenu *>("MENU_FILE");
        menu->popup(main->mapToGlobal(QPoint(0, 0)));
        QVERIFY(QTest::qWaitForWindowExposed(menu));
        for (QAction *item : menu->actions())
            QVERIFY2(!test::undrawable(item->text(), menu->font()), qPrintable(item->text()));
        const QImage picture = menu->grab().toImage();
        QVERIFY(test::distinctColours(picture) > 2);
        const QString keep = qEnvironmentVariable("PIMDESK_FILE_MENU_PNG");
        QVERIFY(picture.save(keep.isEmpty() ? dir->filePath("file-menu.png") : keep, "PNG"));
        menu->hide();
    }

private:
    void trigger(const char *name)
    {
        QAction *action = main->findChild<QAction *>(name);
        QVERIFY2(action, name);
        QVERIFY(action->isVisible() && action->isEnabled());
        QVERIFY(main->findChild<QMenu *>("MENU_FILE")->menuAction()->isVisible());
        action->trigger();
    }

    std::unique_ptr<QTemporaryDir> dir;
    QString storePath;
    std::shared_ptr<Store> store;
    std::unique_ptr<ProgressProbe> messages;
    std::unique_ptr<MainWindow> main;
    ScriptedChooser chooser;
};

QTEST_MAIN(TestFileMenu)
#include "tst_filemenu.moc"
