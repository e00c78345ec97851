#include "exchange/StagingFile.h"

#include "records/Kinds.h"

#include <QDir>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QSaveFile>
#include <QStorageInfo>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <filesystem>
#include <system_error>

#ifdef Q_OS_WIN
#include <io.h>
#else
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

namespace pimdesk {

namespace {

bool syncToDisk(QFileDevice &file)
{
#ifdef Q_OS_WIN
    return _commit(file.handle()) == 0;
#else
    return ::fsync(file.handle()) == 0;
#endif
}

QString systemText(int error)
{
    return QString::fromLocal8Bit(std::strerror(error));
}

} // namespace

QString fileErrorText(const QFileDevice &file, const QString &folder)
{
    const QString text = file.errorString();
    if (file.error() != QFileDevice::NoError && text != QLatin1String("Unknown error"))
        return text;
    const QStorageInfo volume(folder);
    if (volume.isValid() && volume.bytesAvailable() == 0)
        return systemText(ENOSPC);
    return text;
}

bool writeFully(QFileDevice &file, QByteArrayView bytes, QString *error)
{
    const char *data = bytes.data();
    qint64 left = bytes.size();
    while (left > 0) {
        const qint64 n = file.write(data, left);
        if (n <= 0) {
            *error = fileErrorText(file, QFileInfo(file.fileName()).absolutePath());
            return false;
        }
        data += n;
        left -= n;
    }
    return true;
}

void WriteBack::wrote(QFileDevice &file, qint64 bytes)
{
    m_written += bytes;
    if (m_written - m_started < stride)
        return;
#if defined(Q_OS_LINUX)
    if (file.flush() && file.handle() >= 0)
        ::sync_file_range(file.handle(), m_started, m_written - m_started, SYNC_FILE_RANGE_WRITE);
#else
    Q_UNUSED(file);
#endif
    m_started = m_written;
}

StagingFile::StagingFile(const QString &dataDirectory, const QString &name)
    : m_finalPath(QDir(dataDirectory).filePath(name)), m_file(m_finalPath + ".XXXXXX")
{}

bool StagingFile::open()
{
    if (!QDir().mkpath(QFileInfo(m_finalPath).absolutePath()) || !m_file.open()) {
        m_error = m_file.errorString();
        return false;
    }
    // The name is needed to read the file back and to rename it; asking for it gives it one.
    if (m_file.fileName().isEmpty()) {
        m_error = QStringLiteral("임시 파일의 이름을 정할 수 없습니다.");
        return false;
    }
    return true;
}

bool StagingFile::write(QByteArrayView bytes)
{
    if (!writeFully(m_file, bytes, &m_error))
        return false;
    m_writeBack.wrote(m_file, bytes.size());
    return true;
}

bool StagingFile::finish()
{
    if (!m_file.flush() || !syncToDisk(m_file)) {
        m_error = fileErrorText(m_file, QFileInfo(m_finalPath).absolutePath());
        if (m_error.isEmpty() || m_error == QLatin1String("Unknown error"))
            m_error = systemText(errno);
        return false;
    }
    return true;
}

bool StagingFile::commit()
{
    m_file.close();
    // QFile::rename never replaces a file; a rename of the file system does, in one step.
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(m_file.fileName().toStdU16String()),
                            std::filesystem::path(m_finalPath.toStdU16String()), error);
    if (error) {
        m_error = QString::fromLocal8Bit(error.message());
        return false;
    }
    m_file.setAutoRemove(false);
    return true;
}

void StagingFile::removeLeftovers(const QString &dataDirectory)
{
    QStringList names;
    for (RecordKind kind : allKinds)
        names << QLatin1String(kindInfo(kind).documentName);
    // The staging copies, and the guard's copies in sync/ (see placeCopy).
    removeUnfinishedCopies(dataDirectory, names);
    removeUnfinishedCopies(QDir(dataDirectory).filePath("sync"), names);
}

void removeUnfinishedCopies(const QString &folder, const QStringList &names)
{
    QStringList escaped;
    for (const QString &name : names)
        escaped << QRegularExpression::escape(name);
    const QRegularExpression unfinished(QString("^(%1)\\.[A-Za-z0-9]{6}$").arg(escaped.join('|')));
    const QDir dir(folder);
    for (const QString &name : dir.entryList(QDir::Files | QDir::Hidden))
        if (unfinished.match(name).hasMatch())
            QFile::remove(dir.filePath(name));
}

namespace {

bool renameOver(const QString &from, const QString &to, QString *error)
{
    std::error_code failure;
    std::filesystem::rename(std::filesystem::path(from.toStdU16String()), std::filesystem::path(to.toStdU16String()),
                            failure);
    if (failure)
        *error = QString::fromLocal8Bit(failure.message());
    return !failure;
}

} // namespace

CopyResult copyWhole(const QString &source, const QString &target, QString *error, const CopySteps &steps)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = in.errorString();
        return CopyResult::SourceUnreadable;
    }
    QSaveFile out(target);
    const QString folder = QFileInfo(target).absolutePath();
    if (!out.open(QIODevice::WriteOnly)) {
        *error = fileErrorText(out, folder);
        return CopyResult::TargetUnwritable;
    }
    QByteArray block(1 << 20, Qt::Uninitialized);
    QString ignored; // the file is asked why below
    // What is written starts on its way to the disk as the copy goes on: the sync at the end then
    // waits only for the last piece.
    WriteBack writeBack;
    const auto write = [&](const QByteArray &piece) {
        if (!(steps.write ? steps.write(out, piece) : writeFully(out, piece, &ignored)))
            return false;
        writeBack.wrote(out, piece.size());
        return true;
    };
    // The old target, read beside the source for as long as the two are the same; nothing is
    // written until they differ, and then first the bytes they had in common.
    QFile old(target);
    bool same = steps.leaveSame && old.open(QIODevice::ReadOnly) && (in.isSequential() || old.size() == in.size());
    QByteArray oldBlock(same ? block.size() : 0, Qt::Uninitialized);
    qint64 common = 0;
    for (;;) {
        const qint64 n = steps.read ? steps.read(in, block.data(), block.size()) : in.read(block.data(), block.size());
        if (same) {
            const qint64 m = n > 0 ? old.read(oldBlock.data(), n) : old.read(oldBlock.data(), 1);
            same = n >= 0 && m == std::max<qint64>(n, 0) &&
                   std::memcmp(block.constData(), oldBlock.constData(), size_t(std::max<qint64>(n, 0))) == 0;
            if (same) {
                common += std::max<qint64>(n, 0);
            } else if (common > 0) {
                old.seek(0);
                for (qint64 left = common; left > 0;) {
                    const qint64 got = old.read(oldBlock.data(), std::min<qint64>(left, oldBlock.size()));
                    if (got <= 0) {
                        *error = old.errorString();
                        return CopyResult::TargetUnwritable;
                    }
                    if (!write(QByteArray::fromRawData(oldBlock.constData(), got))) {
                        *error = fileErrorText(out, folder);
                        return CopyResult::TargetUnwritable;
                    }
                    left -= got;
                }
            }
        }
        if (n <= 0) {
            // The end of a file, or of a pipe; anything else is a read error.
            if (n < 0 || in.error() != QFileDevice::NoError || !in.atEnd()) {
                *error = in.errorString();
                return CopyResult::SourceUnreadable;
            }
            break;
        }
        if (same)
            continue;
        if (!write(QByteArray::fromRawData(block.constData(), n))) {
            *error = fileErrorText(out, folder);
            return CopyResult::TargetUnwritable;
        }
    }
    if (same) {
        out.cancelWriting();
        return CopyResult::Copied;
    }
    if (!out.commit()) {
        *error = fileErrorText(out, folder);
        return CopyResult::TargetUnwritable;
    }
    return CopyResult::Copied;
}

bool placeCopy(const QString &source, const QString &target, QString *error)
{
#ifndef Q_OS_WIN
    // The link gets a temporary name beside target (removeLeftovers knows its shape), then the
    // rename replaces target in one step.
    static const char letters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789";
    const QByteArray from = QFile::encodeName(source);
    for (int attempt = 0; attempt < 16; ++attempt) {
        QString temporary = target + '.';
        for (int i = 0; i < 6; ++i)
            temporary += QLatin1Char(letters[QRandomGenerator::global()->bounded(int(sizeof letters) - 1)]);
        if (::link(from.constData(), QFile::encodeName(temporary).constData()) != 0) {
            if (errno == EEXIST)
                continue;
            break; // another file system, or none that has links: copy
        }
        if (renameOver(temporary, target, error))
            return true;
        QFile::remove(temporary);
        return false;
    }
#endif
    return copyWhole(source, target, error) == CopyResult::Copied;
}

bool sameFileBytes(const QString &first, const QString &second)
{
#ifndef Q_OS_WIN
    struct stat xs, ys;
    if (::stat(QFile::encodeName(first).constData(), &xs) == 0 &&
        ::stat(QFile::encodeName(second).constData(), &ys) == 0 && xs.st_dev == ys.st_dev && xs.st_ino == ys.st_ino)
        return true;
#endif
    QFile a(first), b(second);
    if (!a.open(QIODevice::ReadOnly) || !b.open(QIODevice::ReadOnly) || a.size() != b.size())
        return false;
    constexpr qint64 block = 1 << 20;
    QByteArray x(block, Qt::Uninitialized), y(block, Qt::Uninitialized);
    for (;;) {
        const qint64 n = a.read(x.data(), block);
        const qint64 m = b.read(y.data(), block);
        if (n != m || n < 0)
            return false;
        if (n == 0)
            return true;
        if (std::memcmp(x.constData(), y.constData(), size_t(n)) != 0)
            return false;
    }
}

} // namespace pimdesk
