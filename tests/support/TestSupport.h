#pragma once

#include <QString>
#include <QStringList>
#include <QTemporaryDir>

namespace pimdesk::test {

// The folder tests/data of the source tree, and the shared folder of public data files
// (which may be absent: tests then skip).
QString dataPath(const QString &name = QString());
QString sharedTestdataPath(const QString &name = QString());
QString cliPath();

// One run of pimdesk-cli: its exit status and what it printed.
struct CliRun
{
    int status;
    QString out;
    QString err;
};
// Runs pimdesk-cli with the arguments, giving it the input on its standard input (a minute at most).
CliRun runCli(const QStringList &args, const QByteArray &input = QByteArray());

// Writes bytes to a file, creating its folder; returns false on failure.
bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

// Overwrites size bytes of a file from offset on with reproducible noise, as a failing disk might
// leave them; returns false on failure.
bool writeNoise(const QString &path, qint64 offset, int size);

} // namespace pimdesk::test
