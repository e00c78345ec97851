// Faults where the user's data could be lost: the handheld taken away in the middle of an export or
// an import, a full card or data folder, a read-only or damaged store, a staging file that cannot
// be written. Each must end with a message, the handheld's old document whole, the store as it was
// (or with whole records merged before the fault) and no half-written file left behind.
//
// The full-disk and read-only cases mount a small tmpfs and so run only as root.
#include "exchange/DeviceExport.h"
#include "exchange/DeviceLocation.h"
#include "exchange/ImportFromDevice.h"
#include "exchange/Snapshots.h"
#include "exchange/StagingFile.h"
#include "records/Store.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QDirIterator>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <fcntl.h>
#include <sys/stat.h>
#include <thread>
#include <unistd.h>

using namespace pimdesk;

namespace {

struct Run
{
    int status;
    QString out;
};

Run runCli(const QStringList &args)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::MergedChannels);
    process.start(test::cliPath(), args);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        return {-1, "timed out"};
    if (process.exitStatus() != QProcess::NormalExit)
        return {-2, "crashed: " + QString::fromUtf8(process.readAll())};
    return {process.exitCode(), QString::fromUtf8(process.readAll()).trimmed()};
}

// Every file below a folder, relative to it, sorted.
QStringList filesBelow(const QString &folder)
{
    QStringList files;
    QDirIterator it(folder, QDir::Files | QDir::Hidden | QDir::System, QDirIterator::Subdirectories);
    while (it.hasNext())
        files.append(QDir(folder).relativeFilePath(it.next()));
    files.sort();
    return files;
}

// Files left under a name of their own by a write that did not finish (temporary copies of a
// document or of the store).
QStringList temporaries(const QString &folder)
{
    static const QRegularExpression pattern(R"((\.xml|\.mdb)[.-]\w+$)");
    QStringList found;
    for (const QString &f : filesBelow(folder))
        if (pattern.match(f).hasMatch())
            found.append(f);
    return found;
}

// The records of every table, as one digest.
QByteArray storeDigest(const QString &path)
{
    const std::shared_ptr<Store> store = Store::open(path);
    QCryptographicHash hash(QCryptographicHash::Sha1);
    for (const char *table : {"Contacts", "Datebook", "Todo"}) {
        Store::Query rows(*store, QString("SELECT * FROM %1 ORDER BY ID").arg(table));
        while (rows.next())
            for (int c = 0; c < rows.columnCount(); ++c)
                hash.addData(rows.text(c).toUtf8() + '\x1f');
    }
    return hash.result();
}

// An address book of count contacts, each line about 100 bytes.
QByteArray addressbook(int count, int firstId = 1)
{
    QByteArray doc = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<!DOCTYPE Addressbook ><AddressBook>\n<Contacts>\n";
    for (int i = 0; i < count; ++i)
        doc += QString("<Contact Uid=\"%1\" FirstName=\"이름%1\" LastName=\"성\" Notes=\"%2\" />\n")
                   .arg(firstId + i)
                   .arg(QString(40, QChar('n')))
                   .toUtf8();
    return doc + "</Contacts>\n</AddressBook>\n";
}

void fillContacts(const QString &storePath, int count)
{
    const std::shared_ptr<Store> store = Store::open(storePath);
    Store::Transaction transaction(*store);
    for (int i = 1; i <= count; ++i)
        store->exec("INSERT INTO Contacts (ID, FirstName, Notes) VALUES (?, ?, ?)",
                    {i, QString("이름%1").arg(i), QString(200, QChar('x'))});
    transaction.commit();
}

} // namespace

class TestExchangeFaults : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void driveVanishesDuringExport();
    void driveVanishesDuringImport();
    void readErrorDuringImport();
    void fullCardDuringExport();
    void fullDataFolderDuringImport_data();
    void fullDataFolderDuringImport();
    void fullDataFolderDuringExport();
    void readOnlyStore();
    void storeDamagedBetweenRuns_data();
    void storeDamagedBetweenRuns();
    void stagingCannotBeWritten();
    void aCopyLeavesATargetThatHoldsItsBytes_data();
    void aCopyLeavesATargetThatHoldsItsBytes();

private:
    // Mounts a tmpfs of the given size at path (made if missing); skips the test unless root.
    bool mountTmpfs(const QString &path, const QString &size, bool readOnly = false);
    bool remountReadOnly(const QString &path);
    QString oldDocumentPath() const { return handheldDocumentPath(m_drive, RecordKind::Contacts); }
    QString storePath() const { return Store::pathInDirectory(m_data); }

    std::unique_ptr<QTemporaryDir> m_dir;
    QString m_data;
    QString m_drive;
    QByteArray m_oldDocument;
    QStringList m_mounts;
};

void TestExchangeFaults::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    m_data = m_dir->filePath("DATA");
    m_drive = m_dir->filePath("k7m");
    m_oldDocument = test::readFile(test::dataPath("import/addressbook-qtopia1.xml"));
    QVERIFY(!m_oldDocument.isEmpty());
}

void TestExchangeFaults::cleanup()
{
    while (!m_mounts.isEmpty())
        QProcess::execute("umount", {"-l", m_mounts.takeLast()});
    m_dir.reset();
}

bool TestExchangeFaults::mountTmpfs(const QString &path, const QString &size, bool readOnly)
{
    if (geteuid() != 0)
        return false;
    QDir().mkpath(path);
    QStringList options{"size=" + size};
    if (readOnly)
        options << "ro";
    if (QProcess::execute("mount", {"-t", "tmpfs", "-o", options.join(','), "tmpfs", path}) != 0)
        return false;
    m_mounts.append(path);
    return true;
}

bool TestExchangeFaults::remountReadOnly(const QString &path)
{
    return QProcess::execute("mount", {"-o", "remount,ro", path}) == 0;
}

void TestExchangeFaults::driveVanishesDuringExport()
{
    QVERIFY(test::writeFile(oldDocumentPath(), m_oldDocument));
    fillContacts(storePath(), 50);
    const QByteArray storeBytes = test::readFile(storePath());
    const QString gone = m_dir->filePath("k7m-unplugged");

    // Half the document reaches the card, then the card is gone from its mount point.
    ExportOptions options;
    options.writeToDevice = [&](QIODevice &file, const QByteArray &bytes) {
        file.write(bytes.left(bytes.size() / 2));
        QDir().rename(m_drive, gone);
        return false;
    };
    ScriptedMessages messages;
    {
        const std::shared_ptr<Store> store = Store::open(storePath());
        const ExportOutcome outcome =
            exportToDevice(*store, m_data, m_drive, {RecordKind::Contacts}, messages, nullptr, {}, options);
        QVERIFY(outcome.stopped);
        QVERIFY(outcome.completed.isEmpty());
    }
    QCOMPARE(messages.texts().last(), exportTexts::driveError());
    QCOMPARE(test::readFile(gone + "/Qtopia/Applications/addressbook/addressbook.xml"), m_oldDocument);
    QCOMPARE(filesBelow(gone), QStringList{"Qtopia/Applications/addressbook/addressbook.xml"});
    QCOMPARE(test::readFile(storePath()), storeBytes);
    // The old document was kept before anything was written, in a backup folder the history lists.
    const QList<BackupEntry> backups = listBackups(m_data);
    QCOMPARE(backups.size(), 1);
    QCOMPARE(QDir(backups.first().folder).entryList(QDir::Files), (QStringList{"addressbook.xml", "manifest.json"}));
    QCOMPARE(test::readFile(backups.first().folder + "/addressbook.xml"), m_oldDocument);

    // Plugged in again, the next export completes and removes what a card without unnamed
    // temporary files (FAT) keeps of the cut one.
    QVERIFY(QDir().rename(gone, m_drive));
    QVERIFY(test::writeFile(oldDocumentPath() + ".Qx7tPz", m_oldDocument.left(m_oldDocument.size() / 2)));
    const Run run = runCli({"--data", m_data, "export", "--drive", m_drive, "--contacts", "--yes"});
    QCOMPARE(run.status, 0);
    QCOMPARE(test::readFile(oldDocumentPath()), test::readFile(m_data + "/addressbook.xml"));
    QCOMPARE(filesBelow(m_drive), QStringList{"Qtopia/Applications/addressbook/addressbook.xml"});
}

void TestExchangeFaults::driveVanishesDuringImport()
{
    // The handheld's document arrives through a pipe: a third of it, then the card is gone.
    const QByteArray document = addressbook(300);
    QDir().mkpath(QFileInfo(oldDocumentPath()).path());
    QCOMPARE(mkfifo(oldDocumentPath().toLocal8Bit().constData(), 0600), 0);
    fillContacts(storePath(), 0);
    const QByteArray before = storeDigest(storePath());

    const QString gone = m_dir->filePath("k7m-unplugged");
    const QByteArray fifo = oldDocumentPath().toLocal8Bit();
    std::thread card([&] {
        int fd = -1;
        for (int i = 0; i < 1000 && fd < 0; ++i) { // waits up to ten seconds for the import to open it
            fd = ::open(fifo.constData(), O_WRONLY | O_NONBLOCK);
            if (fd < 0)
                QThread::msleep(10);
        }
        if (fd < 0)
            return;
        fcntl(fd, F_SETFL, 0);
        const QByteArray part = document.left(document.size() / 3);
        if (::write(fd, part.constData(), size_t(part.size())) != part.size())
            qWarning("short write into the pipe");
        QDir().rename(m_drive, gone);
        ::close(fd);
    });
    ScriptedMessages messages;
    ImportOutcome outcome;
    {
        const std::shared_ptr<Store> store = Store::open(storePath());
        outcome =
            importFromDevice(*store, m_data, m_drive, {RecordKind::Contacts, RecordKind::Tasks}, messages, nullptr);
    }
    card.join();
    QVERIFY(!outcome.allCompleted);
    QVERIFY(!messages.texts().isEmpty());

    const std::shared_ptr<Store> store = Store::open(storePath());
    if (outcome.completed.isEmpty()) {
        // The cut was seen as a read error: nothing merged.
        QCOMPARE(messages.texts().first(), driveErrorText());
        QCOMPARE(storeDigest(storePath()), before);
    } else {
        // The cut was seen as the end of the document: the whole records before it are merged,
        // the one it cut is counted as damaged, nothing else.
        const qint64 whole = document.left(document.size() / 3).count("/>\n");
        QCOMPARE(store->count("Contacts"), whole);
        QCOMPARE(messages.texts().first(), importCompletedText(RecordKind::Contacts) + "\r" + skippedRecordsText(1));
        QCOMPARE(store->scalar("SELECT max(ID) FROM Contacts").toLongLong(), whole);
    }
    QCOMPARE(messages.texts().last(), documentNotFoundText()); // the tasks: the card is gone
    QCOMPARE(temporaries(m_data), QStringList());
}

void TestExchangeFaults::readErrorDuringImport()
{
    // An earlier import left its copy; the card then fails (EIO) a third of the way into the next.
    QVERIFY(test::writeFile(oldDocumentPath(), addressbook(20)));
    fillContacts(storePath(), 0);
    QCOMPARE(runCli({"--data", m_data, "import", "--drive", m_drive, "--contacts"}).status, 0);
    const QByteArray document = addressbook(300);
    QVERIFY(test::writeFile(oldDocumentPath(), document));
    const QByteArray before = storeDigest(storePath());
    const QStringList data = filesBelow(m_data);
    const QByteArray copy = test::readFile(m_data + "/addressbook.xml");

    ImportOptions options;
    options.readFromDevice = [&](QIODevice &file, char *bytes, qint64 size) -> qint64 {
        if (file.pos() > 0)
            return -1;
        return file.read(bytes, qMin(size, qint64(document.size() / 3)));
    };
    ScriptedMessages messages;
    {
        const std::shared_ptr<Store> store = Store::open(storePath());
        const ImportOutcome outcome =
            importFromDevice(*store, m_data, m_drive, {RecordKind::Contacts}, messages, nullptr, {}, options);
        QVERIFY(outcome.completed.isEmpty());
    }
    QCOMPARE(messages.texts(), QStringList{driveErrorText()});
    QCOMPARE(storeDigest(storePath()), before);
    QCOMPARE(filesBelow(m_data), data); // no snapshot, no partial copy
    QCOMPARE(test::readFile(m_data + "/addressbook.xml"), copy);
    QCOMPARE(test::readFile(oldDocumentPath()), document);
}

void TestExchangeFaults::fullCardDuringExport()
{
    if (!mountTmpfs(m_drive, "64k"))
        QSKIP("needs root to mount a small tmpfs as the handheld's card");
    QVERIFY(test::writeFile(oldDocumentPath(), m_oldDocument));
    fillContacts(storePath(), 2000); // a document of several hundred kilobytes

    const Run run = runCli({"--data", m_data, "export", "--drive", m_drive, "--contacts", "--yes"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.endsWith(exportTexts::driveError()), qPrintable(run.out));
    QCOMPARE(test::readFile(oldDocumentPath()), m_oldDocument);
    QCOMPARE(filesBelow(m_drive), QStringList{"Qtopia/Applications/addressbook/addressbook.xml"});
}

void TestExchangeFaults::fullDataFolderDuringImport_data()
{
    QTest::addColumn<bool>("roomForCopies");
    QTest::addColumn<QString>("message");
    // No room for the copy of the document; room for it and the store's snapshot, none for the records.
    QTest::newRow("copy") << false << "가져온 문서를";
    QTest::newRow("merge") << true << "레코드를 하나도 가져오지 않았습니다.";
}

void TestExchangeFaults::fullDataFolderDuringImport()
{
    QFETCH(bool, roomForCopies);
    QFETCH(QString, message);
    if (!mountTmpfs(m_data, "1m"))
        QSKIP("needs root to mount a small tmpfs as the data folder");
    fillContacts(storePath(), 20);
    const QByteArray before = storeDigest(storePath());
    const QByteArray document = addressbook(2400, 1000); // about 250 KB
    QVERIFY(test::writeFile(oldDocumentPath(), document));
    // Fill the folder up to the spare kilobytes.
    const qint64 spare = roomForCopies ? (document.size() + 2 * QFileInfo(storePath()).size()) / 1024 + 48 : 8;
    {
        QFile filler(m_data + "/filler");
        QVERIFY(filler.open(QIODevice::WriteOnly));
        const QByteArray block(4096, 'f');
        while (filler.write(block) == block.size() && filler.flush()) {
        }
        filler.close();
        QVERIFY(filler.resize(qMax<qint64>(0, filler.size() - spare * 1024)));
    }

    const Run run = runCli({"--data", m_data, "import", "--drive", m_drive, "--contacts"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.contains(message), qPrintable(run.out));
    QVERIFY(QFile::remove(m_data + "/filler"));
    QCOMPARE(storeDigest(storePath()), before);
    QCOMPARE(test::readFile(oldDocumentPath()), document);
    QCOMPARE(temporaries(m_data), QStringList());
    if (QFileInfo::exists(m_data + "/addressbook.xml"))
        QCOMPARE(test::readFile(m_data + "/addressbook.xml"), document);
}

void TestExchangeFaults::fullDataFolderDuringExport()
{
    if (!mountTmpfs(m_data, "1m"))
        QSKIP("needs root to mount a small tmpfs as the data folder");
    QVERIFY(test::writeFile(oldDocumentPath(), m_oldDocument));
    fillContacts(storePath(), 3);
    Run run = runCli({"--data", m_data, "export", "--drive", m_drive, "--contacts", "--yes"});
    QCOMPARE(run.status, 0);
    const QByteArray exported = test::readFile(oldDocumentPath());
    QCOMPARE(test::readFile(m_data + "/addressbook.xml"), exported);
    // Many more records than the folder has room for in a document.
    {
        const std::shared_ptr<Store> store = Store::open(storePath());
        Store::Transaction transaction(*store);
        for (int i = 10; i < 2000; ++i)
            store->exec("INSERT INTO Contacts (ID, FirstName) VALUES (?, ?)", {i, QString("이름%1").arg(i)});
        transaction.commit();
    }
    QFile filler(m_data + "/filler");
    QVERIFY(filler.open(QIODevice::WriteOnly));
    while (filler.write(QByteArray(4096, 'f')) == 4096 && filler.flush()) {
    }
    filler.close();
    QVERIFY(filler.resize(filler.size() - 40 * 1024));
    const QStringList filesBefore = filesBelow(m_data);

    run = runCli({"--data", m_data, "export", "--drive", m_drive, "--contacts", "--yes"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.contains("내보낼 파일을 만들 수 없습니다."), qPrintable(run.out));
    QCOMPARE(test::readFile(oldDocumentPath()), exported);
    // The earlier staging copy is still whole, and no part of the new one is left.
    QCOMPARE(test::readFile(m_data + "/addressbook.xml"), exported);
    QCOMPARE(filesBelow(m_data), filesBefore);
}

void TestExchangeFaults::readOnlyStore()
{
    QVERIFY(test::writeFile(oldDocumentPath(), m_oldDocument));
    const bool mounted = mountTmpfs(m_data, "1m");
    fillContacts(storePath(), 5);
    const QByteArray storeBytes = test::readFile(storePath());
    if (mounted)
        QVERIFY(remountReadOnly(m_data));
    else
        QVERIFY(QFile::setPermissions(storePath(), QFileDevice::ReadOwner | QFileDevice::ReadUser));

    Run run = runCli({"--data", m_data, "import", "--drive", m_drive, "--contacts"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.contains(QDir::toNativeSeparators(storePath())), qPrintable(run.out));
    QVERIFY2(run.out.contains("읽기 전용") || run.out.contains("쓸 수 없습니다"), qPrintable(run.out));
    QCOMPARE(test::readFile(storePath()), storeBytes);

    run = runCli({"--data", m_data, "export", "--drive", m_drive, "--contacts", "--yes"});
    QCOMPARE(run.status, 1);
    QCOMPARE(test::readFile(oldDocumentPath()), m_oldDocument);
    QCOMPARE(test::readFile(storePath()), storeBytes);
    QCOMPARE(filesBelow(m_data), QStringList{"Qtdata.mdb"});
}

void TestExchangeFaults::storeDamagedBetweenRuns_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("table page overwritten") << "page";
    // The export's writer reads the table alone; only the check sees this one.
    QTest::newRow("index page overwritten") << "index";
    QTest::newRow("cut in half") << "truncate";
    QTest::newRow("header wiped") << "header";
}

void TestExchangeFaults::storeDamagedBetweenRuns()
{
    QFETCH(QString, damage);
    QVERIFY(test::writeFile(oldDocumentPath(), m_oldDocument));
    fillContacts(storePath(), 400);
    Run run = runCli({"--data", m_data, "import", "--drive", m_drive, "--contacts"});
    QCOMPARE(run.status, 0);

    qint64 pageSize = 0, rootPage = 0;
    {
        const std::shared_ptr<Store> store = Store::open(storePath());
        pageSize = store->scalar("PRAGMA page_size").toLongLong();
        rootPage = store
                       ->scalar("SELECT rootpage FROM sqlite_master WHERE name = ?",
                                {damage == "index" ? "Contacts_FileAs" : "Contacts"})
                       .toLongLong();
    }
    {
        QFile file(storePath());
        QVERIFY(file.open(QIODevice::ReadWrite));
        if (damage == "page" || damage == "index") {
            QVERIFY(file.seek((rootPage - 1) * pageSize));
            file.write(QByteArray(int(pageSize), '\xA5'));
        } else if (damage == "truncate") {
            QVERIFY(file.resize(file.size() / 2));
        } else {
            file.write(QByteArray(100, '\0'));
        }
    }
    const QByteArray damaged = test::readFile(storePath());

    run = runCli({"--data", m_data, "import", "--drive", m_drive, "--contacts"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.contains(QDir::toNativeSeparators(storePath())), qPrintable(run.out));
    QCOMPARE(test::readFile(storePath()), damaged);

    run = runCli({"--data", m_data, "export", "--drive", m_drive, "--contacts", "--yes"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.contains(QDir::toNativeSeparators(storePath())), qPrintable(run.out));
    QCOMPARE(test::readFile(oldDocumentPath()), m_oldDocument);
    QCOMPARE(test::readFile(storePath()), damaged);
    QCOMPARE(filesBelow(m_drive), QStringList{"Qtopia/Applications/addressbook/addressbook.xml"});
}

void TestExchangeFaults::stagingCannotBeWritten()
{
    QVERIFY(test::writeFile(oldDocumentPath(), m_oldDocument));
    fillContacts(storePath(), 5);
    const QByteArray before = storeDigest(storePath());
    // A folder where the staging copy should go: no user, root included, can write that file.
    QVERIFY(QDir().mkpath(m_data + "/addressbook.xml"));

    Run run = runCli({"--data", m_data, "import", "--drive", m_drive, "--contacts"});
    QCOMPARE(run.status, 1);
    QVERIFY2(run.out.startsWith("가져온 문서를 " + QDir::toNativeSeparators(m_data + "/addressbook.xml")),
             qPrintable(run.out));
    QCOMPARE(storeDigest(storePath()), before);

    // The export writes its document under a name of its own, so the handheld gets it whole; only
    // the copy kept in the data folder cannot be left there, and the user is told so.
    run = runCli({"--data", m_data, "export", "--drive", m_drive, "--contacts", "--yes"});
    QCOMPARE(run.status, 0);
    QVERIFY2(run.out.contains(QDir::toNativeSeparators(m_data + "/addressbook.xml")), qPrintable(run.out));
    const QByteArray exported = test::readFile(oldDocumentPath());
    QCOMPARE(exported.count("<Contact "), 5);
    QVERIFY(exported.trimmed().endsWith("</AddressBook>"));
    QCOMPARE(filesBelow(m_drive), QStringList{"Qtopia/Applications/addressbook/addressbook.xml"});
    QVERIFY(QFileInfo(m_data + "/addressbook.xml").isDir());
    QCOMPARE(temporaries(m_data), QStringList());
    // The handheld's old document was kept before it was replaced.
    bool kept = false;
    for (const QString &f : filesBelow(exportBackupDirectory(m_data)))
        kept = kept || test::readFile(exportBackupDirectory(m_data) + "/" + f) == m_oldDocument;
    QVERIFY(kept);
}

void TestExchangeFaults::aCopyLeavesATargetThatHoldsItsBytes_data()
{
    QTest::addColumn<QByteArray>("target");
    QTest::addColumn<bool>("left");
    const QByteArray source = QByteArray(3 << 20, 'a') + "end";
    QTest::newRow("the same bytes") << source << true;
    QTest::newRow("the last byte differs") << source.left(source.size() - 1) + "x" << false;
    QTest::newRow("shorter") << source.left(source.size() - 1) << false;
    QTest::newRow("longer") << source + "!" << false;
    QTest::newRow("none") << QByteArray() << false;
}

// Where the target already holds the source's bytes, it stays the same file (not rewritten, not
// synced); otherwise it becomes a copy. Two names of one file hold the same bytes.
void TestExchangeFaults::aCopyLeavesATargetThatHoldsItsBytes()
{
    QFETCH(QByteArray, target);
    QFETCH(bool, left);
    const QByteArray source = QByteArray(3 << 20, 'a') + "end";
    const QString from = m_dir->filePath("source.xml"), to = m_dir->filePath("target.xml");
    QVERIFY(test::writeFile(from, source));
    if (!target.isEmpty())
        QVERIFY(test::writeFile(to, target));
    const auto inode = [](const QString &path) {
        struct stat s
        {
        };
        return ::stat(QFile::encodeName(path).constData(), &s) == 0 ? s.st_ino : ino_t(0);
    };
    const ino_t before = inode(to);
    QString error;
    QCOMPARE(copyWhole(from, to, &error, {{}, {}, true}), CopyResult::Copied);
    QCOMPARE(test::readFile(to), source);
    QCOMPARE(inode(to) == before, left);
    QCOMPARE(sameFileBytes(from, to), true);
    QVERIFY(test::writeFile(to, target + "?"));
    QCOMPARE(sameFileBytes(from, to), false);
    QVERIFY(::link(QFile::encodeName(from).constData(), QFile::encodeName(m_dir->filePath("link.xml")).constData()) ==
            0);
    QVERIFY(sameFileBytes(from, m_dir->filePath("link.xml")));
    QVERIFY(!sameFileBytes(from, m_dir->filePath("missing.xml")));
}

QTEST_GUILESS_MAIN(TestExchangeFaults)
#include "tst_exchangefaults.moc"
