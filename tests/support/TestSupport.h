#pragma once

#include <QString>
#include <QTemporaryDir>

namespace pimdesk::test {

// The folder tests/data of the source tree, and the shared folder of public data files
// (which may be absent: tests then skip).
QString dataPath(const QString &name = QString());
QString sharedTestdataPath(const QString &name = QString());
QString cliPath();

// Writes bytes to a file, creating its folder; returns false on failure.
bool writeFile(const QString &path, const QByteArray &bytes);
QByteArray readFile(const QString &path);

// Overwrites size bytes of a file from offset on with reproducible noise, as a failing disk might
// leave them; returns false on failure.
bool writeNoise(const QString &path, qint64 offset, int size);

} // namespace pimdesk::test
