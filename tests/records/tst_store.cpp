#include "cli/Cli.h"
#include "records/Schema.h"
#include "records/Store.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <sqlite3.h>

using namespace pimdesk;

namespace {

// Makes an SQLite file with the given statements, outside the program's own code.
void makeSqliteFile(const QString &path, const QStringList &statements)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(path.toUtf8().constData(), &db), SQLITE_OK);
    for (const QString &s : statements)
        QCOMPARE(sqlite3_exec(db, s.toUtf8().constData(), nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

QStringList allCreateStatements(const QString &skipTable = QString(), const QString &skipField = QString())
{
    QStringList statements;
    for (const TableSchema *t : schema::tables()) {
        if (t->name == skipTable && skipField.isEmpty())
            continue;
        TableSchema copy = *t;
        if (t->name == skipTable)
            copy.fields.removeAll(skipField);
        statements << schema::createStatements(copy);
    }
    return statements;
}

QString openError(const QString &path)
{
    try {
        Store::open(path);
    } catch (const StoreError &e) {
        return e.message();
    }
    return QString();
}

struct CliResult
{
    int status;
    QString out;
    QString err;
};

CliResult runCli(const QStringList &args)
{
    QString outText, errText, inText;
    QTextStream out(&outText), err(&errText), in(&inText);
    const int status = cli::run(args, out, err, in);
    return {status, outText, errText};
}

} // namespace

class StoreTest : public QObject
{
    Q_OBJECT
private slots:
    void createsMissingStoreWithTablesInStoredOrder()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("nested/DATA/Qtdata.mdb");
        const std::shared_ptr<Store> store = Store::open(path);
        QVERIFY(QFile::exists(path));
        QCOMPARE(QDir(dir.filePath("nested/DATA")).entryList(QDir::Files), QStringList{"Qtdata.mdb"});
        for (const TableSchema *t : schema::tables()) {
            // The stored fields in their order, then the columns later versions added.
            QCOMPARE(store->columnNames(t->name), t->fields + schema::addedColumnNames(t->name));
            QCOMPARE(store->count(t->name), 0);
        }
        const QStringList contacts = schema::contacts().fields;
        QCOMPARE(contacts.mid(2, 4), (QStringList{"FileAs", "H_Phone", "H_Mobile", "O_Phone"}));
        QCOMPARE(schema::todo().fields.at(3), QStringLiteral("Description"));
        QCOMPARE(schema::datebook().fields.at(4), QStringLiteral("Description"));
        // ID is unique; the store refuses a second record with the same identity.
        store->exec("INSERT INTO Contacts (ID) VALUES (1)");
        QVERIFY_THROWS_EXCEPTION(StoreError, store->exec("INSERT INTO Contacts (ID) VALUES (1)"));
        // Opening again finds the same file, and shared() hands out one store per path.
        QCOMPARE(Store::open(path)->count("Contacts"), 1);
        QCOMPARE(Store::shared(path).get(), Store::shared(dir.filePath("nested/DATA/../DATA/Qtdata.mdb")).get());
    }

    void sqliteShellReadsAndWritesEveryTable()
    {
        const QString shell = QStandardPaths::findExecutable("sqlite3");
        if (shell.isEmpty())
            QSKIP("the sqlite3 shell is not installed");
        QTemporaryDir dir;
        const QString path = dir.filePath("Qtdata.mdb");
        const std::shared_ptr<Store> store = Store::open(path);
        store->exec("INSERT INTO Datebook (ID, Start, \"qdl-private-data\") VALUES (5, '2006-01-01 00:00:00', 'p')");
        QProcess p;
        p.start(shell, {path, "INSERT INTO Todo (ID, Description, \"qdl-private-data\") VALUES (3, '할 일', 'x');"
                              "INSERT INTO Contacts (ID, FileAs) VALUES (9, '홍길동');"
                              "SELECT ID, Start, \"qdl-private-data\" FROM Datebook;"
                              "SELECT name FROM pragma_table_info('Contacts') LIMIT 6;"});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        QCOMPARE(QString::fromUtf8(p.readAllStandardOutput()),
                 QStringLiteral("5|2006-01-01 00:00:00|p\nID\napplication\nFileAs\nH_Phone\nH_Mobile\nO_Phone\n"));
        QCOMPARE(store->scalar("SELECT Description FROM Todo WHERE ID = 3").toString(), QStringLiteral("할 일"));
        QCOMPARE(store->scalar("SELECT FileAs FROM Contacts WHERE ID = 9").toString(), QStringLiteral("홍길동"));
    }

    void refusesFilesThatAreNotOurStoreAndLeavesThemAlone_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("expected");
        QTest::newRow("empty") << "empty"
                               << "파일이 비어 있습니다";
        QTest::newRow("random bytes") << "random"
                                      << "SQLite 레코드 저장소 파일이 아닙니다";
        QTest::newRow("Access database") << "jet"
                                         << "SQLite 레코드 저장소 파일이 아닙니다";
        QTest::newRow("truncated SQLite") << "truncated"
                                          << "손상";
        QTest::newRow("table missing") << "notable"
                                       << "테이블 Todo이(가) 없습니다.";
        QTest::newRow("field missing") << "nofield"
                                       << "테이블 Datebook에 필드가 없습니다: qdl-private-data";
        QTest::newRow("read-only file") << "readonly"
                                        << "파일이 읽기 전용입니다";
        QTest::newRow("read-only folder") << "readonlydir"
                                          << "에 쓸 수 없습니다";
        QTest::newRow("folder in its place") << "folder"
                                             << "파일이 아닙니다";
    }

    void refusesFilesThatAreNotOurStoreAndLeavesThemAlone()
    {
        QFETCH(QString, kind);
        QFETCH(QString, expected);
        QTemporaryDir dir;
        const QString folder = dir.filePath("DATA");
        QDir().mkpath(folder);
        const QString path = Store::pathInDirectory(folder);
        if (kind == "empty") {
            QVERIFY(test::writeFile(path, QByteArray()));
        } else if (kind == "random") {
            QByteArray noise;
            for (int i = 0; i < 4096; ++i)
                noise.append(char((i * 7919 + 13) % 251));
            QVERIFY(test::writeFile(path, noise));
        } else if (kind == "jet") {
            QByteArray jet("\x00\x01\x00\x00Standard Jet DB\x00", 20);
            jet.append(QByteArray(2048 - jet.size(), '\x11'));
            QVERIFY(test::writeFile(path, jet));
        } else if (kind == "truncated") {
            makeSqliteFile(path, allCreateStatements());
            QByteArray whole = test::readFile(path);
            QVERIFY(test::writeFile(path, whole.left(100)));
        } else if (kind == "notable") {
            makeSqliteFile(path, allCreateStatements("Todo"));
        } else if (kind == "nofield") {
            makeSqliteFile(path, allCreateStatements("Datebook", "qdl-private-data"));
        } else if (kind == "readonly") {
            makeSqliteFile(path, allCreateStatements());
            QFile::setPermissions(path, QFile::ReadOwner | QFile::ReadGroup | QFile::ReadOther);
        } else if (kind == "readonlydir") {
            makeSqliteFile(path, allCreateStatements());
            QFile::setPermissions(folder, QFile::ReadOwner | QFile::ExeOwner);
        } else if (kind == "folder") {
            QDir().mkpath(path);
        }
        const QByteArray before = test::readFile(path);
        const QStringList filesBefore = QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);

        const QString message = openError(path);
        QVERIFY2(message.contains(expected), qPrintable(message));
        QVERIFY2(message.contains(QDir::toNativeSeparators(path)), qPrintable(message));

        // The command-line tool says the same and fails.
        const CliResult cli = runCli({"--data", folder, "info"});
        QCOMPARE(cli.status, 1);
        QVERIFY2(cli.err.contains(expected), qPrintable(cli.err));

        QCOMPARE(test::readFile(path), before);
        QCOMPARE(QDir(folder).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot), filesBefore);
        QFile::setPermissions(folder, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }

    void missingFolderThatCannotBeMade()
    {
        QTemporaryDir dir;
        QVERIFY(test::writeFile(dir.filePath("blocked"), "a file where the folder should be"));
        const QString message = openError(dir.filePath("blocked/DATA/Qtdata.mdb"));
        QVERIFY2(message.contains("만들 수 없습니다"), qPrintable(message));
    }

    void transactionsCommitOrRollBackWhole()
    {
        QTemporaryDir dir;
        const std::shared_ptr<Store> store = Store::open(dir.filePath("Qtdata.mdb"));
        {
            Store::Transaction outer(*store);
            store->exec("INSERT INTO Todo (ID) VALUES (1)");
            {
                Store::Transaction inner(*store);
                store->exec("INSERT INTO Todo (ID) VALUES (2)");
                inner.commit();
            }
            outer.commit();
        }
        QCOMPARE(store->count("Todo"), 2);
        {
            Store::Transaction outer(*store);
            store->exec("INSERT INTO Todo (ID) VALUES (3)");
            {
                Store::Transaction inner(*store);
                store->exec("INSERT INTO Todo (ID) VALUES (4)");
                // leaves without commit: the whole run must go
            }
            QVERIFY_THROWS_EXCEPTION(StoreError, outer.commit());
        }
        QCOMPARE(store->count("Todo"), 2);
        {
            Store::Transaction t(*store);
            store->exec("INSERT INTO Todo (ID) VALUES (5)");
        }
        QCOMPARE(store->count("Todo"), 2);
    }

    void storeHeldByAnotherProgramIsBusyNotDamaged()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Qtdata.mdb");
        Store::open(path);
        // Another program holds the whole file: its exclusive lock keeps even readers out.
        sqlite3 *other = nullptr;
        QCOMPARE(sqlite3_open(path.toUtf8().constData(), &other), SQLITE_OK);
        QCOMPARE(sqlite3_exec(other, "BEGIN EXCLUSIVE; INSERT INTO Todo (ID) VALUES (1);", nullptr, nullptr, nullptr),
                 SQLITE_OK);
        QElapsedTimer waited;
        waited.start();
        const QString message = openError(path);
        QVERIFY(waited.elapsed() >= Store::busyTimeoutMs - 500); // it was given time to become free
        QVERIFY2(message.contains(storeBusyText()), qPrintable(message));
        QVERIFY2(!message.contains("손상"), qPrintable(message));
        QCOMPARE(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(other);
        QCOMPARE(Store::open(path)->count("Todo"), 1);
    }

    void damagedPagesAreFoundBeforeAnythingIsWritten()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath("Qtdata.mdb");
        {
            const std::shared_ptr<Store> store = Store::open(path);
            Store::Transaction t(*store);
            for (int i = 1; i <= 3000; ++i)
                store->exec("INSERT INTO Contacts (ID, FileAs, Notes) VALUES (?, ?, ?)",
                            {i, QString("연락처 %1").arg(i), QString(40, QChar(u'가' + i % 100))});
            t.commit();
            store->verifyIntegrity(); // a whole file passes
        }
        // 8 KiB of noise in the middle of the file, as a failing disk might leave it.
        QVERIFY(test::writeNoise(path, QFileInfo(path).size() / 2 / 4096 * 4096, 8192));
        const QByteArray before = test::readFile(path);

        const std::shared_ptr<Store> store = Store::open(path); // the catalogue is still readable
        // The whole file, or the damaged table alone; a table whose pages are whole passes.
        for (const QStringList &tables : {QStringList(), QStringList{"Contacts"}, QStringList{"Todo", "Contacts"}}) {
            try {
                store->verifyIntegrity(tables);
                QFAIL(qPrintable("damage not found checking " + tables.join(',')));
            } catch (const StoreError &e) {
                QVERIFY2(e.message().contains(storeDamagedText()), qPrintable(e.message()));
            }
        }
        store->verifyIntegrity({"Todo", "Datebook"});
        QCOMPARE(test::readFile(path), before);
    }

    void cliInfoAndUsage()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("x");
        CliResult r = runCli({"--data", folder, "info"});
        QCOMPARE(r.status, 0);
        QVERIFY(r.out.contains("Contacts: 0\nDatebook: 0\nTodo: 0\n"));
        QVERIFY(QFile::exists(folder + "/Qtdata.mdb"));
        Store::open(folder + "/Qtdata.mdb")->exec("INSERT INTO Datebook (ID) VALUES (7)");
        r = runCli({"--data", folder, "info"});
        QVERIFY(r.out.contains("Datebook: 1\n"));
        QCOMPARE(runCli({}).status, 2);
        QCOMPARE(runCli({"--data", folder, "nonsense"}).status, 2);
        QCOMPARE(runCli({"--bogus", "info"}).status, 2);
        QCOMPARE(runCli({"--data", folder, "info", "extra"}).status, 2);

        // The built program itself behaves the same.
        QProcess p;
        p.start(test::cliPath(), {"--data", dir.filePath("y"), "info"});
        QVERIFY(p.waitForFinished());
        QCOMPARE(p.exitCode(), 0);
        QVERIFY(QString::fromUtf8(p.readAllStandardOutput()).contains("Todo: 0"));
    }
};

QTEST_GUILESS_MAIN(StoreTest)
#include "tst_store.moc"
