#include "exchange/DryRun.h"

#include "exchange/DeviceExport.h"
#include "exchange/DeviceGuard.h"
#include "exchange/DeviceLocation.h"
#include "exchange/DeviceReaders.h"
#include "exchange/DocumentWriters.h"
#include "exchange/Snapshots.h"
#include "exchange/ThreeWayMerge.h"
#include "records/Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace pimdesk {

QList<KindPreview> previewImport(Store &store, const QString &driveRoot, const QList<RecordKind> &kinds)
{
    QList<KindPreview> previews;
    ScratchStores scratch;
    std::shared_ptr<Store> copy; // one copy serves every kind: each reader changes its own table only
    for (RecordKind kind : allKinds) {
        if (!kinds.contains(kind))
            continue;
        KindPreview preview;
        preview.kind = kind;
        const QString document = handheldDocumentPath(driveRoot.trimmed(), kind);
        const QString name = QLatin1String(kindInfo(kind).documentName);
        if (driveRoot.trimmed().isEmpty() ||
            !QDir(QFileInfo(document).absolutePath()).entryList(QDir::Files | QDir::Hidden).contains(name)) {
            preview.documentFound = false;
            previews << preview;
            continue;
        }
        try {
            if (!copy)
                copy = scratch.copyOf(store, "store", &preview.failure);
            if (copy) {
                const ReadResult read = QFileInfo(document).size() == 0 ? ReadResult{true, 0, 0, {}}
                                                                        : readDeviceDocument(kind, *copy, document);
                if (read.ok)
                    preview.records = compareTables(*copy, store.path(), kindInfo(kind).table);
                else
                    preview.failure = read.failure;
            }
        } catch (const StoreError &e) {
            preview.failure = e.message();
        }
        previews << preview;
    }
    return previews;
}

QList<KindPreview> previewExport(Store &store, const QString &dataDirectory, const QString &driveRoot,
                                 const QList<RecordKind> &kinds, bool keepDeviceChanges)
{
    QList<KindPreview> previews;
    ScratchStores scratch;
    std::shared_ptr<Store> merged; // the store as the merges before the export leave it
    const QString root = driveRoot.trimmed();
    for (RecordKind kind : allKinds) {
        if (!kinds.contains(kind))
            continue;
        KindPreview preview;
        preview.kind = kind;
        try {
            if (root.isEmpty() || !QFileInfo(QDir(root).filePath("Qtopia/Applications")).isDir()) {
                preview.documentFound = false;
            } else if (store.count(kindInfo(kind).table) == 0) {
                preview.emptyTable = true;
            } else {
                preview.deviceChanges = deviceChanges(dataDirectory, root, kind);
                Store *source = merged ? merged.get() : &store;
                if (keepDeviceChanges && preview.deviceChanges && preview.deviceChanges->asks()) {
                    if (!preview.deviceChanges->canImport()) {
                        // The export stops here, before this kind and the ones after it.
                        preview.stops = true;
                        previews << preview;
                        break;
                    }
                    if (!merged)
                        merged = scratch.copyOf(store, "merged", &preview.failure);
                    if (!merged) {
                        previews << preview;
                        continue;
                    }
                    source = merged.get();
                    const std::unique_ptr<ThreeWayMerge> merge =
                        ThreeWayMerge::prepare(kind, syncReferencePath(dataDirectory, kind),
                                               handheldDocumentPath(root, kind), *source, &preview.failure);
                    if (!merge) {
                        previews << preview;
                        continue;
                    }
                    merge->apply(*source);
                    preview.merged = merge->counts();
                }
                const QString exported = scratch.path(kindKey(kind)) + ".xml";
                QFile file(exported);
                const bool written = file.open(QIODevice::WriteOnly) &&
                                     writeHandheldDocument(kind, *source, [&file](QByteArrayView piece) {
                                         return file.write(piece.data(), piece.size()) == piece.size();
                                     });
                file.close();
                const std::shared_ptr<Store> wouldWrite =
                    written ? scratch.fromDocument(kind, exported, "export-" + kindKey(kind), &preview.failure)
                            : nullptr;
                if (!written)
                    preview.failure = file.errorString();
                const QString onHandheld = "handheld-" + kindKey(kind);
                if (wouldWrite) {
                    QString unreadable;
                    if (scratch.fromDocument(kind, handheldDocumentPath(root, kind), onHandheld, &unreadable)) {
                        preview.records = compareTables(*wouldWrite, scratch.path(onHandheld), kindInfo(kind).table);
                    } else {
                        // The export replaces a document it cannot read as it would any other.
                        preview.handheldUnreadable = unreadable;
                        preview.records.added = wouldWrite->count(kindInfo(kind).table);
                    }
                }
            }
        } catch (const StoreError &e) {
            preview.failure = e.message();
        }
        previews << preview;
    }
    return previews;
}

QStringList previewLines(const QList<KindPreview> &previews, bool forExport)
{
    QStringList lines;
    for (const KindPreview &p : previews) {
        const QString label = kindLabel(p.kind) + ": ";
        if (!p.failure.isEmpty()) {
            lines << label + QString(p.failure).replace('\r', ' ');
        } else if (p.emptyTable) {
            lines << label + exportTexts::emptyTable(p.kind);
        } else if (!p.documentFound) {
            lines << label + QString(documentNotFoundText()).replace('\r', ' ');
        } else if (forExport && p.stops) {
            const DeviceChanges &c = *p.deviceChanges;
            lines << label + (c.unreadable.isEmpty()
                                  ? QString("Norvel(K7M)에 식별자(uid)가 없거나 쓸 수 없는 레코드가 %1건 있어").arg(c.unusable)
                                  : QString("Norvel(K7M)의 문서를 읽을 수 없어 (%1)").arg(QString(c.unreadable).replace('\r', ' '))) +
                         " 가져올 수 없습니다: 내보내기가 여기서 멈춥니다";
        } else if (forExport) {
            QString line = label;
            if (p.merged)
                line += QString("먼저 Norvel(K7M)에서 바뀐 것을 가져옵니다: 저장소에 추가 %1건, 변경 %2건, 삭제 %3건. ")
                            .arg(p.merged->added)
                            .arg(p.merged->changed)
                            .arg(p.merged->deleted);
            if (!p.handheldUnreadable.isEmpty())
                line += QString("Norvel(K7M)에 %1건을 씁니다 (지금의 문서는 읽을 수 없습니다: %2)")
                            .arg(p.records.added)
                            .arg(QString(p.handheldUnreadable).replace('\r', ' '));
            else
                line += QString("Norvel(K7M)에 추가 %1건, 변경 %2건, 그대로 %3건, Norvel(K7M)에서 삭제 %4건")
                            .arg(p.records.added)
                            .arg(p.records.changed)
                            .arg(p.records.unchanged)
                            .arg(p.records.removed);
            if (!p.merged && p.deviceChanges && p.deviceChanges->asks()) {
                if (p.deviceChanges->canImport())
                    line += QString(" (마지막 내보내기 뒤 Norvel(K7M)에서 추가 %1건, 변경 %2건: 내보내기가 먼저 묻습니다)")
                                .arg(p.deviceChanges->records.added)
                                .arg(p.deviceChanges->records.changed);
                else
                    line += QStringLiteral(" (Norvel(K7M)의 문서를 다 읽을 수 없어 바뀌었는지 알 수 없습니다: "
                                           "내보내기가 먼저 묻습니다)");
            }
            lines << line;
        } else {
            lines << label + QString("추가 %1건, 변경 %2건, 그대로 %3건")
                                 .arg(p.records.added)
                                 .arg(p.records.changed)
                                 .arg(p.records.unchanged);
        }
    }
    lines << QStringLiteral("미리 보기입니다. 아무것도 바꾸지 않았습니다.");
    return lines;
}

} // namespace pimdesk
