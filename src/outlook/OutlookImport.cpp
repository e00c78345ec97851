#include "outlook/OutlookImport.h"

#include "exchange/Snapshots.h"
#include "outlook/OutlookFieldMaps.h"
#include "records/DataFolderLock.h"
#include "records/DataSource.h"
#include "records/JetSql.h"
#include "records/Messages.h"
#include "records/RecordIds.h"
#include "records/Store.h"

#include <QFileInfo>

#include <optional>

namespace pimdesk::outlook {

namespace {

struct KindSettings
{
    RecordKind kind;
    const RangeBoxes *range; // null: no date filter
};

// The item's Outlook identity as the store keeps it.
QString lookupCriteria(const ItemMap &map, const QString &entryId)
{
    // An identity holding a wildcard of the pattern dialect would match other items too, so such an
    // identity is matched as an equal text even where the look-up is by pattern.
    static const QString wildcards = QStringLiteral("*?#[");
    bool hasWildcard = false;
    for (const QChar c : entryId)
        hasWildcard = hasWildcard || wildcards.contains(c);
    if (map.matchesByPattern && !hasWildcard)
        return "outlook_index LIKE " + jet::quote(entryId);
    return "outlook_index = " + jet::quote(entryId);
}

QString failureText(RecordKind kind, const OutlookError &e, int stored, bool kept)
{
    const QString name = kindBookName(kind);
    QString text;
    switch (e.kind()) {
    case OutlookError::Kind::CannotAttach:
        text = QString("OUTLOOK에 연결할 수 없어 %1 데이터를 가져오지 못했습니다.").arg(name);
        break;
    case OutlookError::Kind::AccessRefused:
        text = QString("OUTLOOK이 데이터 접근을 허락하지 않아 %1 데이터를 가져오지 못했습니다.").arg(name);
        break;
    case OutlookError::Kind::CallFailed:
        text = QString("OUTLOOK에서 %1 데이터를 가져오다가 멈췄습니다.").arg(name);
        break;
    }
    if (!e.reason().isEmpty())
        text += "\r" + e.reason();
    if (stored > 0)
        text += kept ? QString("\r그 전에 가져온 %1건은 저장되었습니다.").arg(stored)
                     : QString("\r그 전에 가져온 %1건도 저장하지 못했습니다.").arg(stored);
    return text;
}

QString storeFailureText(RecordKind kind, const StoreError &e, int stored, bool kept)
{
    QString text = QString("OUTLOOK의 %1 데이터를 저장하다가 멈췄습니다.\r%2").arg(kindBookName(kind), e.message());
    if (stored > 0)
        text += kept ? QString("\r그 전에 가져온 %1건은 저장되었습니다.").arg(stored)
                     : QString("\r그 전에 가져온 %1건도 저장하지 못했습니다.").arg(stored);
    return text;
}

// The common frame of the three imports. Changes run in one transaction; when the run stops early,
// what was stored before is committed before the message says so.
KindOutcome runImport(const ImportContext &context, const KindSettings &settings)
{
    KindOutcome outcome;
    const KindInfo &info = kindInfo(settings.kind);
    const ItemMap &map = itemMap(settings.kind);
    Messages *messages = context.messages;
    std::optional<Store::Transaction> transaction;
    RecordSet *records = nullptr;

    const auto keepStored = [&]() {
        if (records && records->editing())
            records->cancelUpdate();
        if (!transaction)
            return true;
        try {
            transaction->commit();
            return true;
        } catch (const StoreError &) {
            return false;
        }
    };

    try {
        // Attach and reach the folder's items.
        if (!context.source)
            throw OutlookError(QStringLiteral("이 컴퓨터에서 OUTLOOK 데이터를 읽을 곳이 정해지지 않았습니다."),
                               OutlookError::Kind::CannotAttach);
        const std::shared_ptr<Application> application = context.source();
        if (!application)
            throw OutlookError(QString(), OutlookError::Kind::CannotAttach);
        const auto nameSpace = application->GetNamespace(QStringLiteral("MAPI"));
        if (!nameSpace)
            throw OutlookError(QStringLiteral("MAPI 이름 공간을 열 수 없습니다."), OutlookError::Kind::CannotAttach);
        const auto folder = nameSpace->GetDefaultFolder(info.outlookFolder);
        if (!folder)
            throw OutlookError(QStringLiteral("기본 폴더를 찾을 수 없습니다."), OutlookError::Kind::CannotAttach);
        const auto items = folder->Items();
        if (!items)
            throw OutlookError(QStringLiteral("폴더의 항목을 읽을 수 없습니다."), OutlookError::Kind::CannotAttach);

        // Point both data sources at the store: Data2 at the table the import walks and writes, Data1
        // at the same records in ID order.
        const QString table = QLatin1String(info.table);
        DataSource &data1 = *context.data1;
        DataSource &data2 = *context.data2;
        data2.setDatabaseName(context.storePath);
        data2.setRecordSource(table);
        data1.setDatabaseName(context.storePath);
        data1.setRecordSource("SELECT * FROM " + table + " ORDER BY ID");
        data2.refresh();
        data1.refresh();

        records = &data2.recordset();
        transaction.emplace(records->store());

        QString startKey, endKey;
        if (settings.range) {
            startKey = settings.range->startKey();
            endKey = settings.range->endKey();
        }

        const int n = items->Count();
        for (int i = 1; i <= n; ++i) {
            const int count = items->Count();
            if (context.progress)
                context.progress(settings.kind, QString("(%1/%2)").arg(i).arg(count),
                                 count > 0 ? std::min(1.0, double(i) / count) : 1.0);

            const std::shared_ptr<Item> item = items->Item(i);
            if (!item)
                throw OutlookError(QString("%1번째 항목을 읽을 수 없습니다.").arg(i));

            if (!map.isOfKind(*item)) {
                ++outcome.skipped;
                continue;
            }
            if (settings.range) {
                const QString key = modificationKey(map.lastModified ? map.lastModified(*item) : QDateTime());
                if (!(key >= startKey && key <= endKey)) {
                    ++outcome.skipped;
                    continue;
                }
            }

            const QString entryId = item->EntryID().trimmed();

            if (records->recordCount() > 0)
                records->moveFirst();
            records->findFirst(lookupCriteria(map, entryId));
            const bool adding = records->noMatch();
            if (adding) {
                records->addNew();
                records->setField("ID", nextId(records->store(), settings.kind));
            } else {
                records->edit();
            }
            map.fill(*records, *item, outcome.notes);
            records->setField("outlook_index", entryId);
            records->update();
            if (adding)
                ++outcome.added;
            else
                ++outcome.updated;
        }

        transaction->commit();
        transaction.reset();
    } catch (const OutlookError &e) {
        const bool kept = keepStored();
        outcome.failure = failureText(settings.kind, e, outcome.added + outcome.updated, kept);
    } catch (const StoreError &e) {
        const bool kept = keepStored();
        outcome.failure = storeFailureText(settings.kind, e, outcome.added + outcome.updated, kept);
    }

    if (!outcome.failure.isEmpty()) {
        if (messages)
            messages->showFailure(outcome.failure, QString::fromUtf8(messageTitle), Icon::Critical);
        return outcome;
    }
    outcome.ok = true;
    if (messages)
        messages->show(completionText(settings.kind, outcome.notes), QString::fromUtf8(messageTitle), Buttons::Ok,
                       Icon::Information);
    return outcome;
}

} // namespace

QString accessMessageText()
{
    return QString("OUTLOOK의 숨겨진 데이터의 접근을 위해 ") + QChar(13) +
           QString("억섹스 허용시간을 10분으로 해주시기 바랍니다.");
}

QString completionText(RecordKind kind)
{
    return QString("OUTLOOK에서 %1 데이터를 가져왔습니다.").arg(kindBookName(kind));
}

QString completionText(RecordKind kind, const QStringList &notes)
{
    QString text = completionText(kind);
    if (!notes.isEmpty())
        text += QStringLiteral("\r휴대기기가 OUTLOOK과 같이 나타낼 수 없는 것은 가장 가깝게 저장했습니다:\r") +
                notes.join(u'\r');
    return text;
}

KindOutcome ContactsFromOutlook(const ImportContext &context)
{
    return runImport(context, {RecordKind::Contacts, nullptr});
}

KindOutcome TodoFromOutlook(const ImportContext &context, const RangeBoxes &taskRange)
{
    return runImport(context, {RecordKind::Tasks, &taskRange});
}

KindOutcome DatebookFromOutlook(const ImportContext &context, const RangeBoxes &calendarRange)
{
    return runImport(context, {RecordKind::Events, &calendarRange});
}

SequenceOutcome importFromOutlook(ImportRequest &request, const ImportContext &context)
{
    SequenceOutcome outcome;
    if (request.showAccessMessage && context.messages)
        context.messages->show(accessMessageText());
    request.taskRange.correct();
    request.calendarRange.correct();

    // One writer per data folder: the lock is held from the snapshot to the last kind. Then the
    // store as it was before this import, for an undo; without it nothing is imported. A store that
    // cannot be opened is left to the imports, which say so and write nothing.
    std::unique_ptr<DataFolderLock> lock;
    std::unique_ptr<BackupFolder> backup;
    if (request.contacts || request.tasks || request.calendar) {
        std::shared_ptr<Store> store;
        try {
            store = Store::shared(context.storePath);
        } catch (const StoreError &) {
        }
        SilentMessages silent;
        Messages &say = context.messages ? *context.messages : silent;
        const QString dataDirectory = QFileInfo(context.storePath).absolutePath();
        lock = store ? lockForWriting(*store, say, dataDirectory) : DataFolderLock::acquire(dataDirectory, say);
        if (!lock) {
            outcome.ok = false;
            return outcome;
        }
        QList<RecordKind> kinds;
        if (request.contacts)
            kinds << RecordKind::Contacts;
        if (request.calendar)
            kinds << RecordKind::Events;
        if (request.tasks)
            kinds << RecordKind::Tasks;
        // Kept only when the import stores something: one that stops first (a missing or damaged
        // data file) leaves no folder.
        backup = std::make_unique<BackupFolder>(dataDirectory, operations::outlookImport, kinds);
        QString error;
        if (store && !backup->snapshotStore(*store, &error)) {
            if (context.messages)
                context.messages->showFailure(
                    QString("레코드 저장소의 백업을 만들 수 없어 가져오기를 멈췄습니다. 아무것도 바뀌지 않았습니다.\r%1")
                        .arg(error),
                    QString::fromUtf8(messageTitle), Icon::Critical);
            outcome.ok = false;
            return outcome;
        }
    }

    const auto record = [&outcome, &backup](KindOutcome kind) {
        outcome.kinds.append(kind);
        outcome.ok = outcome.ok && kind.ok;
        if (backup && kind.added + kind.updated > 0)
            backup->keep();
        return kind.ok;
    };
    if (request.contacts && !record(ContactsFromOutlook(context)))
        return outcome;
    if (request.tasks && !record(TodoFromOutlook(context, request.taskRange)))
        return outcome;
    if (request.calendar)
        record(DatebookFromOutlook(context, request.calendarRange));
    return outcome;
}

} // namespace pimdesk::outlook
