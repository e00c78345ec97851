// pimdesk-cli processes sharing one data folder, killed half-way, or short of disk space: the
// handheld's documents, the store and the kept copies in the data folder always stay whole.

#include "records/DataFolderLock.h"
#include "records/Store.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QRegularExpression>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <unistd.h>

using namespace pimdesk;
using pimdesk::test::readFile;

namespace {

using Ids = QSet<qint64>;

const QString documentPath = "Qtopia/Applications/addressbook/addressbook.xml";

struct Run
{
    int status = -1;
    QString out;
    QString err;
    qint64 pid = 0;
};

QStringList commandArgs(const QString &data, const QString &command, const QString &drive)
{
    QStringList args{"--data", data, command, "--drive", drive, "--contacts"};
    if (command == "export")
        args << "--yes";
    return args;
}

void start(QProcess &process, const QStringList &args, const QString &holdUntil = QString())
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove("PIMDESK_TEST_HOLD_LOCK");
    if (!holdUntil.isEmpty())
        env.insert("PIMDESK_TEST_HOLD_LOCK", holdUntil);
    process.setProcessEnvironment(env);
    process.start(test::cliPath(), args);
    process.closeWriteChannel();
}

Run finish(QProcess &process)
{
    Run run;
    run.pid = process.processId();
    if (!process.waitForFinished(60000)) {
        process.kill();
        process.waitForFinished();
        return run;
    }
    run.status = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.err = QString::fromUtf8(process.readAllStandardError());
    return run;
}

Run runCli(const QStringList &args)
{
    QProcess process;
    start(process, args);
    return finish(process);
}

// Waits until a process started with the hold variable says it holds the lock.
bool waitUntilLocked(QProcess &process)
{
    process.setReadChannel(QProcess::StandardError);
    QByteArray said;
    while (!said.contains("data folder locked")) {
        if (!process.waitForReadyRead(30000))
            return false;
        said += process.readAllStandardError();
    }
    return true;
}

QString heldText(qint64 pid)
{
    return DataFolderLock::heldElsewhereText(pid).replace('\r', '\n');
}

Ids uidsOf(const QByteArray &document)
{
    static const QRegularExpression uid(R"re(\buid="(\d+)")re");
    Ids ids;
    for (const QRegularExpressionMatch &m : uid.globalMatch(QString::fromUtf8(document)))
        ids.insert(m.captured(1).toLongLong());
    return ids;
}

Ids storeIds(const QString &data)
{
    const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(data));
    Store::Query query(*store, "SELECT ID FROM Contacts");
    Ids ids;
    while (query.next())
        ids.insert(query.value(0).toLongLong());
    return ids;
}

Ids range(qint64 first, int count)
{
    Ids ids;
    for (int i = 0; i < count; ++i)
        ids.insert(first + i);
    return ids;
}

void addContacts(const QString &data, qint64 first, int count, int notesLength = 20)
{
    const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(data));
    Store::Transaction t(*store);
    for (int i = 0; i < count; ++i)
        store->exec("INSERT INTO Contacts (ID, FileAs, Notes) VALUES (?, ?, ?)",
                    {first + i, QString("저장소 %1").arg(first + i), QString(notesLength, QChar(u'가' + i % 50))});
    t.commit();
}

QByteArray handheldDocument(qint64 firstUid, int count)
{
    QByteArray document("\xEF\xBB\xBF<!DOCTYPE Addressbook ><AddressBook><Contacts>\n");
    for (int i = 0; i < count; ++i)
        document += "<Contact uid=\"" + QByteArray::number(firstUid + i) + "\" FileAs=\"Norvel\" />\n";
    return document + "</Contacts></AddressBook>\n";
}

// A document this program wrote, whole: its mark, its frame, no hole of NUL bytes.
bool wholeExport(const QByteArray &document)
{
    return document.startsWith("\xEF\xBB\xBF<?xml") && document.endsWith("</Contacts></AddressBook>") &&
           !document.contains('\0');
}

QStringList leftovers(const QString &data)
{
    return QDir(data).entryList({"*.xml.*"}, QDir::Files | QDir::Hidden);
}

} // namespace

class TestCliDataFolder : public QObject
{
    Q_OBJECT
private slots:
    void twoProcessesOnOneDataFolder_data();
    void twoProcessesOnOneDataFolder();
    void killedExportLeavesWholeCopies();
    void twoStartsOnAFreshFolder();
    void fullDataFolderKeepsTheLastGoodCopy();
};

void TestCliDataFolder::twoProcessesOnOneDataFolder_data()
{
    QTest::addColumn<QString>("first");
    QTest::addColumn<QString>("second");
    QTest::addColumn<bool>("held"); // the first holds the lock while the second tries
    for (const bool held : {true, false}) {
        const char *mode = held ? "one waits" : "at once";
        QTest::addRow("export and export, %s", mode) << "export"
                                                     << "export" << held;
        QTest::addRow("export and import, %s", mode) << "export"
                                                     << "import" << held;
        QTest::addRow("import and import, %s", mode) << "import"
                                                     << "import" << held;
    }
}

// Each operation either completes correctly or stops with the message and changes nothing.
void TestCliDataFolder::twoProcessesOnOneDataFolder()
{
    QFETCH(QString, first);
    QFETCH(QString, second);
    QFETCH(bool, held);
    QTemporaryDir dir;
    const QString data = dir.filePath("DATA");
    const QStringList drives{dir.filePath("k7m-a"), dir.filePath("k7m-b")};
    const QStringList commands{first, second};
    const Ids initial = range(1, 300);
    addContacts(data, 1, 300);
    QList<QByteArray> handheld;
    for (int n = 0; n < 2; ++n) {
        handheld << handheldDocument(5000 + 1000 * n, 300);
        QVERIFY(test::writeFile(drives[n] + "/" + documentPath, handheld[n]));
    }

    Run runs[2];
    QProcess a, b;
    if (held) {
        const QString gate = dir.filePath("gate");
        start(a, commandArgs(data, first, drives[0]), gate);
        QVERIFY(waitUntilLocked(a));
        const QByteArray storeBefore = readFile(Store::pathInDirectory(data));
        const QStringList dataBefore = QDir(data).entryList(QDir::Files);
        start(b, commandArgs(data, second, drives[1]));
        const Run refused = finish(b);
        QCOMPARE(refused.status, 1);
        QVERIFY2(refused.err.contains(heldText(a.processId())), qPrintable(refused.err));
        QCOMPARE(readFile(Store::pathInDirectory(data)), storeBefore);
        QCOMPARE(QDir(data).entryList(QDir::Files), dataBefore);
        QCOMPARE(readFile(drives[1] + "/" + documentPath), handheld[1]);
        // Reading is never blocked.
        const Run info = runCli({"--data", data, "info"});
        QCOMPARE(info.status, 0);
        QVERIFY(info.out.contains("Contacts: 300"));
        QVERIFY(test::writeFile(gate, "go"));
        runs[0] = finish(a);
        QCOMPARE(runs[0].status, 0);
        runs[1] = runCli(commandArgs(data, second, drives[1]));
        QCOMPARE(runs[1].status, 0);
    } else {
        start(a, commandArgs(data, first, drives[0]));
        start(b, commandArgs(data, second, drives[1]));
        runs[0] = finish(a);
        runs[1] = finish(b);
        for (int n = 0; n < 2; ++n) {
            const bool refused = runs[n].status == 1 && runs[n].err.contains(heldText(runs[1 - n].pid));
            QVERIFY2(runs[n].status == 0 || refused, qPrintable(runs[n].out + runs[n].err));
        }
    }

    // The store holds what it held and every document a completed import brought.
    Ids expectedStore = initial;
    for (int n = 0; n < 2; ++n)
        if (commands[n] == "import" && runs[n].status == 0)
            expectedStore.unite(uidsOf(handheld[n]));
    QCOMPARE(storeIds(data), expectedStore);
    for (int n = 0; n < 2; ++n) {
        const QByteArray now = readFile(drives[n] + "/" + documentPath);
        if (commands[n] == "import" || runs[n].status != 0) {
            QCOMPARE(now, handheld[n]); // read, or left alone
            continue;
        }
        // An export carries the store as it was before or after the other side's import.
        QVERIFY(wholeExport(now));
        const Ids exported = uidsOf(now);
        const bool beforeImport = exported == initial;
        const bool afterImport = commands[1 - n] == "import" && exported == initial + uidsOf(handheld[1 - n]);
        QVERIFY(beforeImport || afterImport);
    }
    QVERIFY(leftovers(data).isEmpty());
}

void TestCliDataFolder::killedExportLeavesWholeCopies()
{
    QTemporaryDir dir;
    const QString data = dir.filePath("DATA");
    const QString drive = dir.filePath("k7m");
    QVERIFY(QDir().mkpath(drive + "/Qtopia/Applications"));
    addContacts(data, 1, 50);
    QCOMPARE(runCli(commandArgs(data, "export", drive)).status, 0);
    const QByteArray old = readFile(data + "/addressbook.xml");
    QCOMPARE(readFile(drive + "/" + documentPath), old);

    // Large enough that the export is caught while it writes its staging file.
    addContacts(data, 1000, 40000, 60);
    QProcess exporter;
    start(exporter, commandArgs(data, "export", drive));
    bool caught = false;
    for (int i = 0; i < 10000 && exporter.state() != QProcess::NotRunning && !caught; ++i) {
        for (const QString &name : leftovers(data))
            caught = caught || QFileInfo(data + "/" + name).size() > 0;
        if (!caught)
            QTest::qWait(2);
    }
    qInfo("export caught half-way: %s", caught ? "yes" : "no");
    exporter.kill(); // SIGKILL: no chance to clean up
    exporter.waitForFinished();
    const QByteArray kept = readFile(data + "/addressbook.xml");
    const QByteArray onHandheld = readFile(drive + "/" + documentPath);
    QVERIFY(kept == old || (wholeExport(kept) && uidsOf(kept).size() == 40050));
    QVERIFY(onHandheld == old || (wholeExport(onHandheld) && uidsOf(onHandheld).size() == 40050));
    if (caught)
        QCOMPARE(kept, old);

    // The lock of the killed process does not keep the next export out, and its leftovers go.
    const Run again = runCli(commandArgs(data, "export", drive));
    QCOMPARE(again.status, 0);
    QVERIFY(leftovers(data).isEmpty());
    QCOMPARE(readFile(data + "/addressbook.xml"), readFile(drive + "/" + documentPath));
    QCOMPARE(uidsOf(readFile(data + "/addressbook.xml")).size(), 40050);
}

void TestCliDataFolder::twoStartsOnAFreshFolder()
{
    // Both make the missing store at the same moment; one of the two is put in place, and both use it.
    QTemporaryDir dir;
    for (int round = 0; round < 5; ++round) {
        const QString data = dir.filePath(QString("DATA%1").arg(round));
        QProcess a, b;
        start(a, {"--data", data, "info"});
        start(b, {"--data", data, "info"});
        const Run first = finish(a), second = finish(b);
        QVERIFY2(first.status == 0 && second.status == 0, qPrintable(first.out + first.err + second.out + second.err));
        QCOMPARE(QDir(data).entryList(QDir::Files), QStringList{"Qtdata.mdb"});
        QCOMPARE(storeIds(data), Ids());
    }
}

void TestCliDataFolder::fullDataFolderKeepsTheLastGoodCopy()
{
    QTemporaryDir dir;
    const QString data = dir.filePath("DATA");
    const QString drive = dir.filePath("k7m");
    const QString full = dir.filePath("full");
    QVERIFY(QDir().mkpath(drive + "/Qtopia/Applications"));
    QVERIFY(QDir().mkpath(full));
    addContacts(data, 1, 20);
    QCOMPARE(runCli(commandArgs(data, "export", drive)).status, 0);
    const QByteArray handheld = readFile(drive + "/" + documentPath);
    addContacts(data, 100, 3000, 100);

    const QString bigHandheld = dir.filePath("k7m-big");
    const QByteArray big = handheldDocument(90000, 5000);
    QVERIFY(test::writeFile(bigHandheld + "/" + documentPath, big));

    // A small file system of its own, in a mount namespace of the test's own, holds a copy of the
    // data folder with room for little more than what is in it (plus extra bytes).
    const qint64 used = QFileInfo(Store::pathInDirectory(data)).size() + QFileInfo(data + "/addressbook.xml").size();
    const auto runOnSmallDisk = [&](qint64 extra, const QString &commands) {
        const QString script = R"(mount -t tmpfs -o size="$1" none "$2" || exit 90
cp "$3/Qtdata.mdb" "$3/addressbook.xml" "$2/" || exit 91
case "$7" in *export*) "$4" --data "$2" export --drive "$5" --contacts --yes 2>&1; echo "export-status=$?";; esac
"$4" --data "$2" import --drive "$6" --contacts 2>&1
echo "import-status=$?"
cmp -s "$3/addressbook.xml" "$2/addressbook.xml" && echo kept-same
cmp -s "$3/Qtdata.mdb" "$2/Qtdata.mdb" && echo store-same
ls -A "$2")";
        QProcess shell;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert("LC_ALL", "C.UTF-8");
        shell.setProcessEnvironment(env);
        const QString size = QString::number(((used + extra) / 4096 + 16) * 4096);
        // Root mounts without a user namespace of its own, which a process in a chroot may not make.
        const QString namespaces = geteuid() == 0 ? "-m" : "-rm";
        shell.start("unshare", {namespaces, "sh", "-c", script, "sh", size, full, data, test::cliPath(), drive,
                                bigHandheld, commands});
        shell.waitForFinished(60000);
        if (shell.exitStatus() != QProcess::NormalExit || shell.exitCode() != 0)
            return QString();
        return QString::fromUtf8(shell.readAllStandardOutput());
    };

    // No room for the new staging copies: neither the export's nor the import's is left half made.
    QString out = runOnSmallDisk(0, "export,import");
    if (out.isEmpty())
        QSKIP("no mount namespace with a small file system here (unshare -rm, mount -t tmpfs)");
    QVERIFY2(out.contains("export-status=1") && out.contains("import-status=1"), qPrintable(out));
    QVERIFY2(out.count("No space left on device") == 2, qPrintable(out));
    QVERIFY2(!out.contains("Unknown error"), qPrintable(out));
    QVERIFY2(out.contains("kept-same") && out.contains("store-same"), qPrintable(out));
    QVERIFY2(!out.contains("addressbook.xml."), qPrintable(out)); // no partial copy left behind
    QCOMPARE(readFile(drive + "/" + documentPath), handheld);

    // Room for the import's copy and the store's backup but not for the records: the store says the
    // disk is full and is rolled back whole.
    out = runOnSmallDisk(big.size() + QFileInfo(Store::pathInDirectory(data)).size() + 8192, "import");
    QVERIFY2(out.contains("import-status=1") && out.contains("store-same"), qPrintable(out));
    QVERIFY2(out.contains("디스크가 가득 찼습니다 (No space left on device)"), qPrintable(out));
    QVERIFY2(out.contains("레코드를 하나도 가져오지 않았습니다"), qPrintable(out));
}

QTEST_GUILESS_MAIN(TestCliDataFolder)
#include "tst_clidatafolder.moc"
