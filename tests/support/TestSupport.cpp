#include "support/TestSupport.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>

namespace pimdesk::test {

QString dataPath(const QString &name)
{
    return QDir(QStringLiteral(PIMDESK_TEST_DATA)).filePath(name);
}

QString sharedTestdataPath(const QString &name)
{
    // A checkout that does not sit beside the shared folder (a worktree elsewhere) may name it.
    const QString fromEnvironment = qEnvironmentVariable("PIMDESK_SHARED_TESTDATA");
    return QDir(fromEnvironment.isEmpty() ? QStringLiteral(PIMDESK_SHARED_TESTDATA) : fromEnvironment).filePath(name);
}

QString cliPath()
{
    return QStringLiteral(PIMDESK_CLI_PATH);
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    return f.write(bytes) == bytes.size();
}

QByteArray readFile(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

bool writeNoise(const QString &path, qint64 offset, int size)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadWrite) || !f.seek(offset))
        return false;
    QByteArray noise(size, Qt::Uninitialized);
    quint32 x = 12345;
    for (char &c : noise)
        c = char((x = x * 1103515245u + 12345u) >> 16);
    return f.write(noise) == size;
}

CliRun runCli(const QStringList &args, const QByteArray &input)
{
    QProcess process;
    process.start(cliPath(), args);
    process.write(input);
    process.closeWriteChannel();
    if (!process.waitForFinished(60000))
        return {-1, QString(), "timed out"};
    return {process.exitCode(), QString::fromUtf8(process.readAllStandardOutput()),
            QString::fromUtf8(process.readAllStandardError())};
}

} // namespace pimdesk::test
