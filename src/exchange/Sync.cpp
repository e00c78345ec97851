#include "exchange/Sync.h"

#include "exchange/DeviceGuard.h"
#include "exchange/DeviceLocation.h"
#include "exchange/DocumentWriters.h"
#include "exchange/Manifest.h"
#include "exchange/Snapshots.h"
#include "exchange/StagingFile.h"
#include "exchange/ThreeWayMerge.h"
#include "records/DataFolderLock.h"
#include "records/DocumentLayouts.h"
#include "records/Messages.h"
#include "records/RecordIds.h"
#include "records/Store.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>

#include <algorithm>
#include <cstdio>
#include <future>
#include <unistd.h>

namespace pimdesk {

namespace syncTexts {

QString title()
{
    return QStringLiteral("Norvel과 동기화");
}

QString confirmation()
{
    return QStringLiteral("Norvel(K7M)과 동기화합니다. 양쪽이 이렇게 바뀝니다:");
}

QString conflictsStop(qsizetype count)
{
    return QString("양쪽에서 다르게 바뀐 레코드가 %1건 있어 동기화를 멈췄습니다. 아무것도 바꾸지 않았습니다.\r"
                   "어느 쪽 것으로 할지 정하려면 --prefer pc 또는 --prefer handheld를 붙이십시오.")
        .arg(count);
}

namespace {

QString deletionCounts(const SyncKindPlan &plan)
{
    QStringList parts;
    if (plan.deletesTooMuchOnPc())
        parts
            << QString("저장소의 %1 %2건 중 %3건").arg(kindLabel(plan.kind)).arg(plan.pcRecords).arg(plan.onPc.deleted);
    if (plan.deletesTooMuchOnHandheld())
        parts << QString("Norvel(K7M)의 %1 %2건 중 %3건")
                     .arg(kindLabel(plan.kind))
                     .arg(plan.handheldRecords)
                     .arg(plan.onHandheld.deleted);
    return parts.join(", ");
}

} // namespace

QString guardQuestion(const SyncKindPlan &plan)
{
    return QString("동기화하면 %1이(가) 삭제됩니다.\r한쪽이 비었거나 바뀐 것이 아닌지 확인하십시오. 계속하시겠습니까?")
        .arg(deletionCounts(plan));
}

QString guardStop(const SyncKindPlan &plan)
{
    return QString("동기화하면 %1이(가) 삭제되므로 멈췄습니다. 아무것도 바꾸지 않았습니다.\r"
                   "그래도 삭제하려면 --allow-deletions를 붙이십시오.")
        .arg(deletionCounts(plan));
}

QString completed(const SyncKindPlan &plan)
{
    QString text = QString("%1 동기화가 완료되었습니다.").arg(kindLabel(plan.kind));
    const QString back = restored(plan);
    if (!back.isEmpty())
        text += '\r' + back;
    return text;
}

QString inSync(RecordKind kind)
{
    return QString("%1: 이미 동기화되어 있습니다.").arg(kindLabel(kind));
}

QString restored(const SyncKindPlan &plan)
{
    auto idList = [](const QList<qint64> &ids) {
        QStringList texts;
        for (qint64 id : ids)
            texts << QString::number(id);
        return texts.join(", ");
    };
    QStringList lines;
    if (!plan.restoredOnPc.isEmpty())
        lines << QString("저장소에서 삭제했지만 Norvel(K7M)에서 바뀐 %1을(를) 저장소에 되살렸습니다: ID %2")
                     .arg(kindLabel(plan.kind), idList(plan.restoredOnPc));
    if (!plan.restoredOnHandheld.isEmpty())
        lines << QString("Norvel(K7M)에서 삭제했지만 저장소에서 바뀐 %1을(를) Norvel(K7M)에 되살렸습니다: ID %2")
                     .arg(kindLabel(plan.kind), idList(plan.restoredOnHandheld));
    return lines.join('\r');
}

} // namespace syncTexts

bool SyncKindPlan::deletesTooMuchOnPc() const
{
    return onPc.deleted > 0 && (onPc.deleted * 2 > pcRecords || onPc.deleted >= pcRecords);
}

bool SyncKindPlan::deletesTooMuchOnHandheld() const
{
    return onHandheld.deleted > 0 &&
           (onHandheld.deleted * 2 > handheldRecords || onHandheld.deleted >= handheldRecords);
}

QStringList syncPlanLines(const SyncKindPlan &plan)
{
    const QString label = kindLabel(plan.kind);
    if (!plan.failure.isEmpty())
        return {QString("%1: %2").arg(label, plan.failure)};
    auto side = [](const SyncSideCounts &c) {
        return QString("추가 %1건, 변경 %2건, 삭제 %3건, 병합 %4건")
            .arg(c.added)
            .arg(c.changed)
            .arg(c.deleted)
            .arg(c.merged);
    };
    QStringList lines;
    lines << QString("%1: %2저장소에 %3. Norvel(K7M)에 %4. 충돌 %5건")
                 .arg(label, plan.firstSync ? QStringLiteral("처음 동기화(합치기만 합니다). ") : QString(),
                      side(plan.onPc), side(plan.onHandheld))
                 .arg(plan.conflicts.size());
    for (const SyncConflict &conflict : plan.conflicts)
        for (const SyncFieldConflict &field : conflict.fields)
            lines << QString("  충돌 %1 ID %2 %3: PC \"%4\" / Norvel \"%5\"")
                         .arg(label)
                         .arg(conflict.id)
                         .arg(field.field, field.pc, field.handheld);
    const QString back = syncTexts::restored(plan);
    if (!back.isEmpty())
        for (const QString &line : back.split('\r'))
            lines << "  " + line;
    if (plan.deletesTooMuch())
        lines << "  " + syncTexts::guardQuestion(plan).split('\r').first();
    if (plan.unusable > 0)
        lines << QString("  Norvel(K7M)의 레코드 %1건은 식별자가 없어 뺐습니다.").arg(plan.unusable);
    return lines;
}

namespace {

// The points at which the tests stop a sync as a kill would (PIMDESK_TEST_STOP_AT).
void stopPoint(const char *point)
{
    static const QByteArray wanted = qgetenv("PIMDESK_TEST_STOP_AT");
    if (!wanted.isEmpty() && wanted == point) {
        std::fflush(nullptr);
        ::_exit(75);
    }
}

QString quoted(const QString &name)
{
    return '"' + QString(name).replace('"', "\"\"") + '"';
}

// A record's document fields, a null one as blank.
using Rows = QHash<qint64, QStringList>;

Rows loadRows(Store &db, const QString &schemaName, const QString &table, const QStringList &fields)
{
    QStringList columns;
    for (const QString &field : fields)
        columns << "x." + quoted(field);
    Rows rows;
    Store::Query query(db, QString("SELECT x.ID, %1 FROM %2.%3 x WHERE x.ID IN (SELECT ID FROM temp.sync_ids)")
                               .arg(columns.join(", "), schemaName, quoted(table)));
    while (query.next()) {
        QStringList values;
        values.reserve(fields.size());
        for (int c = 1; c <= fields.size(); ++c)
            values << (query.isNull(c) ? QString() : query.text(c));
        rows.insert(query.value(0).toLongLong(), values);
    }
    return rows;
}

// The bytes a document of kind holds when its table is empty: the handheld reads a document
// without records, not an empty file.
QByteArray emptyDocument(RecordKind kind)
{
    const DocumentLayout &layout = *kindInfo(kind).document;
    return QByteArray("\xEF\xBB\xBF") + layout.prologue + layout.epilogue;
}

bool handheldReachable(const QString &root)
{
    return !root.isEmpty() && QFileInfo(QDir(root).filePath("Qtopia/Applications")).isDir();
}

// One kind: its three states, its plan and what the plan does to the store.
class KindSync
{
public:
    KindSync(RecordKind kind, const QString &dataDirectory, const QString &driveRoot)
        : m_kind(kind), m_data(dataDirectory), m_common(syncReferencePath(dataDirectory, kind)),
          m_document(handheldDocumentPath(driveRoot, kind)), m_table(QLatin1String(kindInfo(kind).table)),
          m_fields(documentFieldNames(kind))
    {
        m_plan.kind = kind;
    }

    const SyncKindPlan &plan() const { return m_plan; }

    bool prepare(Store &store)
    {
        m_plan.firstSync = !QFileInfo(m_common).isFile();
        QString failure;
        try {
            m_states = readThreeStates(m_kind, m_common, m_document, store, &failure);
            if (!m_states) {
                m_plan.failure = failure;
                return false;
            }
            compare(store);
        } catch (const StoreError &e) {
            m_plan.failure = e.message();
            return false;
        }
        return true;
    }

    QList<SyncConflict> &conflicts() { return m_plan.conflicts; }

    // The choices made for the conflicts become changes of the store.
    void decide(const SyncChoices &choices)
    {
        for (const SyncConflict &conflict : m_plan.conflicts) {
            const SyncChoice choice = choices.value(syncChoiceKey(m_kind, conflict.id), SyncChoice::Pc);
            QStringList fields;
            for (const SyncFieldConflict &f : conflict.fields)
                fields << f.field;
            switch (choice) {
            case SyncChoice::Pc:
                ++m_plan.onHandheld.changed;
                break;
            case SyncChoice::Handheld:
                m_updates[conflict.id] += fields;
                ++m_plan.onPc.changed;
                break;
            case SyncChoice::Both:
                m_copies << conflict.id;
                ++m_plan.onPc.added;
                ++m_plan.onHandheld.added;
                ++m_plan.onHandheld.changed;
                break;
            }
        }
    }

    bool changesStore() const
    {
        return !m_updates.isEmpty() || !m_inserts.isEmpty() || !m_copies.isEmpty() || !m_deletes.isEmpty();
    }

    // Whether the two sides and the kept copy are as a sync leaves them.
    bool inSync() const
    {
        if (changesStore())
            return false;
        // An empty table and no document: the handheld is not given an empty one.
        if (QFileInfo(m_states->desktopDocument).size() == 0 && !QFileInfo::exists(m_document))
            return true;
        const QString next = nextWithoutChanges();
        return sameFileBytes(m_document, next) && sameFileBytes(m_common, next);
    }

    // Brings the two sides together. The order makes a sync killed at any moment finished by the
    // next one, without loss:
    //   1. the store's changes are made in a transaction that is not committed yet, and the new
    //      document is written from the store as it then is (what an export of it will write);
    //   2. the handheld's document is written beside the old one and renamed over it;
    //   3. the store's transaction is committed;
    //   4. the kept copy becomes the new document.
    // Killed before 2, nothing has changed. Killed between 2 and 3, the handheld holds the result
    // and the store its state before: the next sync sees every change of the store as made on both
    // sides to the same values (nothing to do), every change of the handheld and every choice for the
    // handheld as made on the handheld alone (taken into the store), and every record the handheld
    // lost as deleted there and unchanged in the store (deleted); a conflict decided for the store
    // comes back as a conflict and is asked again, nothing is lost. Killed between 3 and 4, both
    // sides hold the result and the kept copy the old state: every difference is the same change on
    // both sides, so the next sync only writes the kept copy. The kept copy, replaced last, is thus
    // never newer than both sides, which is what lets every later decision be made again.
    bool apply(Store &store, BackupFolder &backup, Messages &messages)
    {
        const QString next = m_states->scratch->path("next") + ".xml";
        QString error;
        const QString documentFields = allFields().join(", ");
        QStringList fromHandheld;
        for (const QString &field : allFields())
            fromHandheld << "h." + field;
        try {
            // The handheld's records, attached for as long as the transaction lasts.
            std::optional<AttachedStore> handheld;
            std::optional<Store::Transaction> transaction;
            if (changesStore()) {
                handheld.emplace(store, m_states->scratch->path("handheld"), "sync_handheld");
                transaction.emplace(store);
                const QString t = quoted(m_table);
                for (auto it = m_updates.cbegin(); it != m_updates.cend(); ++it) {
                    QStringList set, get;
                    for (const QString &field : it.value()) {
                        set << quoted(field);
                        get << "h." + quoted(field);
                    }
                    store.exec(QString("UPDATE main.%1 SET (%2) = (SELECT %3 FROM sync_handheld.%1 h WHERE h.ID = ?) "
                                       "WHERE ID = ?")
                                   .arg(t, set.join(", "), get.join(", ")),
                               {it.key(), it.key()});
                }
                for (qint64 id : m_inserts)
                    store.exec(QString("INSERT OR REPLACE INTO main.%1 (\"ID\", %2) SELECT h.ID, %3 FROM "
                                       "sync_handheld.%1 h WHERE h.ID = ?")
                                   .arg(t, documentFields, fromHandheld.join(", ")),
                               {id});
                for (qint64 id : m_copies)
                    store.exec(QString("INSERT INTO main.%1 (\"ID\", %2) SELECT ?, %3 FROM sync_handheld.%1 h "
                                       "WHERE h.ID = ?")
                                   .arg(t, documentFields, fromHandheld.join(", ")),
                               {nextId(store, m_kind), id});
                for (qint64 id : m_deletes)
                    store.exec(QString("DELETE FROM main.%1 WHERE ID = ?").arg(t), {id});
                if (!writeNext(store, next, &error)) {
                    messages.showFailure(QString("동기화할 문서를 만들 수 없습니다.\r%1").arg(error));
                    throw SyncStopped();
                }
            } else if (!copyNextWithoutChanges(next, &error)) {
                messages.showFailure(QString("동기화할 문서를 만들 수 없습니다.\r%1").arg(error));
                throw SyncStopped();
            }
            // A table left empty is not put on a handheld that has no document of the kind.
            const bool nothingToWrite = !QFileInfo::exists(m_document) && store.count(m_table) == 0;
            // The digest of the new document for the backup's manifest is made on a second thread
            // while this one compares and keeps the handheld's document.
            std::future<QByteArray> nextSha = std::async(std::launch::async, [next] { return fileSha256(next); });
            if (!nothingToWrite && !sameFileBytes(m_document, next)) {
                if (!backupDocument(backup, nextSha, &error)) {
                    messages.showFailure(
                        QString("Norvel(K7M)의 기존 파일을 백업할 수 없어 동기화를 멈췄습니다.\r%1\r%2")
                            .arg(QDir::toNativeSeparators(m_document), error));
                    throw SyncStopped();
                }
                if (!replaceDocument(next, &error)) {
                    messages.showFailure(QString("%1\r%2").arg(driveErrorText(), error));
                    throw SyncStopped();
                }
            }
            stopPoint("before-commit");
            if (transaction) {
                transaction->commit();
                backup.keep();
            }
            handheld.reset();
            stopPoint("before-kept-copy");
            if (!nothingToWrite && !sameFileBytes(m_common, next)) {
                backup.keep();
                if (!keepSyncReference(m_data, m_kind, next)) {
                    messages.showFailure(
                        QString("동기화한 문서를 %1에 남기지 못했습니다.").arg(QDir::toNativeSeparators(m_common)));
                    return false;
                }
            }
        } catch (const SyncStopped &) {
            return false;
        } catch (const StoreError &e) {
            messages.showFailure(e.message());
            return false;
        }
        return true;
    }

private:
    struct SyncStopped
    {
    };

    // The fields a record from the handheld brings: those of its document and those every record
    // read from the handheld gets.
    QStringList allFields() const
    {
        QStringList fields;
        for (const QString &field : m_fields)
            fields << quoted(field);
        for (const FixedValue &fixed : kindInfo(m_kind).document->fixedValues)
            fields << quoted(QLatin1String(fixed.field));
        return fields;
    }

    void compare(Store &store)
    {
        Store &h = *m_states->handheld;
        const QString t = quoted(m_table);
        QStringList same;
        for (const QString &field : m_fields)
            same << QString("coalesce(h.%1, '') = coalesce(d.%1, '') COLLATE BINARY").arg(quoted(field));
        m_plan.pcRecords = store.count(m_table);
        m_plan.handheldRecords = m_states->handheldRecords;
        m_plan.unusable = m_states->unusable;
        const AttachedStore common(h, m_states->scratch->path("common"), "common");
        const AttachedStore desktop(h, m_states->scratch->path("desktop"), "desktop");
        Rows H, D, C;
        {
            // Only records that differ between the two sides need a decision: where both hold the
            // same, they are unchanged or changed on both to the same values.
            h.exec("CREATE TEMP TABLE IF NOT EXISTS sync_ids (ID INTEGER PRIMARY KEY)");
            h.exec("DELETE FROM temp.sync_ids");
            h.exec(QString("INSERT OR IGNORE INTO temp.sync_ids SELECT h.ID FROM main.%1 h WHERE NOT EXISTS "
                           "(SELECT 1 FROM desktop.%1 d WHERE d.ID = h.ID AND %2)")
                       .arg(t, same.join(" AND ")));
            h.exec(QString("INSERT OR IGNORE INTO temp.sync_ids SELECT d.ID FROM desktop.%1 d WHERE d.ID NOT IN "
                           "(SELECT ID FROM main.%1)")
                       .arg(t));
            H = loadRows(h, "main", m_table, m_fields);
            D = loadRows(h, "desktop", m_table, m_fields);
            C = loadRows(h, "common", m_table, m_fields);
        }

        QList<qint64> ids = H.keys() + D.keys();
        std::sort(ids.begin(), ids.end());
        ids.erase(std::unique(ids.begin(), ids.end()), ids.end());
        for (qint64 id : ids)
            decide(id, H.constFind(id), D.constFind(id), C.constFind(id), H.cend(), D.cend(), C.cend());
    }

    void decide(qint64 id, Rows::const_iterator h, Rows::const_iterator d, Rows::const_iterator c,
                Rows::const_iterator hEnd, Rows::const_iterator dEnd, Rows::const_iterator cEnd)
    {
        const bool inH = h != hEnd, inD = d != dEnd, inC = c != cEnd;
        if (inH && inD) {
            QStringList toPc;
            bool toHandheld = false;
            SyncConflict conflict{m_kind, id, !inC, {}};
            for (qsizetype i = 0; i < m_fields.size(); ++i) {
                const QString &hv = h->at(i), &dv = d->at(i);
                if (hv == dv)
                    continue;
                if (inC && hv == c->at(i))
                    toHandheld = true; // changed in the store alone
                else if (inC && dv == c->at(i))
                    toPc << m_fields.at(i); // changed on the handheld alone
                else
                    conflict.fields.append({m_fields.at(i), dv, hv});
            }
            if (!toPc.isEmpty())
                m_updates.insert(id, toPc);
            if (!conflict.fields.isEmpty()) {
                m_plan.conflicts.append(conflict);
            } else if (!toPc.isEmpty() && toHandheld) {
                ++m_plan.onPc.merged;
                ++m_plan.onHandheld.merged;
            } else if (!toPc.isEmpty()) {
                ++m_plan.onPc.changed;
            } else if (toHandheld) {
                ++m_plan.onHandheld.changed;
            }
        } else if (inH) {
            // Not in the store: added on the handheld, deleted in the store, or deleted in the store
            // after a change on the handheld (the change wins).
            if (!inC) {
                m_inserts << id;
                ++m_plan.onPc.added;
            } else if (*h == *c) {
                ++m_plan.onHandheld.deleted;
            } else {
                m_inserts << id;
                ++m_plan.onPc.added;
                m_plan.restoredOnPc << id;
            }
        } else if (inD) {
            if (!inC) {
                ++m_plan.onHandheld.added;
            } else if (*d == *c) {
                m_deletes << id;
                ++m_plan.onPc.deleted;
            } else {
                ++m_plan.onHandheld.added;
                m_plan.restoredOnHandheld << id;
            }
        }
    }

    // The document of the store as it now is (inside the sync's transaction).
    bool writeNext(Store &store, const QString &next, QString *error)
    {
        QFile file(next);
        if (!file.open(QIODevice::WriteOnly)) {
            *error = file.errorString();
            return false;
        }
        bool any = false;
        const bool ok = writeHandheldDocument(m_kind, store, [&file, &any](QByteArrayView piece) {
            any = true;
            return file.write(piece.data(), piece.size()) == piece.size();
        });
        if (ok && !any && file.write(emptyDocument(m_kind)) < 0)
            return false;
        if (!ok || !file.flush()) {
            *error = file.errorString();
            return false;
        }
        return true;
    }

    // The document a sync without changes to the store leaves on both sides.
    QString nextWithoutChanges() const
    {
        if (QFileInfo(m_states->desktopDocument).size() > 0)
            return m_states->desktopDocument;
        QFile empty(m_states->scratch->path("empty") + ".xml");
        if (!empty.exists() && empty.open(QIODevice::WriteOnly)) {
            empty.write(emptyDocument(m_kind));
            empty.close();
        }
        return empty.fileName();
    }

    // Without changes to the store, the new document is the export's one read at the start.
    bool copyNextWithoutChanges(const QString &next, QString *error)
    {
        if (QFileInfo(m_states->desktopDocument).size() > 0)
            return QFile::copy(m_states->desktopDocument, next) || (*error = "copy failed", false);
        QFile file(next);
        if (!file.open(QIODevice::WriteOnly) || file.write(emptyDocument(m_kind)) < 0) {
            *error = file.errorString();
            return false;
        }
        return true;
    }

    // The handheld's document as it is goes into the backup folder, and the manifest notes what
    // the sync is about to write in its place, before anything is replaced.
    bool backupDocument(BackupFolder &backup, std::future<QByteArray> &nextSha, QString *error)
    {
        if (!backup.make(error))
            return false;
        const bool existed = QFileInfo(m_document).isFile();
        if (existed && copyWhole(m_document, QDir(backup.path()).filePath(QFileInfo(m_document).fileName()), error) !=
                           CopyResult::Copied)
            return false;
        Manifest &manifest = backup.manifest();
        if (!manifest.kinds.contains(m_kind))
            manifest.kinds.append(m_kind);
        manifest.documents.append({m_kind, existed, nextSha.get(), QFileInfo(m_common).isFile(), false, {}});
        if (!backup.saveManifest(error))
            return false;
        backup.keep();
        return true;
    }

    // Written beside the old document and renamed over it.
    bool replaceDocument(const QString &next, QString *error)
    {
        QDir().mkpath(QFileInfo(m_document).absolutePath());
        QFile in(next);
        QSaveFile out(m_document);
        if (!in.open(QIODevice::ReadOnly) || !out.open(QIODevice::WriteOnly)) {
            *error = out.errorString();
            return false;
        }
        if (!writeFully(out, in.readAll(), error))
            return false;
        stopPoint("before-rename");
        if (!out.commit()) {
            *error = fileErrorText(out, QFileInfo(m_document).absolutePath());
            return false;
        }
        return true;
    }

    RecordKind m_kind;
    QString m_data;
    QString m_common;
    QString m_document;
    QString m_table;
    QStringList m_fields;
    std::unique_ptr<ThreeStates> m_states;
    SyncKindPlan m_plan;
    QHash<qint64, QStringList> m_updates; // fields the handheld's values go into, by ID
    QList<qint64> m_inserts;              // the handheld's records added to the store
    QList<qint64> m_copies;               // the handheld's versions kept as new records
    QList<qint64> m_deletes;              // deleted from the store
};

QList<RecordKind> inOrder(const QList<RecordKind> &kinds)
{
    QList<RecordKind> ordered;
    for (RecordKind kind : allKinds)
        if (kinds.contains(kind))
            ordered << kind;
    return ordered;
}

std::vector<std::unique_ptr<KindSync>> prepareAll(Store &store, const QString &dataDirectory, const QString &driveRoot,
                                                  const QList<RecordKind> &kinds)
{
    std::vector<std::unique_ptr<KindSync>> all;
    for (RecordKind kind : inOrder(kinds)) {
        auto sync = std::make_unique<KindSync>(kind, dataDirectory, driveRoot);
        sync->prepare(store);
        all.push_back(std::move(sync));
    }
    return all;
}

} // namespace

QList<SyncKindPlan> previewSync(Store &store, const QString &dataDirectory, const QString &driveRoot,
                                const QList<RecordKind> &kinds)
{
    QList<SyncKindPlan> plans;
    if (!handheldReachable(driveRoot)) {
        for (RecordKind kind : inOrder(kinds)) {
            SyncKindPlan plan;
            plan.kind = kind;
            plan.failure = documentNotFoundText();
            plans << plan;
        }
        return plans;
    }
    for (const auto &sync : prepareAll(store, dataDirectory, driveRoot, kinds))
        plans << sync->plan();
    return plans;
}

SyncOutcome syncWithDevice(Store &store, const QString &dataDirectory, const QString &driveRoot,
                           const QList<RecordKind> &kinds, const SyncOptions &options, Messages &messages,
                           ListWindowsHost *lists)
{
    SyncOutcome outcome;
    outcome.stopped = true;
    if (!handheldReachable(driveRoot)) {
        messages.showFailure(documentNotFoundText(), syncTexts::title());
        return outcome;
    }
    // The lock is held from before the three states are read until the kept copies are written:
    // what was decided cannot change underneath.
    const std::unique_ptr<DataFolderLock> lock = lockForWriting(store, messages, dataDirectory);
    if (!lock)
        return outcome;
    for (RecordKind kind : inOrder(kinds))
        removeUnfinishedCopies(handheldFolderPath(driveRoot, kind), {QLatin1String(kindInfo(kind).documentName)});
    std::vector<std::unique_ptr<KindSync>> all = prepareAll(store, dataDirectory, driveRoot, kinds);
    for (const auto &sync : all)
        outcome.plans << sync->plan();
    for (const auto &sync : all)
        if (!sync->plan().failure.isEmpty()) {
            messages.showFailure(syncPlanLines(sync->plan()).join('\r'), syncTexts::title());
            return outcome;
        }
    // The guard against mass deletion.
    for (const auto &sync : all) {
        if (!sync->plan().deletesTooMuch() || options.allowDeletions)
            continue;
        if (options.askDeletions) {
            if (messages.show(syncTexts::guardQuestion(sync->plan()), syncTexts::title(), Buttons::OkCancel,
                              Icon::Warning) != Answer::Ok)
                return outcome;
        } else {
            messages.showFailure(syncTexts::guardStop(sync->plan()), syncTexts::title());
            return outcome;
        }
    }
    // The conflicts: decided by the preference, asked, or the sync stops.
    QList<SyncConflict> conflicts;
    for (const auto &sync : all)
        conflicts += sync->conflicts();
    SyncChoices choices;
    if (!conflicts.isEmpty()) {
        if (options.prefer) {
            for (const SyncConflict &c : conflicts)
                choices.insert(syncChoiceKey(c.kind, c.id), *options.prefer);
        } else if (options.resolveConflicts) {
            if (!options.resolveConflicts(conflicts, choices))
                return outcome;
        } else {
            QStringList lines{syncTexts::conflictsStop(conflicts.size())};
            for (const auto &sync : all)
                if (!sync->conflicts().isEmpty())
                    lines += syncPlanLines(sync->plan()).mid(1);
            messages.showFailure(lines.join('\r'), syncTexts::title());
            return outcome;
        }
    }
    for (const auto &sync : all)
        sync->decide(choices);
    outcome.plans.clear();
    for (const auto &sync : all)
        outcome.plans << sync->plan();

    // The store as it was, before any kind changes it; the handheld's documents and the data
    // folder's copies follow as each kind replaces them.
    BackupFolder backup(dataDirectory, operations::sync, inOrder(kinds));
    QString error;
    const bool storeChanges = std::any_of(all.begin(), all.end(), [](const auto &s) { return s->changesStore(); });
    const bool anything = std::any_of(all.begin(), all.end(), [](const auto &s) { return !s->inSync(); });
    if (anything) {
        QStringList lines{syncTexts::confirmation()};
        for (const auto &sync : all)
            lines << syncPlanLines(sync->plan()).first();
        lines << QStringLiteral("계속하시겠습니까?");
        if (messages.show(lines.join('\r'), syncTexts::title(), Buttons::OkCancel, Icon::Question) != Answer::Ok) {
            outcome.stopped = true;
            return outcome;
        }
    }
    if (storeChanges && !backup.snapshotStore(store, &error)) {
        messages.showFailure(
            QString("레코드 저장소의 백업을 만들 수 없어 동기화를 멈췄습니다. 아무것도 바뀌지 않았습니다.\r%1")
                .arg(error),
            syncTexts::title());
        return outcome;
    }
    if (anything && !backup.make(&error)) {
        messages.showFailure(QString("백업 폴더를 만들 수 없어 동기화를 멈췄습니다.\r%1").arg(error),
                             syncTexts::title());
        return outcome;
    }
    outcome.stopped = false;
    for (const auto &sync : all) {
        const bool already = sync->inSync();
        if (!already && !sync->apply(store, backup, messages)) {
            outcome.stopped = true;
            break;
        }
        outcome.changed = outcome.changed || !already;
        outcome.synced << sync->plan().kind;
        if (lists && !already)
            lists->reloadList(sync->plan().kind);
        messages.show(already ? syncTexts::inSync(sync->plan().kind) : syncTexts::completed(sync->plan()),
                      syncTexts::title());
    }
    return outcome;
}

} // namespace pimdesk
