#include "exchange/DeviceGuard.h"

#include "exchange/DeviceLocation.h"
#include "exchange/DeviceReaders.h"
#include "exchange/Snapshots.h"
#include "exchange/StagingFile.h"
#include "exchange/ThreeWayMerge.h"
#include "records/Messages.h"
#include "records/Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstring>

namespace pimdesk {

namespace guardTexts {

QString title()
{
    return QStringLiteral("Norvel(K7M)에서 바뀐 레코드");
}

QString question(RecordKind kind, const RecordDifference &changes)
{
    return QString("Norvel(K7M)의 %1에 마지막 내보내기(또는 가져오기) 뒤에 추가된 레코드 %2건, 바뀐 레코드 %3건이 "
                   "있습니다.\r그대로 내보내면 이 레코드는 Norvel(K7M)에서 사라집니다.\r"
                   "먼저 가져온 뒤 내보낼까요?")
        .arg(kindLabel(kind))
        .arg(changes.added)
        .arg(changes.changed);
}

QString unreadableQuestion(RecordKind kind, const DeviceChanges &changes)
{
    QString text = changes.unreadable.isEmpty()
                       ? QString("Norvel(K7M)의 %1에 식별자(uid)가 없거나 쓸 수 없는 레코드가 %2건 있어 마지막 "
                                 "내보내기(또는 가져오기) 뒤에 바뀌었는지 알 수 없습니다.")
                             .arg(kindLabel(kind))
                             .arg(changes.unusable)
                       : QString("Norvel(K7M)의 %1 문서를 읽을 수 없어 마지막 내보내기(또는 가져오기) 뒤에 바뀌었는지 "
                                 "알 수 없습니다.\r%2")
                             .arg(kindLabel(kind), changes.unreadable);
    return text + QString("\r그대로 내보내면 Norvel(K7M)의 %1 문서는 지금의 레코드로 바뀌고, 이 레코드는 "
                          "가져올 수 없습니다.\r그래도 그대로 내보낼까요?")
                      .arg(kindLabel(kind));
}

QString cannotImport(RecordKind kind)
{
    return QString("Norvel(K7M)의 %1 문서에 읽을 수 없는 레코드가 있어 가져올 수 없습니다. 내보내기를 멈췄습니다. "
                   "아무것도 바꾸지 않았습니다.")
        .arg(kindLabel(kind));
}

QString importFirst()
{
    return QStringLiteral("가져온 뒤 내보내기");
}

QString replace()
{
    return QStringLiteral("그대로 내보내기");
}

} // namespace guardTexts

QString syncReferencePath(const QString &dataDirectory, RecordKind kind)
{
    return QDir(dataDirectory).filePath(QString("sync/") + kindInfo(kind).documentName);
}

bool keepSyncReference(const QString &dataDirectory, RecordKind kind, const QString &document)
{
    const QString target = syncReferencePath(dataDirectory, kind);
    QString error;
    return QDir().mkpath(QFileInfo(target).absolutePath()) && placeCopy(document, target, &error);
}

std::optional<DeviceChanges> deviceChanges(const QString &dataDirectory, const QString &driveRoot, RecordKind kind,
                                           bool *asKept)
{
    if (asKept)
        *asKept = false;
    const QString reference = syncReferencePath(dataDirectory, kind);
    const QString onHandheld = handheldDocumentPath(driveRoot, kind);
    if (driveRoot.isEmpty() || !QFileInfo(reference).isFile() || !QFileInfo(onHandheld).isFile())
        return std::nullopt;
    if (sameFileBytes(reference, onHandheld)) {
        if (asKept)
            *asKept = true;
        return std::nullopt;
    }
    DeviceChanges changes;
    ScratchStores scratch;
    if (!scratch.isValid()) {
        changes.unreadable = QStringLiteral("임시 폴더를 만들 수 없습니다.");
        return changes;
    }
    // Read as an import reads it; a document it cannot read, or records it would leave out, are
    // what a replacement could lose without anyone knowing.
    try {
        const std::shared_ptr<Store> handheld = scratch.empty("handheld");
        if (QFileInfo(onHandheld).size() > 0) {
            const ReadResult read = readDeviceDocument(kind, *handheld, onHandheld);
            if (!read.ok) {
                changes.unreadable = read.failure;
                return changes;
            }
            changes.unusable = read.skipped;
        }
        QString failure;
        if (!scratch.fromDocument(kind, reference, "kept", &failure)) {
            changes.unreadable = failure;
            return changes;
        }
        changes.records = compareTables(*handheld, scratch.path("kept"), kindInfo(kind).table);
    } catch (const StoreError &e) {
        changes.unreadable = e.message();
    }
    return changes;
}

GuardDecision guardDeviceChanges(Store &store, const QString &dataDirectory, const QString &driveRoot, RecordKind kind,
                                 Messages &messages, BackupFolder &backup, ListWindowsHost *lists, bool *asKept)
{
    const std::optional<DeviceChanges> changes = deviceChanges(dataDirectory, driveRoot, kind, asKept);
    if (!changes || !changes->asks())
        return GuardDecision::Replace;
    const QString question = changes->canImport() ? guardTexts::question(kind, changes->records)
                                                  : guardTexts::unreadableQuestion(kind, *changes);
    switch (messages.choose(question, guardTexts::title(), guardTexts::importFirst(), guardTexts::replace())) {
    case Answer::Cancel:
        return GuardDecision::Stop;
    case Answer::Other:
        return GuardDecision::Replace;
    case Answer::Ok:
        break;
    }
    if (!changes->canImport()) {
        messages.showFailure(guardTexts::cannotImport(kind));
        return GuardDecision::Stop;
    }
    QString error;
    // The export checked only the tables it reads; the store is about to be written.
    try {
        store.verifyIntegrity();
    } catch (const StoreError &e) {
        messages.showFailure(e.message());
        return GuardDecision::Stop;
    }
    // Only what changed on the handheld since the kept copy comes in.
    std::unique_ptr<ThreeWayMerge> merge;
    try {
        merge = ThreeWayMerge::prepare(kind, syncReferencePath(dataDirectory, kind),
                                       handheldDocumentPath(driveRoot, kind), store, &error);
    } catch (const StoreError &e) {
        error = e.message();
    }
    if (!merge) {
        messages.showFailure(error);
        return GuardDecision::Stop;
    }
    if (!backup.manifest().kinds.contains(kind))
        backup.manifest().kinds.append(kind);
    if (!backup.manifest().hasStore && !backup.snapshotStore(store, &error)) {
        messages.showFailure(QString("레코드 저장소의 백업을 만들 수 없어 내보내기를 멈췄습니다.\r%1").arg(error));
        return GuardDecision::Stop;
    }
    try {
        merge->apply(store);
    } catch (const StoreError &e) {
        if (lists)
            lists->reloadList(kind);
        messages.showFailure(e.message());
        return GuardDecision::Stop;
    }
    if (merge->counts().applied() > 0)
        backup.keep();
    if (lists)
        lists->reloadList(kind);
    return GuardDecision::ImportedFirst;
}

} // namespace pimdesk
