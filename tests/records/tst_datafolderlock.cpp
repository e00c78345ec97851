#include "records/DataFolderLock.h"
#include "support/ScriptedMessages.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;
using namespace std::chrono_literals;

class DataFolderLockTest : public QObject
{
    Q_OBJECT

private slots:
    void oneHolderAtATimeAndTheOthersAreTold()
    {
        QTemporaryDir dir;
        const QString folder = dir.filePath("DATA"); // made by the lock when missing
        ScriptedMessages messages;
        std::unique_ptr<DataFolderLock> first = DataFolderLock::acquire(folder, messages, 0ms);
        QVERIFY(first);
        QVERIFY(QFileInfo::exists(DataFolderLock::lockFilePath(folder)));

        // A second writer waits about as long as it is told, then gives up naming the holder.
        QElapsedTimer waited;
        waited.start();
        QVERIFY(!DataFolderLock::acquire(folder, messages, 300ms));
        QVERIFY(waited.elapsed() >= 250);
        QCOMPARE(messages.texts(), QStringList{DataFolderLock::heldElsewhereText(QCoreApplication::applicationPid())});
        QVERIFY(messages.texts().first().contains(QString::number(QCoreApplication::applicationPid())));

        // Once released, the folder can be locked again.
        first.reset();
        QVERIFY(!QFileInfo::exists(DataFolderLock::lockFilePath(folder)));
        QVERIFY(DataFolderLock::acquire(folder, messages, 0ms));
    }
};

QTEST_GUILESS_MAIN(DataFolderLockTest)
#include "tst_datafolderlock.moc"
