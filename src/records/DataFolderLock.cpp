#include "records/DataFolderLock.h"

#include "records/Messages.h"
#include "records/Store.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QThread>

#include <cerrno>
#include <algorithm>
#include <cstdio>
#include <cstring>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

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

namespace {

enum class Attempt { Locked, Busy, Failed };

// One try at the lock of path: the open descriptor holding it, or why not. The file is opened (made
// when missing) and locked; a file that was removed or replaced between the two (by a holder that
// was just done) is not the lock any more, and the try is made again.
Attempt tryLockFile(const QByteArray &path, int *descriptor, int *failure)
{
    bool replaced = false;
    for (;;) {
        const int fd = ::open(path.constData(), O_RDWR | O_CREAT | O_CLOEXEC, 0644);
        if (fd < 0) {
            *failure = errno;
            // A lock file nobody can open is held by nobody: in a folder we may write, it is
            // replaced by a new one.
            if (*failure == EACCES && !replaced && ::access(path.constData(), F_OK) == 0 &&
                ::unlink(path.constData()) == 0) {
                replaced = true;
                continue;
            }
            return Attempt::Failed;
        }
        if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
            const int error = errno;
            ::close(fd);
            if (error == EWOULDBLOCK || error == EINTR)
                return Attempt::Busy;
            *failure = error;
            return Attempt::Failed;
        }
        struct stat held, named;
        if (::fstat(fd, &held) == 0 && ::stat(path.constData(), &named) == 0 && held.st_dev == named.st_dev &&
            held.st_ino == named.st_ino) {
            *descriptor = fd;
            return Attempt::Locked;
        }
        ::close(fd);
    }
}

// The process id the holder wrote into the file; 0 when the file says nothing usable.
qint64 holderOf(const QByteArray &path)
{
    QFile file(QString::fromLocal8Bit(path));
    if (!file.open(QIODevice::ReadOnly))
        return 0;
    bool ok = false;
    const qint64 pid = file.read(64).split('\n').value(0).trimmed().toLongLong(&ok);
    return ok && pid > 0 ? pid : 0;
}

} // namespace

DataFolderLock::DataFolderLock(QString dataDirectory, int descriptor)
    : m_dataDirectory(std::move(dataDirectory)), m_descriptor(descriptor)
{}

DataFolderLock::~DataFolderLock()
{
    // Removed while still held, so that a writer waiting on this file tries the path again.
    ::unlink(lockFilePath(m_dataDirectory).toLocal8Bit().constData());
    ::close(m_descriptor);
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
    const QByteArray path = lockFilePath(folder).toLocal8Bit();
    const QDeadlineTimer deadline(wait);
    int fd = -1;
    int failure = 0;
    Attempt attempt;
    while ((attempt = tryLockFile(path, &fd, &failure)) == Attempt::Busy && !deadline.hasExpired())
        QThread::msleep(std::min<qint64>(50, std::max<qint64>(1, deadline.remainingTime())));
    switch (attempt) {
    case Attempt::Locked: {
        // Who holds it, for the message another writer shows.
        const QByteArray text = QByteArray::number(qint64(::getpid())) + '\n';
        if (::ftruncate(fd, 0) == 0 && ::pwrite(fd, text.constData(), size_t(text.size()), 0) == text.size())
            ::fsync(fd);
        holdForTest();
        return std::unique_ptr<DataFolderLock>(new DataFolderLock(folder, fd));
    }
    case Attempt::Busy:
        *problem = heldElsewhereText(holderOf(path));
        break;
    case Attempt::Failed:
        if (failure == EACCES || failure == EPERM || failure == EROFS)
            *problem = QString("폴더 %1에 잠금 파일을 만들 수 없습니다. 쓰기 권한이 있어야 합니다.")
                           .arg(QDir::toNativeSeparators(folder));
        else
            *problem = QString("폴더 %1을(를) 잠글 수 없습니다.\r%2")
                           .arg(QDir::toNativeSeparators(folder), QString::fromLocal8Bit(std::strerror(failure)));
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
