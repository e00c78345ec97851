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

const QString warningLines = "반드시확인하세요: 내보내기 실행시 기존 K7M(Norvel)의\n"
                             "연락처,작업,일정에 저장된 정보는 모두 사라집니다.\n계속하시겠습니까?\n";

} // namespace

class TestExportCli : public QObject
{
    Q_OBJECT
private slots:
    void exportsChosenKinds();
    void warningAnsweredOnTheConsole();
    void failuresGiveStatusOne();
    void findDevice();
};

void TestExportCli::exportsChosenKinds()
{
    QTemporaryDir dir;
    const QString data = dir.filePath("DATA");
    const QString drive = dir.filePath("k7m");
    QVERIFY(QDir().mkpath(drive + "/Qtopia/Applications"));
    {
        const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(data));
        store->exec("INSERT INTO Todo (ID, Description, \"qdl-private-data\") VALUES (3, 'a < b', 'x\"y')");
    }
    const Run run = runCli({"--data", data, "export", "--drive", drive, "--tasks", "--contacts", "--yes"});
    QCOMPARE(run.err, QString());
    QCOMPARE(run.status, 0);
    // The contacts table is empty: the handheld's addressbook is left as it is.
    QCOMPARE(run.out, warningLines +
                          "[OK]\n연락처 레코드가 없어 Norvel(K7M)의 addressbook.xml 파일을 바꾸지 않고 그대로 "
                          "두었습니다.\n작업 내보내기가 완료되었습니다.\n");
    QCOMPARE(readFile(drive + "/Qtopia/Applications/todolist/todolist.xml"),
             QByteArray("\xEF\xBB\xBF<!DOCTYPE Tasks><Tasks><Task Uid=\"3\" Description=\"a &lt; b\" "
                        "qdl-private-data=\"x\"y\"/></Tasks>"));
    QVERIFY(!QFileInfo::exists(drive + "/Qtopia/Applications/addressbook"));
    QVERIFY(!QFileInfo::exists(drive + "/Qtopia/Applications/datebook"));
}

void TestExportCli::warningAnsweredOnTheConsole()
{
    QTemporaryDir dir;
    const QString data = dir.filePath("DATA");
    const QString drive = dir.filePath("k7m");
    QVERIFY(QDir().mkpath(drive + "/Qtopia/Applications"));
    Run run = runCli({"--data", data, "export", "--drive", drive, "--events"}, "n\n");
    QCOMPARE(run.status, 1);
    // Asked on the error stream, which is where a question reaches the user while the output is redirected.
    QCOMPARE(run.err, warningLines + "[OK/Cancel] (y/N) ");
    QCOMPARE(run.out, QString());
    QVERIFY(!QFileInfo::exists(drive + "/Qtopia/Applications/datebook"));

    run = runCli({"--data", data, "export", "--drive", drive, "--events"}, "y\n");
    QCOMPARE(run.status, 0);
    QCOMPARE(run.err, warningLines + "[OK/Cancel] (y/N) ");
    QCOMPARE(run.out, QString("일정 레코드가 없어 Norvel(K7M)의 datebook.xml 파일을 바꾸지 않고 그대로 두었습니다.\n"));
    QVERIFY(!QFileInfo::exists(drive + "/Qtopia/Applications/datebook"));
}

void TestExportCli::failuresGiveStatusOne()
{
    QTemporaryDir dir;
    const QString data = dir.filePath("DATA");
    const QString drive = dir.filePath("no-qtopia");
    QVERIFY(QDir().mkpath(drive));
    Run run = runCli({"--data", data, "export", "--drive", drive, "--contacts", "--yes"});
    QCOMPARE(run.status, 1);
    QCOMPARE(run.out, warningLines + "[OK]\n");
    QCOMPARE(run.err, QString("파일을 찾을수 없습니다.\nNorvel(K7M)가 연결된 디렉토리가 맞는지 확인 하십시요.\n"));

    run = runCli({"--data", data, "export", "--contacts"});
    QCOMPARE(run.status, 2);
    run = runCli({"--data", data, "export", "--drive", drive});
    QCOMPARE(run.status, 2);
    run = runCli({"--data", data, "export", "--drive", drive, "--all"});
    QCOMPARE(run.status, 2);

    // A store that is not ours: its message, and the handheld untouched.
    QVERIFY(test::writeFile(dir.filePath("bad/Qtdata.mdb"), "not a database"));
    QVERIFY(QDir().mkpath(drive + "/Qtopia/Applications"));
    run = runCli({"--data", dir.filePath("bad"), "export", "--drive", drive, "--contacts", "--yes"});
    QCOMPARE(run.status, 1);
    QVERIFY(run.err.startsWith("레코드 저장소를 사용할 수 없습니다."));
    QCOMPARE(run.out, QString());
    QCOMPARE(QDir(drive + "/Qtopia/Applications").entryList(QDir::AllEntries | QDir::NoDotAndDotDot), {});
}

void TestExportCli::findDevice()
{
    // Whether a handheld is plugged in depends on the machine; the answer must match the output.
    QTemporaryDir dir;
    const Run run = runCli({"--data", dir.path(), "find-device"});
    if (run.status == 0) {
        QVERIFY(QFileInfo(run.out.trimmed()).isDir());
    } else {
        QCOMPARE(run.status, 1);
        QCOMPARE(run.out, QString());
        QCOMPARE(run.err, QString("K7M(Norvel)를 찾을수 없습니다.\n"));
    }
    QCOMPARE(runCli({"--data", dir.path(), "find-device", "extra"}).status, 2);
}

QTEST_GUILESS_MAIN(TestExportCli)
#include "tst_exportcli.moc"
