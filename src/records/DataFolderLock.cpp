#include "records/DataFolderLock.h"

#include "records/Messages.h"
#include "records/Store.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLockFile>
#include <QThread>

#include <cstdio>

namespace pimdesk {

namespace {

// Lets a test hold the lock in one process while it starts another: with this variable naming a
// file, the holder says so on stderr and keeps the lock until that file exists (at most a minute).
void holdForTest()
{
    const QString gate = qEnvironmentVariable("PIMDESK_TEST_HOLD_LOCK");
    if (gate.isEmpty())
        return;
    std::fputs("pimdesk: data folder locked\n", stderr);
    std::fflush(stderr);
    const QDeadlineTimer deadline(60000);
    while (!QFileInfo::exists(gate) && !deadline.hasExpired())
        QThread::msleep(20);
}

} // namespace

DataFolderLock::DataFolderLock(QString dataDirectory, std::unique_ptr<QLockFile> file)
    : m_dataDirectory(std::move(dataDirectory)), m_file(std::move(file))
{}

DataFolderLock::~DataFolderLock()
{
    m_file->unlock();
}

QString DataFolderLock::lockFilePath(const QString &dataDirectory)
{
    return QDir(dataDirectory).filePath("pimdesk.lock");
}

QString DataFolderLock::heldElsewhereText(qint64 pid)
{
    const QString who = pid > 0 ? QString("다른 pimdesk(프로세스 %1)").arg(pid) : QString("다른 pimdesk");
    return QString("%1가 이 레코드 저장소에서 작업하고 있습니다.\r"
                   "그 작업이 끝난 뒤에 다시 시도하십시오. 아무것도 바꾸지 않았습니다.")
        .arg(who);
}

std::unique_ptr<DataFolderLock> DataFolderLock::tryAcquire(const QString &dataDirectory, std::chrono::milliseconds wait,
                                                           QString *problem)
{
    const QString folder = QFileInfo(dataDirectory).absoluteFilePath();
    if (!QDir().mkpath(folder)) {
        *problem = QString("폴더 %1을(를) 만들 수 없습니다.").arg(QDir::toNativeSeparators(folder));
        return nullptr;
    }
    auto file = std::make_unique<QLockFile>(lockFilePath(folder));
    // A lock is stale only when its process is gone, however long it has been held.
    file->setStaleLockTime(0);
    if (file->tryLock(int(wait.count()))) {
        holdForTest();
        return std::unique_ptr<DataFolderLock>(new DataFolderLock(folder, std::move(file)));
    }
    switch (file->error()) {
    case QLockFile::LockFailedError: {
        qint64 pid = 0;
        QString host, application;
        if (!file->getLockInfo(&pid, &host, &application))
            pid = 0;
        *problem = heldElsewhereText(pid);
        break;
    }
    case QLockFile::PermissionError:
        *problem = QString("폴더 %1에 잠금 파일을 만들 수 없습니다. 쓰기 권한이 있어야 합니다.")
                       .arg(QDir::toNativeSeparators(folder));
        break;
    default:
        *problem = QString("폴더 %1을(를) 잠글 수 없습니다.").arg(QDir::toNativeSeparators(folder));
        break;
    }
    return nullptr;
}

std::unique_ptr<DataFolderLock> DataFolderLock::acquire(const QString &dataDirectory, Messages &messages,
                                                        std::chrono::milliseconds wait)
{
    QString problem;
    std::unique_ptr<DataFolderLock> lock = tryAcquire(dataDirectory, wait, &problem);
    if (!lock)
        messages.showFailure(problem);
    return lock;
}

std::unique_ptr<DataFolderLock> lockForWriting(Store &store, Messages &messages, const QString &dataDirectory,
                                               const QStringList &tablesRead)
{
    std::unique_ptr<DataFolderLock> lock = DataFolderLock::acquire(
        dataDirectory.isEmpty() ? QFileInfo(store.path()).absolutePath() : dataDirectory, messages);
    if (!lock)
        return nullptr;
    try {
        store.verifyIntegrity(tablesRead);
    } catch (const StoreError &e) {
        messages.showFailure(e.message());
        return nullptr;
    }
    return lock;
}

} // namespace pimdesk
