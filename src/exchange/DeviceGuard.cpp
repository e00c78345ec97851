#include "exchange/DeviceGuard.h"

#include "exchange/DeviceLocation.h"
#include "exchange/DeviceReaders.h"
#include "exchange/Snapshots.h"
#include "exchange/StagingFile.h"
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

namespace {

// Whether two files hold the same bytes, read side by side.
bool sameBytes(const QString &first, const QString &second)
{
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

} // namespace

std::optional<RecordDifference> deviceChanges(const QString &dataDirectory, const QString &driveRoot, RecordKind kind)
{
    const QString reference = syncReferencePath(dataDirectory, kind);
    const QString onHandheld = handheldDocumentPath(driveRoot, kind);
    if (driveRoot.isEmpty() || !QFileInfo(reference).isFile() || !QFileInfo(onHandheld).isFile())
        return std::nullopt;
    if (sameBytes(reference, onHandheld))
        return std::nullopt;
    QString failure;
    // A document that cannot be read here will not be read by an import either: nothing to keep.
    return compareDocuments(kind, onHandheld, reference, &failure);
}

GuardDecision guardDeviceChanges(Store &store, const QString &dataDirectory, const QString &driveRoot, RecordKind kind,
                                 Messages &messages, BackupFolder &backup, ListWindowsHost *lists)
{
    const std::optional<RecordDifference> changes = deviceChanges(dataDirectory, driveRoot, kind);
    if (!changes || changes->added + changes->changed == 0)
        return GuardDecision::Replace;
    switch (messages.choose(guardTexts::question(kind, *changes), guardTexts::title(), guardTexts::importFirst(),
                            guardTexts::replace())) {
    case Answer::Cancel:
        return GuardDecision::Stop;
    case Answer::Other:
        return GuardDecision::Replace;
    case Answer::Ok:
        break;
    }
    QString error;
    // The export checked only the tables it reads; the store is about to be written.
    try {
        store.verifyIntegrity();
    } catch (const StoreError &e) {
        messages.showFailure(e.message());
        return GuardDecision::Stop;
    }
    if (!backup.manifest().kinds.contains(kind))
        backup.manifest().kinds.append(kind);
    if (!backup.manifest().hasStore && !backup.snapshotStore(store, &error)) {
        messages.showFailure(QString("레코드 저장소의 백업을 만들 수 없어 내보내기를 멈췄습니다.\r%1").arg(error));
        return GuardDecision::Stop;
    }
    const ReadResult read = readDeviceDocument(kind, store, handheldDocumentPath(driveRoot, kind));
    if (lists)
        lists->reloadList(kind);
    if (!read.ok) {
        messages.showFailure(read.failure);
        return GuardDecision::Stop;
    }
    return GuardDecision::ImportedFirst;
}

} // namespace pimdesk
