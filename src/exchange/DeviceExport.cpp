#include "exchange/DeviceExport.h"

#include "exchange/DeviceGuard.h"
#include "exchange/DeviceLocation.h"
#include "exchange/DocumentWriters.h"
#include "exchange/StagingFile.h"
#include "records/Clock.h"
#include "records/DataFolderLock.h"
#include "records/Messages.h"
#include "records/Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>

namespace pimdesk {

namespace exportTexts {

QString warningTitle()
{
    return QStringLiteral("반드시확인하세요");
}

QString warning()
{
    return QStringLiteral("내보내기 실행시 기존 K7M(Norvel)의\r연락처,작업,일정에 저장된 정보는 모두 사라집니다.\r"
                          "계속하시겠습니까?");
}

QString notFound()
{
    return documentNotFoundText();
}

QString driveError()
{
    return driveErrorText();
}

QString completed(RecordKind kind)
{
    return QString::fromUtf8(kindInfo(kind).exportCompleted);
}

QString emptyTable(RecordKind kind)
{
    return QString("%1 레코드가 없어 Norvel(K7M)의 %2 파일을 바꾸지 않고 그대로 두었습니다.")
        .arg(kindLabel(kind), QLatin1String(kindInfo(kind).documentName));
}

} // namespace exportTexts

QString exportBackupDirectory(const QString &dataDirectory)
{
    return QDir(dataDirectory).filePath("backup");
}

namespace {

// The backup folder of one export: the handheld's replaced documents, what was written in their
// place, and the guard's copies as they were, so that an undo can put everything back.
class Backup
{
public:
    explicit Backup(const QString &dataDirectory)
        : m_data(dataDirectory), m_folder(dataDirectory, operations::exportToDevice, {})
    {}

    BackupFolder &folder() { return m_folder; }

    // The handheld's document as it is goes into the folder. When it holds the bytes of the
    // guard's copy (asKept), that copy in the data folder takes its place: a second name of the
    // file, not a copy read from the drive.
    CopyResult keep(RecordKind kind, const QString &document, bool asKept, QString *error)
    {
        if (!m_folder.make(error))
            return CopyResult::TargetUnwritable;
        const QString target = QDir(m_folder.path()).filePath(QFileInfo(document).fileName());
        if (asKept && placeCopy(syncReferencePath(m_data, kind), target, error))
            return CopyResult::Copied;
        return copyWhole(document, target, error);
    }

    // Notes a replaced document once the new one is on the handheld, with what was written there
    // (newCopy, the same bytes in the data folder, kept in the folder under a second name, or
    // failing that its digest), and makes the new document the guard's copy; the guard's copy as
    // it was is in the folder since it was made. An export whose folder cannot be made still
    // completes: it only cannot be undone.
    void replaced(RecordKind kind, bool existed, const QString &newCopy)
    {
        QString error;
        if (m_folder.make(&error)) {
            const QString reference = syncReferencePath(m_data, kind);
            const bool hadReference = QFileInfo(reference).isFile();
            if (!m_folder.manifest().kinds.contains(kind))
                m_folder.manifest().kinds.append(kind);
            const QString written = "written-" + QFileInfo(newCopy).fileName();
            DocumentBackup document{kind, existed, {}, hadReference, false, written};
            if (!placeCopy(newCopy, QDir(m_folder.path()).filePath(written), &error)) {
                document.writtenCopy.clear();
                document.writtenSha256 = fileSha256(newCopy);
            }
            m_folder.manifest().documents.append(document);
            m_folder.saveManifest(&error);
            m_folder.keep();
        }
        keepSyncReference(m_data, kind, newCopy);
    }

private:
    QString m_data;
    BackupFolder m_folder;
};

// The handheld's root holds the Qtopia/Applications folder the documents live below.
bool handheldReachable(const QString &root)
{
    return !root.isEmpty() && QFileInfo(QDir(root).filePath("Qtopia/Applications")).isDir();
}

// Writes pieces of a document to a file on a thread of its own, so that the disk's or the drive's
// writing overlaps the making of the document. A piece waits in a short queue (shared, not
// copied, by the writers of one document); a failed write makes every later one refused.
class BackgroundWriter
{
public:
    using Write = std::function<bool(const QByteArray &bytes)>;

    explicit BackgroundWriter(Write write) : m_write(std::move(write)), m_thread([this] { drain(); }) {}
    ~BackgroundWriter() { finish(); }
    BackgroundWriter(const BackgroundWriter &) = delete;
    BackgroundWriter &operator=(const BackgroundWriter &) = delete;

    // False once a write has failed.
    bool write(const QByteArray &piece)
    {
        std::unique_lock lock(m_mutex);
        m_room.wait(lock, [this] { return m_queue.size() < queued || m_failed; });
        if (m_failed)
            return false;
        m_queue.push_back(piece);
        m_ready.notify_one();
        return true;
    }

    // Waits for the queue to be written; whether every piece was.
    bool finish()
    {
        if (m_thread.joinable()) {
            {
                std::lock_guard lock(m_mutex);
                m_done = true;
            }
            m_ready.notify_one();
            m_thread.join();
        }
        return !m_failed;
    }

private:
    static constexpr size_t queued = 8;

    void drain()
    {
        for (;;) {
            QByteArray piece;
            {
                std::unique_lock lock(m_mutex);
                m_ready.wait(lock, [this] { return !m_queue.empty() || m_done; });
                if (m_queue.empty())
                    return;
                piece = std::move(m_queue.front());
                m_queue.pop_front();
            }
            const bool ok = m_failed || m_write(piece);
            std::lock_guard lock(m_mutex);
            m_failed = m_failed || !ok;
            m_room.notify_one();
        }
    }

    Write m_write;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::condition_variable m_room;
    std::deque<QByteArray> m_queue;
    bool m_done = false;
    bool m_failed = false;
    std::thread m_thread;
};

enum class KindResult { Completed, LeftAlone, Stop };

class Export
{
public:
    Export(Store &store, const QString &dataDirectory, const QString &driveRoot, Messages &messages,
           ListWindowsHost *lists, const std::function<void()> &hideWindow, const ExportOptions &options)
        : m_store(store), m_data(dataDirectory), m_root(driveRoot), m_messages(messages), m_lists(lists),
          m_hide(hideWindow), m_writeToDevice(options.writeToDevice), m_backup(dataDirectory)
    {}

    Export(const Export &) = delete;
    Export &operator=(const Export &) = delete;

    KindResult run(RecordKind kind)
    {
        try {
            // The handheld's software cannot read an empty document: an empty table leaves its own.
            if (m_store.count(kindInfo(kind).table) == 0) {
                if (!handheldReachable(m_root))
                    return notFound();
                m_messages.show(exportTexts::emptyTable(kind));
                return KindResult::LeftAlone;
            }
        } catch (const StoreError &e) {
            m_messages.showFailure(e.message());
            return KindResult::Stop;
        }
        bool asKept = false;
        if (guardDeviceChanges(m_store, m_data, m_root, kind, m_messages, m_backup.folder(), m_lists, &asKept) ==
            GuardDecision::Stop)
            return KindResult::Stop;
        const KindInfo &info = kindInfo(kind);
        QString error;
        // From here on the kind's list re-reads as after an export, even one that stops before
        // the writer has walked the table.
        const auto stop = [&](const std::function<KindResult()> &report) {
            if (m_lists)
                m_lists->reloadList(kind);
            return report();
        };
        const QFileInfo root(m_root);
        if (m_root.isEmpty() || !root.isDir())
            return stop([this] { return notFound(); });
        if (!root.isReadable())
            return stop([this] { return driveError(); });
        const QString applications = QDir(m_root).filePath("Qtopia/Applications");
        if (!QFileInfo(applications).isDir())
            return stop([this] { return notFound(); });
        // Only the kind's own folder is made; Qtopia/Applications must be there already.
        const QString folder = handheldFolderPath(m_root, kind);
        QDir().mkdir(folder);
        if (!QFileInfo(folder).isDir())
            return stop([this] { return notFound(); });
        // What an export cut short by a pulled card left beside the document.
        removeUnfinishedCopies(folder, {QLatin1String(info.documentName)});

        // The backup folder is made before anything changes, so that it holds the data folder's
        // copies as they were (one that cannot be made stops the export only when there is a
        // document to keep, below), and the handheld's document goes into it first.
        QString unmade;
        m_backup.folder().make(&unmade);
        const QString target = handheldDocumentPath(m_root, kind);
        const QFileInfo old(target);
        const bool existed = old.exists();
        if (existed) {
            if (!old.isFile())
                return stop([this] { return driveError(); });
            switch (m_backup.keep(kind, target, asKept, &error)) {
            case CopyResult::Copied:
                break;
            case CopyResult::SourceUnreadable:
                return stop([this] { return driveError(); });
            case CopyResult::TargetUnwritable:
                return stop([&] {
                    m_messages.showFailure(
                        QString("Norvel(K7M)의 기존 파일을 백업할 수 없어 내보내기를 멈췄습니다.\r%1\r%2")
                            .arg(QDir::toNativeSeparators(target), error));
                    return KindResult::Stop;
                });
            }
        }

        // The document goes straight from the store into two files, piece by piece: the staging
        // file in the data folder (written under a name of its own, it becomes the kept copy
        // DATA/<document> only once the handheld has the document, so the copy of the last good
        // export survives any failure of this one) and, on a second thread, the new document beside
        // the handheld's old one, renamed over it once whole.
        StagingFile stagingFile(m_data, QLatin1String(info.documentName));
        const QString staging = stagingFile.finalPath();
        // Meanwhile the pages of the kind's table are checked through a connection of their own,
        // and the new document is put in place only when they are whole (a damaged store must
        // not replace what the handheld has).
        std::future<QString> pagesChecked =
            std::async(std::launch::async, [path = m_store.path(), table = QString::fromLatin1(info.table)] {
                try {
                    Store::open(path)->verifyIntegrity({table});
                    return QString();
                } catch (const StoreError &e) {
                    return e.message();
                }
            });
        QSaveFile onDevice(target);
        if (!onDevice.open(QIODevice::WriteOnly))
            return stop([this] { return driveError(); });
        WriteBack deviceWriteBack;
        BackgroundWriter device([&](const QByteArray &piece) {
            QString ignored; // the file is asked why when it is committed
            if (!(m_writeToDevice ? m_writeToDevice(onDevice, piece) : writeFully(onDevice, piece, &ignored)))
                return false;
            deviceWriteBack.wrote(onDevice, piece.size());
            return true;
        });
        BackgroundWriter staged([&](const QByteArray &piece) { return stagingFile.write(piece); });
        bool written = false;
        try {
            written = stagingFile.open() && writeHandheldDocument(kind, m_store, [&](QByteArrayView piece) {
                          const QByteArray bytes = piece.toByteArray();
                          return staged.write(bytes) && device.write(bytes);
                      });
        } catch (const StoreError &e) {
            staged.finish();
            device.finish();
            m_messages.showFailure(e.message());
            return KindResult::Stop;
        }
        // The staging file is synced once its thread has written all of it.
        written = staged.finish() && written && stagingFile.finish();
        error = stagingFile.errorString();
        const bool deviceWritten = device.finish();
        const QString damaged = pagesChecked.get();
        if (!damaged.isEmpty()) {
            if (m_lists)
                m_lists->reloadList(kind);
            m_messages.showFailure(damaged);
            return KindResult::Stop;
        }
        // The writer has walked the whole table: its list shows all of it again.
        if (m_lists)
            m_lists->reloadList(kind);
        // A drive that failed half-way may hold less than it says: the folder stays. One that
        // has taken only part of a document that could not be made is left as it was (the new
        // document is never put in place), and so is the history.
        if (!deviceWritten) {
            m_backup.folder().keep();
            return driveError();
        }
        if (!written) {
            m_messages.showFailure(
                QString("내보낼 파일을 만들 수 없습니다.\r%1\r%2").arg(QDir::toNativeSeparators(staging), error));
            return KindResult::Stop;
        }
        m_backup.folder().keep();
        if (!onDevice.commit())
            return driveError();
        const bool kept = stagingFile.commit();
        if (!kept)
            m_messages.showFailure(QString("Norvel(K7M)에는 내보냈지만 내보낸 문서를 %1에 남기지 못했습니다.\r%2")
                                       .arg(QDir::toNativeSeparators(staging), stagingFile.errorString()));
        m_backup.replaced(kind, existed, kept ? staging : target);

        m_messages.show(exportTexts::completed(kind));
        if (m_hide)
            m_hide();
        if (m_lists)
            m_lists->enableListsNotInUse();
        return KindResult::Completed;
    }

private:
    KindResult notFound()
    {
        m_messages.showFailure(exportTexts::notFound());
        return KindResult::Stop;
    }

    KindResult driveError()
    {
        m_messages.showFailure(exportTexts::driveError());
        return KindResult::Stop;
    }

    Store &m_store;
    QString m_data;
    QString m_root;
    Messages &m_messages;
    ListWindowsHost *m_lists;
    const std::function<void()> &m_hide;
    decltype(ExportOptions::writeToDevice) m_writeToDevice; // tests make the drive fail half-way
    Backup m_backup;
};

} // namespace

ExportOutcome exportToDevice(Store &store, const QString &dataDirectory, const QString &driveRoot,
                             const QList<RecordKind> &kinds, Messages &messages, ListWindowsHost *lists,
                             const std::function<void()> &hideWindow, const ExportOptions &options)
{
    ExportOutcome outcome;
    if (messages.show(exportTexts::warning(), exportTexts::warningTitle(), Buttons::OkCancel) != Answer::Ok)
        return outcome;
    outcome.confirmed = true;
    // Asked after the warning, so that a warning left open does not keep other writers out.
    // The export reads only the tables of its kinds, and checks each while it writes its document
    // (below); the guard checks the whole store before it would import into it.
    const std::unique_ptr<DataFolderLock> lock = DataFolderLock::acquire(
        dataDirectory.isEmpty() ? QFileInfo(store.path()).absolutePath() : dataDirectory, messages);
    if (!lock) {
        outcome.stopped = true;
        return outcome;
    }
    StagingFile::removeLeftovers(dataDirectory);
    Export exporter(store, dataDirectory, driveRoot, messages, lists, hideWindow, options);
    for (RecordKind kind : allKinds) {
        if (!kinds.contains(kind))
            continue;
        const KindResult result = exporter.run(kind);
        if (result == KindResult::Stop) {
            outcome.stopped = true;
            break;
        }
        (result == KindResult::Completed ? outcome.completed : outcome.leftAlone).append(kind);
    }
    return outcome;
}

} // namespace pimdesk
