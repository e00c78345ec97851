#include "exchange/DeviceExport.h"
#include "exchange/DeviceLocation.h"
#include "exchange/ImportFromDevice.h"
#include "exchange/Undo.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;

namespace {

// A message as the console prints it: a carriage return starts a new line.
QString printed(const QString &text)
{
    return QString(text).replace('\r', '\n') + '\n';
}

} // namespace

// pimdesk-cli as a command-line tool: what says that something failed goes to standard error and
// nothing else; results (completions, listings, a dry run's counts) go to standard output and
// nothing else. A question asked on the console goes to standard error, so that standard output
// stays what a script reads; one answered by --yes is part of the record on standard output.
class TestCliStreams : public QObject
{
    Q_OBJECT
private slots:
    void eachTextOnItsStream_data();
    void eachTextOnItsStream();
};

void TestCliStreams::eachTextOnItsStream_data()
{
    // In the arguments and texts, DATA is the data folder, DRIVE a folder standing in for a
    // handheld that holds only the address book (two contacts), and BARE a folder holding nothing.
    QTest::addColumn<QStringList>("args");
    QTest::addColumn<QByteArray>("input");
    QTest::addColumn<int>("status");
    QTest::addColumn<QString>("out");
    QTest::addColumn<QString>("err");

    const QString warning = printed(exportTexts::warningTitle() + ": " + exportTexts::warning());
    QTest::newRow("import succeeds") << QStringList{"import", "--drive", "DRIVE", "--contacts"} << QByteArray() << 0
                                     << printed(importCompletedText(RecordKind::Contacts)) << QString();
    QTest::newRow("import: document missing") << QStringList{"import", "--drive", "DRIVE", "--tasks"} << QByteArray()
                                              << 1 << QString() << printed(documentNotFoundText());
    QTest::newRow("import: one kind done, one missing")
        << QStringList{"import", "--drive", "DRIVE", "--contacts", "--events"} << QByteArray() << 1
        << printed(importCompletedText(RecordKind::Contacts)) << printed(documentNotFoundText());
    QTest::newRow("import dry run: one kind missing")
        << QStringList{"import", "--drive", "DRIVE", "--contacts", "--tasks", "--dry-run"} << QByteArray() << 1
        << QString("연락처: 추가 2건, 변경 0건, 그대로 0건\n미리 보기입니다. 아무것도 바꾸지 않았습니다.\n")
        << "작업: " + QString(documentNotFoundText()).replace('\r', ' ') + "\n";
    QTest::newRow("export: handheld not found")
        << QStringList{"export", "--drive", "BARE", "--contacts", "--yes"} << QByteArray() << 1 << warning + "[OK]\n"
        << printed(exportTexts::notFound());
    QTest::newRow("export: warning declined") << QStringList{"export", "--drive", "DRIVE", "--contacts"}
                                              << QByteArray("n\n") << 1 << QString() << warning + "[OK/Cancel] (y/N) ";
    QTest::newRow("undo: nothing to undo") << QStringList{"undo", "--drive", "DRIVE"} << QByteArray() << 1 << QString()
                                           << printed(undoTexts::title() + ": " + undoTexts::nothingToUndo());
    QTest::newRow("history") << QStringList{"history"} << QByteArray() << 0
                             << "no backups in " + QDir::toNativeSeparators("DATA") + "\n"
                             << QString();
    QTest::newRow("info") << QStringList{"info"} << QByteArray() << 0
                          << QString("store: DATA/Qtdata.mdb\nContacts: 0\nDatebook: 0\nTodo: 0\n") << QString();
}

void TestCliStreams::eachTextOnItsStream()
{
    QFETCH(QStringList, args);
    QFETCH(QByteArray, input);
    QFETCH(int, status);
    QFETCH(QString, out);
    QFETCH(QString, err);

    QTemporaryDir dir;
    const QString data = dir.filePath("DATA");
    const QString drive = dir.filePath("k7m");
    const QString bare = dir.filePath("bare");
    QVERIFY(test::writeFile(drive + "/Qtopia/Applications/addressbook/addressbook.xml",
                            test::readFile(test::dataPath("import/addressbook-qtopia1.xml"))));
    QVERIFY(QDir().mkpath(bare));
    const auto place = [&](QString text) {
        return text.replace("DATA", QDir::toNativeSeparators(data))
            .replace("DRIVE", QDir::toNativeSeparators(drive))
            .replace("BARE", QDir::toNativeSeparators(bare));
    };
    for (QString &a : args)
        a = place(a);

    const test::CliRun run = test::runCli(QStringList{"--data", data} + args, input);
    QCOMPARE(run.out, place(out));
    QCOMPARE(run.err, place(err));
    QCOMPARE(run.status, status);
}

QTEST_GUILESS_MAIN(TestCliStreams)
#include "tst_clistreams.moc"
