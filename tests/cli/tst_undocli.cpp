#include "records/Store.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;
using pimdesk::test::readFile;

namespace {

using Run = test::CliRun;
using test::runCli;

qint64 contacts(const QString &data)
{
    return Store::open(Store::pathInDirectory(data))->count("Contacts");
}

} // namespace

class TestUndoCli : public QObject
{
    Q_OBJECT
private slots:
    void historyUndoAndTheGuard()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath("DATA");
        const QString drive = dir.filePath("k7m");
        const QString document = drive + "/Qtopia/Applications/addressbook/addressbook.xml";
        QVERIFY(test::writeFile(document, readFile(test::dataPath("import/addressbook-qtopia1.xml"))));
        QCOMPARE(runCli({"--data", data, "history"}).out, "no backups in " + QDir::toNativeSeparators(data) + "\n");

        QCOMPARE(runCli({"--data", data, "import", "--drive", drive, "--contacts"}).status, 0);
        QCOMPARE(runCli({"--data", data, "export", "--drive", drive, "--contacts", "--yes"}).status, 0);
        QStringList history = runCli({"--data", data, "history"}).out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(history.size(), 2);
        QVERIFY(history.at(0).contains("  export  contacts  handheld: addressbook.xml  "));
        QVERIFY(history.at(1).contains("  device-import  contacts  store: Contacts 0, Datebook 0, Todo 0  "));

        // A contact added on the handheld: --keep-device-changes merges it before the export.
        QByteArray edited = readFile(document);
        edited.replace("</Contacts>", "<Contact uid=\"77\" FileAs=\"new\" /></Contacts>");
        QVERIFY(test::writeFile(document, edited));
        Run run = runCli({"--data", data, "export", "--drive", drive, "--contacts", "--yes", "--keep-device-changes"});
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.contains("추가된 레코드 1건, 바뀐 레코드 0건"));
        QVERIFY(run.out.contains("[가져온 뒤 내보내기]\n연락처 내보내기가 완료되었습니다.\n"));
        QCOMPARE(contacts(data), 3);

        // Undo asks first; a no changes nothing, --yes puts store and handheld back as they were.
        run = runCli({"--data", data, "undo", "--drive", drive}, "n\n");
        QCOMPARE(run.status, 1);
        QCOMPARE(contacts(data), 3);
        run = runCli({"--data", data, "undo", "--drive", drive, "--yes"});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.status, 0);
        QVERIFY(run.out.contains("되돌리기: 되돌리기가 완료되었습니다.\n"));
        QCOMPARE(contacts(data), 2);
        QCOMPARE(readFile(document), edited);
        history = runCli({"--data", data, "history"}).out.split('\n', Qt::SkipEmptyParts);
        QCOMPARE(history.size(), 4);
        QVERIFY(history.at(0).contains("  undo  contacts  store: Contacts 3"));
        QVERIFY(history.at(1).contains("[undone "));
    }

    void usageErrors()
    {
        QTemporaryDir dir;
        for (const QStringList &args :
             {QStringList{"undo", "--all"}, QStringList{"history", "extra"},
              QStringList{"import", "--drive", "/x", "--contacts", "--keep-device-changes"}}) {
            const Run run = runCli(QStringList{"--data", dir.path()} + args);
            QCOMPARE(run.status, 2);
            QVERIFY(run.err.startsWith("pimdesk-cli: " + args.first()));
        }
    }
};

QTEST_GUILESS_MAIN(TestUndoCli)
#include "tst_undocli.moc"
