#include "exchange/ImportFromDevice.h"

#include "exchange/DeviceGuard.h"
#include "exchange/DeviceLocation.h"
#include "exchange/DeviceReaders.h"
#include "exchange/Snapshots.h"
#include "exchange/StagingFile.h"
#include "records/DataFolderLock.h"
#include "records/Messages.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pimdesk {

namespace {

enum class Lookup { Found, Missing, DriveError };

// Looks the kind's document up on the handheld. The name must be the document's own, letter case
// included, even where the file system would find it in another case.
Lookup lookUpDocument(const QString &root, RecordKind kind)
{
    if (root.isEmpty())
        return Lookup::DriveError; // no drive chosen
    const QFileInfo drive(root);
    if (!drive.exists())
        return Lookup::Missing; // a path that does not exist, as when the handheld was unplugged
    if (!drive.isDir() || !drive.isReadable())
        return Lookup::DriveError;
    const QFileInfo folder(handheldFolderPath(root, kind));
    if (!folder.isDir())
        return Lookup::Missing;
    if (!folder.isReadable())
        return Lookup::DriveError;
    const QString name = QLatin1String(kindInfo(kind).documentName);
    const QStringList files =
        QDir(folder.filePath()).entryList({name}, QDir::Files | QDir::Hidden | QDir::System | QDir::CaseSensitive);
    return files.contains(name) ? Lookup::Found : Lookup::Missing;
}

void enableLists(ListWindowsHost *lists)
{
    if (lists)
        lists->enableListsNotInUse();
}

} // namespace

QString importCompletedText(RecordKind kind)
{
    return QString::fromUtf8(kindInfo(kind).importCompleted);
}

QString skippedRecordsText(qint64 count)
{
    return QString("손상된 레코드 %1건은 가져오지 못했습니다.").arg(count);
}

QString noRecordsText()
{
    return QStringLiteral("레코드가 한건도 없습니다.");
}

ImportOutcome importFromDevice(Store &store, const QString &dataDirectory, const QString &driveRoot,
                               const QList<RecordKind> &kinds, Messages &messages, ListWindowsHost *lists,
                               const std::function<void()> &hideWindow, const ImportOptions &options)
{
    ImportOutcome outcome;
    // The store and the data folder's copies as they were before this import, for an undo. Made
    // before the first document is copied in; removed again (and the copies put back) when the
    // import ends without changing the store or the guard's copies.
    BackupFolder backup(dataDirectory, operations::deviceImport, kinds);
    const QString root = driveRoot.trimmed();
    const std::unique_ptr<DataFolderLock> lock =
        kinds.isEmpty() ? nullptr : lockForWriting(store, messages, dataDirectory);
    if (!kinds.isEmpty() && !lock)
        return outcome;
    StagingFile::removeLeftovers(dataDirectory);
    for (RecordKind kind : allKinds) {
        if (!kinds.contains(kind))
            continue;
        const Lookup lookup = lookUpDocument(root, kind);
        if (lookup == Lookup::DriveError) {
            messages.showFailure(driveErrorText());
            return outcome;
        }
        if (lookup == Lookup::Missing) {
            messages.showFailure(documentNotFoundText());
            continue;
        }

        QString problem;
        const auto snapshotFailed = [](const QString &why) {
            return QString("레코드 저장소의 백업을 만들 수 없어 가져오기를 멈췄습니다. 아무것도 바뀌지 않았습니다.\r%1")
                .arg(why);
        };
        // The folder (with the data folder's copies as they are) before the document is copied in;
        // the store's copy once it is there.
        if (!backup.make(&problem)) {
            messages.showFailure(snapshotFailed(problem));
            return outcome;
        }
        const QString staging = QDir(dataDirectory).filePath(QLatin1String(kindInfo(kind).documentName));
        // The new copy takes the old one's place only when complete: a failed copy leaves no part of a file.
        switch (copyWhole(handheldDocumentPath(root, kind), staging, &problem, {options.readFromDevice, {}, true})) {
        case CopyResult::Copied:
            break;
        case CopyResult::SourceUnreadable:
            messages.showFailure(driveErrorText());
            return outcome;
        case CopyResult::TargetUnwritable:
            messages.showFailure(
                QString("가져온 문서를 %1에 저장할 수 없습니다.\r%2").arg(QDir::toNativeSeparators(staging), problem));
            return outcome;
        }

        // The store is kept as it was just before the first record that changes anything: a
        // document the store already holds as it is costs no copy of the store.
        bool changed = false;
        const ReadResult read = readDeviceDocument(kind, store, staging, [&](QString *refusal) {
            changed = true;
            if (backup.manifest().hasStore || backup.snapshotStore(store, refusal))
                return true;
            *refusal = snapshotFailed(*refusal);
            return false;
        });
        if (!read.ok) {
            messages.showFailure(read.failure);
            return outcome;
        }
        if (read.merged == 0 && read.skipped == 0) {
            messages.showFailure(noRecordsText());
            continue;
        }
        if (lists)
            lists->reloadList(kind);
        QString text = importCompletedText(kind);
        if (read.skipped > 0)
            text += "\r" + skippedRecordsText(read.skipped);
        messages.show(text);
        if (hideWindow)
            hideWindow();
        enableLists(lists);
        outcome.completed.append(kind);
        // The guard's copy: what the store has now seen of the handheld. An import that changed
        // neither the store nor the data folder's copies (the same document again) leaves no
        // backup: an undo goes back to what last changed something.
        keepSyncReference(dataDirectory, kind, staging);
        if (changed || backup.copiesChanged())
            backup.keep();
    }
    outcome.allCompleted = outcome.completed.size() == kinds.size();
    return outcome;
}

} // namespace pimdesk
