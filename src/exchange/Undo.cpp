#include "exchange/Undo.h"

#include "exchange/DeviceGuard.h"
#include "exchange/DeviceLocation.h"
#include "exchange/Manifest.h"
#include "exchange/StagingFile.h"
#include "exchange/StoreCopy.h"
#include "records/Clock.h"
#include "records/DataFolderLock.h"
#include "records/Messages.h"
#include "records/Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <optional>

namespace pimdesk {

namespace undoTexts {

QString title()
{
    return QStringLiteral("되돌리기");
}

QString nothingToUndo()
{
    return QStringLiteral("되돌릴 작업이 없습니다.");
}

QString changedMeanwhile()
{
    return QStringLiteral("묻는 사이에 다른 pimdesk가 백업을 바꾸었습니다. 아무것도 되돌리지 않았습니다.\r"
                          "다시 되돌리기를 하면 지금 가장 최근의 작업을 묻습니다.");
}

QString question(const BackupEntry &entry)
{
    QStringList kinds;
    for (RecordKind kind : entry.manifest.kinds)
        kinds << kindLabel(kind);
    QString text = QString("%1에 한 %2(%3)을(를) 되돌리시겠습니까?")
                       .arg(entry.manifest.when.toString("yyyy-MM-dd HH:mm:ss"),
                            operationLabel(entry.manifest.operation), kinds.join(", "));
    if (entry.manifest.hasStore)
        text += "\r레코드 저장소가 그때의 상태로 돌아가고, 그 뒤에 바뀐 내용은 백업 폴더에 따로 보관됩니다.";
    if (!entry.manifest.documents.isEmpty())
        text += entry.manifest.operation == operations::sync
                    ? QStringLiteral("\rNorvel(K7M)의 문서가 동기화 전의 상태로 돌아갑니다.")
                    : QStringLiteral("\rNorvel(K7M)의 문서가 내보내기 전의 상태로 돌아갑니다.");
    return text;
}

} // namespace undoTexts

namespace {

bool copied(const QString &from, const QString &to, QString *error)
{
    return copyWhole(from, to, error) == CopyResult::Copied;
}

class Undo
{
public:
    Undo(const QString &dataDirectory, const QString &driveRoot, const BackupEntry &entry, ListWindowsHost *lists,
         UndoOutcome &outcome)
        : m_data(dataDirectory), m_root(driveRoot), m_entry(entry), m_lists(lists), m_outcome(outcome)
    {}

    void restoreStore()
    {
        const QString snapshot = Store::pathInDirectory(m_entry.folder);
        const QString storePath = Store::pathInDirectory(m_data);
        QString error;
        if (!QFileInfo(snapshot).isFile()) {
            m_outcome.notRestored
                << QString("레코드 저장소: 백업 파일이 없습니다 (%1).").arg(QDir::toNativeSeparators(snapshot));
            return;
        }
        std::shared_ptr<Store> store;
        try {
            store = Store::shared(storePath);
        } catch (const StoreError &e) {
            // A store that another program holds is left to it: replacing the file under that
            // program would lose what it writes.
            if (e.message().contains(storeBusyText())) {
                m_outcome.notRestored << QString("레코드 저장소: %1").arg(e.message());
                return;
            }
            // A store that cannot be opened is replaced as a file; the broken one is kept first.
        }
        BackupFolder before(m_data, operations::undo, m_entry.manifest.kinds);
        bool kept = false;
        if (store) {
            kept = before.snapshotStore(*store, &error);
        } else if (before.make(&error) && copied(storePath, Store::pathInDirectory(before.path()), &error)) {
            before.manifest().hasStore = true;
            kept = before.saveManifest(&error);
        }
        if (!kept) {
            m_outcome.notRestored
                << QString("레코드 저장소: 지금의 저장소를 백업할 수 없어 되돌리지 않았습니다 (%1).").arg(error);
            return;
        }
        const bool restored =
            store ? pimdesk::restoreStore(*store, snapshot, &error) : copied(snapshot, storePath, &error);
        if (!restored) {
            // Nothing changed: the copy made just now goes again, and with it its history entry.
            m_outcome.notRestored << QString("레코드 저장소: %1").arg(error);
            return;
        }
        before.keep();
        m_outcome.storeRestored = true;
        if (m_lists)
            for (RecordKind kind : allKinds)
                m_lists->reloadList(kind);
    }

    void restoreDocument(DocumentBackup &document)
    {
        const RecordKind kind = document.kind;
        const QString name = QLatin1String(kindInfo(kind).documentName);
        const QString target = handheldDocumentPath(m_root, kind);
        if (m_root.isEmpty() || !QFileInfo(QDir(m_root).filePath("Qtopia/Applications")).isDir()) {
            m_outcome.notRestored << QString("%1: Norvel(K7M)이 연결되어 있지 않아 되돌리지 못했습니다.").arg(name);
            return;
        }
        // Changes made on the handheld since the export are not overwritten.
        const bool asWritten = document.writtenCopy.isEmpty()
                                   ? fileSha256(target) == document.writtenSha256
                                   : sameFileBytes(target, QDir(m_entry.folder).filePath(document.writtenCopy));
        if (!asWritten) {
            m_outcome.notRestored << QString("%1: 내보낸 뒤 Norvel(K7M)에서 바뀌어 되돌리지 않았습니다.").arg(name);
            return;
        }
        QString error;
        const QString kept = QDir(m_entry.folder).filePath(name);
        const bool ok = document.existed ? copied(kept, target, &error) : QFile::remove(target);
        if (!ok) {
            m_outcome.notRestored << QString("%1: %2").arg(name, error.isEmpty() ? driveErrorText() : error);
            return;
        }
        // Folders made before the data folder's copies were all kept hold the guard's copy alone.
        if (m_entry.manifest.copies.isEmpty()) {
            const QString reference = syncReferencePath(m_data, kind);
            if (document.hadReference)
                copied(QDir(m_entry.folder).filePath("sync-" + name), reference, &error);
            else
                QFile::remove(reference);
        }
        document.restored = true;
        m_outcome.documentsRestored << kind;
    }

    // The data folder's copies of a kind go back once everything else of that kind is back: the
    // store (when the folder holds one) and the kind's handheld document (when the export replaced
    // it). Until then the guard compares the handheld with what the operation left.
    void restoreCopies(Manifest &manifest)
    {
        const bool storeBack = !manifest.hasStore || manifest.storeRestored;
        for (KeptCopy &copy : manifest.copies) {
            if (copy.restored || !storeBack)
                continue;
            if (std::any_of(manifest.documents.begin(), manifest.documents.end(),
                            [&copy](const DocumentBackup &d) { return d.kind == copy.kind && !d.restored; }))
                continue;
            const QString target = QDir(m_data).filePath(copy.file);
            QString error;
            bool ok = true;
            if (copy.existed) {
                ok = QDir().mkpath(QFileInfo(target).absolutePath()) &&
                     (sameFileBytes(target, QDir(m_entry.folder).filePath(copy.backupName())) ||
                      placeCopy(QDir(m_entry.folder).filePath(copy.backupName()), target, &error));
            } else if (QFileInfo::exists(target)) {
                ok = QFile::remove(target);
            }
            if (ok)
                copy.restored = true;
            else
                m_outcome.notRestored << QString("%1: %2").arg(QDir::toNativeSeparators(target), error);
        }
    }

private:
    QString m_data;
    QString m_root;
    const BackupEntry &m_entry;
    ListWindowsHost *m_lists;
    UndoOutcome &m_outcome;
};

QString completionText(const BackupEntry &entry, const UndoOutcome &outcome)
{
    QStringList lines;
    if (outcome.notRestored.isEmpty())
        lines << QStringLiteral("되돌리기가 완료되었습니다.");
    if (outcome.storeRestored)
        lines << QString("레코드 저장소를 %1 이전의 상태로 되돌렸습니다.")
                     .arg(entry.manifest.when.toString("yyyy-MM-dd HH:mm:ss"));
    QStringList names;
    for (RecordKind kind : outcome.documentsRestored)
        names << QLatin1String(kindInfo(kind).documentName);
    if (!names.isEmpty())
        lines << QString("Norvel(K7M)의 문서를 되돌렸습니다: %1").arg(names.join(", "));
    if (!outcome.notRestored.isEmpty()) {
        lines << QStringLiteral("되돌리지 못한 것이 있습니다:") << outcome.notRestored;
        lines << QString("백업 폴더: %1").arg(QDir::toNativeSeparators(entry.folder));
    }
    return lines.join('\r');
}

} // namespace

namespace {

// The newest folder an undo can take back.
std::optional<BackupEntry> newestUndoable(const QString &dataDirectory)
{
    const QList<BackupEntry> entries = listBackups(dataDirectory);
    const auto newest =
        std::find_if(entries.begin(), entries.end(), [](const BackupEntry &e) { return e.manifest.canUndo(); });
    if (newest == entries.end())
        return std::nullopt;
    return *newest;
}

// Whether two readings of one folder's manifest say the same about what is left to put back.
bool sameState(const Manifest &a, const Manifest &b)
{
    if (a.sequence != b.sequence || a.storeRestored != b.storeRestored || a.undone != b.undone ||
        a.documents.size() != b.documents.size() || a.copies.size() != b.copies.size())
        return false;
    for (qsizetype i = 0; i < a.documents.size(); ++i)
        if (a.documents.at(i).restored != b.documents.at(i).restored)
            return false;
    for (qsizetype i = 0; i < a.copies.size(); ++i)
        if (a.copies.at(i).restored != b.copies.at(i).restored)
            return false;
    return true;
}

} // namespace

UndoOutcome undoLastExchange(const QString &dataDirectory, const QString &driveRoot, Messages &messages,
                             ListWindowsHost *lists)
{
    UndoOutcome outcome;
    const std::optional<BackupEntry> asked = newestUndoable(dataDirectory);
    if (!asked) {
        messages.showFailure(undoTexts::nothingToUndo(), undoTexts::title());
        return outcome;
    }
    outcome.found = true;
    if (messages.show(undoTexts::question(*asked), undoTexts::title(), Buttons::OkCancel, Icon::Question) != Answer::Ok)
        return outcome;
    outcome.confirmed = true;
    // One writer per data folder. The lock alone, without the store check of the other writers: a
    // damaged store is just what an undo may have to replace.
    const std::unique_ptr<DataFolderLock> lock = DataFolderLock::acquire(dataDirectory, messages);
    if (!lock) {
        outcome.notRestored << QStringLiteral("다른 작업이 데이터 폴더를 쓰고 있어 되돌리지 않았습니다.");
        return outcome;
    }
    // The question was asked without the lock: another undo or exchange may have run meanwhile.
    // What is undone is chosen again now, and only the operation the user was asked about is.
    const std::optional<BackupEntry> chosen = newestUndoable(dataDirectory);
    if (!chosen || chosen->folder != asked->folder || !sameState(chosen->manifest, asked->manifest)) {
        outcome.notRestored << undoTexts::changedMeanwhile();
        messages.showFailure(undoTexts::changedMeanwhile(), undoTexts::title());
        return outcome;
    }
    BackupEntry entry = *chosen;

    Undo undo(dataDirectory, driveRoot.trimmed(), entry, lists, outcome);
    for (DocumentBackup &document : entry.manifest.documents)
        if (!document.restored)
            undo.restoreDocument(document);
    if (entry.manifest.hasStore && !entry.manifest.storeRestored)
        undo.restoreStore();
    // What is back is not put back again; the rest is tried again by the next undo.
    entry.manifest.storeRestored = entry.manifest.storeRestored || outcome.storeRestored;
    undo.restoreCopies(entry.manifest);
    if (!entry.manifest.canUndo())
        entry.manifest.undone = Clock::current().now();
    QString error;
    if (!writeManifest(entry.folder, entry.manifest, &error))
        outcome.notRestored << QString("%1: %2").arg(QDir::toNativeSeparators(manifestPath(entry.folder)), error);
    if (outcome.complete())
        messages.show(completionText(entry, outcome), undoTexts::title());
    else
        messages.showFailure(completionText(entry, outcome), undoTexts::title());
    return outcome;
}

} // namespace pimdesk
