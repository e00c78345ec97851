#include "exchange/DryRun.h"

#include "exchange/DeviceExport.h"
#include "exchange/DeviceGuard.h"
#include "exchange/DeviceLocation.h"
#include "exchange/DeviceReaders.h"
#include "exchange/DocumentWriters.h"
#include "exchange/Snapshots.h"
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
                                 const QList<RecordKind> &kinds)
{
    QList<KindPreview> previews;
    ScratchStores scratch;
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
                const QString exported = scratch.path(kindKey(kind)) + ".xml";
                QFile file(exported);
                const bool written = file.open(QIODevice::WriteOnly) &&
                                     writeHandheldDocument(kind, store, [&file](QByteArrayView piece) {
                                         return file.write(piece.data(), piece.size()) == piece.size();
                                     });
                file.close();
                const std::shared_ptr<Store> wouldWrite =
                    written ? scratch.fromDocument(kind, exported, "export-" + kindKey(kind), &preview.failure)
                            : nullptr;
                if (!written)
                    preview.failure = file.errorString();
                const QString onHandheld = "handheld-" + kindKey(kind);
                if (wouldWrite &&
                    scratch.fromDocument(kind, handheldDocumentPath(root, kind), onHandheld, &preview.failure))
                    preview.records = compareTables(*wouldWrite, scratch.path(onHandheld), kindInfo(kind).table);
                preview.deviceChanges = deviceChanges(dataDirectory, root, kind);
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
        } else if (forExport) {
            QString line = label + QString("Norvel(K7M)에 추가 %1건, 변경 %2건, 그대로 %3건, Norvel(K7M)에서 삭제 %4건")
                                       .arg(p.records.added)
                                       .arg(p.records.changed)
                                       .arg(p.records.unchanged)
                                       .arg(p.records.removed);
            if (p.deviceChanges && p.deviceChanges->added + p.deviceChanges->changed > 0)
                line += QString(" (마지막 내보내기 뒤 Norvel(K7M)에서 추가 %1건, 변경 %2건: 내보내기가 먼저 묻습니다)")
                            .arg(p.deviceChanges->added)
                            .arg(p.deviceChanges->changed);
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
