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

} // namespace

class TestImportCli : public QObject
{
    Q_OBJECT
private slots:
    void importsChosenKinds()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath("DATA");
        const QString drive = dir.filePath("k7m");
        QVERIFY(test::writeFile(drive + "/Qtopia/Applications/addressbook/addressbook.xml",
                                test::readFile(test::dataPath("import/addressbook-qtopia1.xml"))));
        QVERIFY(test::writeFile(drive + "/Qtopia/Applications/todolist/todolist.xml",
                                "<!DOCTYPE Tasks>\n<Tasks>\n<Task Uid=\"1\" />\n<Task Description=\"no id\" />\n"
                                "</Tasks>\n"));

        Run run = runCli({"--data", data, "import", "--tasks", "--drive", drive, "--contacts"});
        QCOMPARE(run.err, QString());
        QCOMPARE(run.out, QString("연락처 가져오기가 완료되었습니다.\n작업 가져오기가 완료되었습니다.\n"
                                  "손상된 레코드 1건은 가져오지 못했습니다.\n"));
        QCOMPARE(run.status, 0);
        {
            const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(data));
            QCOMPARE(store->count("Contacts"), 2);
            QCOMPARE(store->count("Todo"), 1);
        }

        // The calendar is not on the handheld: its kind did not complete.
        run = runCli({"--data", data, "import", "--drive=" + drive, "--events", "--contacts"});
        QCOMPARE(run.out, QString("연락처 가져오기가 완료되었습니다.\n"));
        QCOMPARE(run.err, QString("파일을 찾을수 없습니다.\nNorvel(K7M)가 연결된 디렉토리가 맞는지 확인 하십시요.\n"));
        QCOMPARE(run.status, 1);

        QVERIFY(test::writeFile(dir.filePath("file"), "x"));
        run = runCli({"--data", data, "import", "--drive", dir.filePath("file"), "--events"});
        QCOMPARE(run.err, QString("드라이브 오류입니다.\n"));
        QCOMPARE(run.out, QString());
        QCOMPARE(run.status, 1);
    }

    void documentWithoutRecords_data()
    {
        QTest::addColumn<QByteArray>("document");
        QTest::newRow("empty file") << QByteArray();
        QTest::newRow("byte-order mark only") << QByteArray("\xEF\xBB\xBF");
        QTest::newRow("frame only") << QByteArray(
            "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE Addressbook >\n"
            "<AddressBook>\n<Groups>\n</Groups>\n<Contacts>\n</Contacts>\n"
            "</AddressBook>\n");
    }

    void documentWithoutRecords()
    {
        QFETCH(QByteArray, document);
        QTemporaryDir dir;
        const QString data = dir.filePath("DATA");
        const QString drive = dir.filePath("k7m");
        QVERIFY(test::writeFile(drive + "/Qtopia/Applications/addressbook/addressbook.xml", document));
        QVERIFY(test::writeFile(drive + "/Qtopia/Applications/todolist/todolist.xml",
                                "<Tasks>\n<Task Uid=\"1\" Description=\"x\" />\n</Tasks>\n"));
        const Run run = runCli({"--data", data, "import", "--drive", drive, "--contacts", "--tasks"});
        // No completion message for the empty document, and the next kind still comes in.
        QCOMPARE(run.err, QString("레코드가 한건도 없습니다.\n"));
        QCOMPARE(run.out, QString("작업 가져오기가 완료되었습니다.\n"));
        QCOMPARE(run.status, 1);
        const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(data));
        QCOMPARE(store->count("Contacts"), 0);
        QCOMPARE(store->count("Todo"), 1);
    }

    void damagedStoreIsRefusedBeforeAnythingIsWritten()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath("DATA");
        const QString drive = dir.filePath("k7m");
        const QString path = Store::pathInDirectory(data);
        QByteArray document("<AddressBook><Contacts>\n");
        {
            const std::shared_ptr<Store> store = Store::open(path);
            Store::Transaction t(*store);
            for (int i = 1; i <= 3000; ++i) {
                store->exec("INSERT INTO Contacts (ID, FileAs, Notes) VALUES (?, ?, ?)",
                            {i, QString("연락처 %1").arg(i), QString(40, QChar(u'가' + i % 100))});
                document += "<Contact uid=\"" + QByteArray::number(10000 + i) + "\" FileAs=\"new\" />\n";
            }
            t.commit();
        }
        document += "</Contacts></AddressBook>\n";
        QVERIFY(test::writeFile(drive + "/Qtopia/Applications/addressbook/addressbook.xml", document));
        QVERIFY(test::writeNoise(path, QFileInfo(path).size() / 2 / 4096 * 4096, 8192));
        const QByteArray before = readFile(path);

        Run run = runCli({"--data", data, "import", "--drive", drive, "--contacts"});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QString(storeDamagedText()).replace('\r', '\n')), qPrintable(run.err));
        QVERIFY(!run.out.contains("완료") && !run.err.contains("완료"));
        run = runCli({"--data", data, "export", "--drive", drive, "--contacts", "--yes"});
        QCOMPARE(run.status, 1);
        QVERIFY2(run.err.contains(QString(storeDamagedText()).replace('\r', '\n')), qPrintable(run.err));

        QCOMPARE(readFile(path), before);
        QCOMPARE(readFile(drive + "/Qtopia/Applications/addressbook/addressbook.xml"), document);
        QVERIFY(!QFileInfo::exists(data + "/addressbook.xml"));
    }

    void usageErrors()
    {
        QTemporaryDir dir;
        for (const QStringList &args : {QStringList{"import", "--contacts"}, QStringList{"import", "--drive", "/x"},
                                        QStringList{"import", "--drive", "/x", "--contacts", "--all"}}) {
            const Run run = runCli(QStringList{"--data", dir.path()} + args);
            QCOMPARE(run.status, 2);
            QVERIFY(run.err.startsWith("pimdesk-cli: import"));
            QVERIFY(!QFileInfo::exists(dir.filePath("Qtdata.mdb")));
        }
    }
};

QTEST_GUILESS_MAIN(TestImportCli)
#include "tst_importcli.moc"
