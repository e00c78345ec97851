#pragma once

#include <QByteArrayView>
#include <QString>
#include <QStringList>
#include <QTemporaryFile>

#include <functional>

class QFileDevice;
class QIODevice;

namespace pimdesk {

// The writing back to the disk of a file being written, started every few megabytes instead of all
// at once when it is synced: the disk then writes while the rest is made, and the sync at the end
// waits only for the last piece. Only a hint to the system (where it has none, nothing is done).
class WriteBack
{
public:
    void wrote(QFileDevice &file, qint64 bytes);

private:
    static constexpr qint64 stride = 8 << 20;
    qint64 m_written = 0;
    qint64 m_started = 0;
};

// A staging copy on its way into the data folder. It is written under a name of its own beside
// its place (DATA/<name>.XXXXXX), synced to the disk, and renamed over DATA/<name> only by
// commit(): until then DATA/<name> keeps what it held, whatever happens to this run (a kill, a full
// disk, a failed step). Dropped without commit(), the file is removed.
class StagingFile
{
public:
    StagingFile(const QString &dataDirectory, const QString &name);

    bool open();
    bool write(QByteArrayView bytes);
    // Flushes and syncs what was written; the file can then be read under path().
    bool finish();
    // The file as it is written (under its own name).
    QString path() const { return m_file.fileName(); }
    // Where commit() puts it.
    const QString &finalPath() const { return m_finalPath; }
    bool commit();
    // Why the last step failed, in the system's words.
    const QString &errorString() const { return m_error; }

    // Removes staging files that a run ended by force left under their own names. Only to be called
    // while holding the data folder's lock, when no other run can be writing one.
    static void removeLeftovers(const QString &dataDirectory);

private:
    QString m_finalPath;
    QTemporaryFile m_file;
    QString m_error;
    WriteBack m_writeBack;
};

// Removes the files that a copy ended by force left under a temporary name (name.XXXXXX, as this
// program's files and Qt's save files are named while written) beside any of names in folder. A
// file system without unnamed temporary files (a FAT card) keeps such a file when the run is killed
// or the card pulled.
void removeUnfinishedCopies(const QString &folder, const QStringList &names);

// Writes all bytes, or fails with the system's reason in *error. A disk that takes only part of
// a write reports why only when asked again, and its first answer is often "Unknown error".
bool writeFully(QFileDevice &file, QByteArrayView bytes, QString *error);

enum class CopyResult { Copied, SourceUnreadable, TargetUnwritable };

// How copyWhole reads and writes a piece; each left empty does the plain thing. Tests put steps of
// their own to make a drive fail half-way.
struct CopySteps
{
    // Up to size bytes into data: the count, 0 at the end, -1 when the drive fails.
    std::function<qint64(QIODevice &file, char *data, qint64 size)> read;
    // All bytes, or false when the drive took them only in part or not at all.
    std::function<bool(QIODevice &file, const QByteArray &bytes)> write;
    // A target that already holds the source's bytes is left as it is (the same file, not
    // rewritten or synced).
    bool leaveSame = false;
};

// Copies source (a file or a pipe) to target piece by piece through a temporary file beside target
// that is synced and renamed over it: target holds its old bytes or all the new ones. On failure the
// reason is in *error and the result says which side failed.
CopyResult copyWhole(const QString &source, const QString &target, QString *error, const CopySteps &steps = {});

// Makes target a copy of source that appears whole or not at all. Within one file system the copy
// is a second name of source's file (a hard link put in place by a rename), which costs nothing;
// elsewhere, or where the file system has no links, the bytes are copied to a temporary file that is
// synced and renamed over target. Only for files that are replaced by a rename and never written in
// place, as every file this program keeps in its data folder is.
bool placeCopy(const QString &source, const QString &target, QString *error);

// Whether two files hold the same bytes: two names of one file do; others are read side by side
// (false when either cannot be read).
bool sameFileBytes(const QString &first, const QString &second);

// The system's text for a failed file operation, when Qt has none better than "Unknown error":
// a full disk is named as such.
QString fileErrorText(const QFileDevice &file, const QString &folder);

} // namespace pimdesk
