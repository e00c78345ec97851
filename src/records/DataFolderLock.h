#pragma once

#include <QString>
#include <QStringList>

#include <chrono>
#include <memory>

namespace pimdesk {

class Messages;
class Store;

// One writer per data folder. Whatever writes the record store or the staging copies beside it (an
// export, an import, an Outlook import, an undo) holds this lock for its whole length, in the
// program and in pimdesk-cli alike, so two of them never interleave their changes or share a
// staging copy. Reading (info, browsing the lists) takes no lock and is never blocked.
//
// The usual call, at the start of a writing operation (after any question to the user, so that a
// question left open does not block others):
//
//     const auto lock = lockForWriting(store, messages);   // or DataFolderLock::acquire(folder, messages)
//     if (!lock)
//         return; // the user has been told why; nothing was changed
//
// The lock is an advisory lock (flock) on the file pimdesk.lock in the data folder, held by the
// open file: the system frees it when its holder ends, however it ends (killed, a power cut), so no
// lock is ever left behind, and its age never matters, so a long import keeps its lock. The file's
// text (the holder's process id) is only for the message: an empty or garbled file, as a power cut
// may leave, blocks nothing. A second writer waits a short while for the lock and then gives up
// with a message naming the process that holds it. The holder removes the file when it is done.
class DataFolderLock
{
public:
    static constexpr std::chrono::milliseconds defaultWait{3000};

    ~DataFolderLock();
    DataFolderLock(const DataFolderLock &) = delete;
    DataFolderLock &operator=(const DataFolderLock &) = delete;

    // The lock of dataDirectory (created when missing), or nullptr after telling the user why not.
    static std::unique_ptr<DataFolderLock> acquire(const QString &dataDirectory, Messages &messages,
                                                   std::chrono::milliseconds wait = defaultWait);
    // Same, without messages: on failure *problem holds the text for the user.
    static std::unique_ptr<DataFolderLock> tryAcquire(const QString &dataDirectory, std::chrono::milliseconds wait,
                                                      QString *problem);

    static QString lockFilePath(const QString &dataDirectory);
    const QString &dataDirectory() const { return m_dataDirectory; }

    // The text shown when another process holds the lock (pid 0: not known).
    static QString heldElsewhereText(qint64 pid);

private:
    DataFolderLock(QString dataDirectory, int descriptor);

    QString m_dataDirectory;
    int m_descriptor;
};

// The lock of the store's data folder (dataDirectory when given, else the folder that holds the
// store), then a check that the store is whole: the one call before an operation writes the store.
// Returns nullptr after telling the user (another pimdesk at work, a damaged or busy store).
// An operation that only reads some tables of the store names them in tablesRead: only they are
// checked (see Store::verifyIntegrity).
std::unique_ptr<DataFolderLock> lockForWriting(Store &store, Messages &messages,
                                               const QString &dataDirectory = QString(),
                                               const QStringList &tablesRead = {});

} // namespace pimdesk
