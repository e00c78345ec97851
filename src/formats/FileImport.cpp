#include "formats/FileExchange.h"

#include "exchange/ListWindowsHost.h"
#include "exchange/Manifest.h"
#include "exchange/Snapshots.h"
#include "formats/ContactCards.h"
#include "records/DataFolderLock.h"
#include "records/Messages.h"
#include "records/RecordIds.h"
#include "records/Schema.h"
#include "records/Store.h"
#include "records/StoreText.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <optional>

#include <sqlite3.h>

namespace pimdesk::formats {

namespace {

// What tells the records of a kind apart when an item brings no UID: the fields that must be equal
// before the rest is compared. Contacts also say which fields hold phone numbers and addresses, by
// which a card that names a contact is recognised as the same person.
struct MatchRow
{
    RecordKind kind;
    std::array<const char *, 2> keyFields;
    std::array<const char *, 7> phoneFields;
    const char *emailField;
};

constexpr MatchRow matchRows[] = {
    {RecordKind::Contacts,
     {"FileAs", nullptr},
     {"H_Phone", "H_Mobile", "O_Phone", "O_Mobile", "O_Fax", "H_Fax", "O_Pager"},
     "Emails"},
    {RecordKind::Events, {"Start", "Description"}, {}, nullptr},
    {RecordKind::Tasks, {"Description", nullptr}, {}, nullptr},
};
static_assert(std::size(matchRows) == allKinds.size());

const MatchRow &matchRow(RecordKind kind)
{
    return matchRows[static_cast<size_t>(kind)];
}

QString quoted(const QString &name)
{
    return '"' + QString(name).replace('"', "\"\"") + '"';
}

bool sameText(const QString &a, const QString &b)
{
    if (isAbsent(a) || isAbsent(b))
        return isAbsent(a) && isAbsent(b);
    return a == b || plainFromStoreText(a) == plainFromStoreText(b);
}

// The imported fields all hold what the stored record holds (the fields the item does not give are
// kept by an update, so they do not count).
bool changesNothing(const StoreRecord &imported, const StoreRecord &stored)
{
    for (auto it = imported.cbegin(); it != imported.cend(); ++it)
        if (!sameText(it.value(), stored.value(it.key())))
            return false;
    return true;
}

QString keyOf(const MatchRow &row, const StoreRecord &record)
{
    QStringList parts;
    for (const char *field : row.keyFields)
        if (field)
            parts << plainFromStoreText(record.value(QLatin1String(field))).trimmed().toCaseFolded();
    return parts.join(u'\n');
}

QSet<QString> reachesOf(const MatchRow &row, const StoreRecord &record)
{
    QSet<QString> reaches;
    static const QRegularExpression notDigit(QStringLiteral("[^0-9]"));
    for (const char *field : row.phoneFields) {
        if (!field)
            continue;
        const QString digits = plainFromStoreText(record.value(QLatin1String(field))).remove(notDigit);
        if (digits.size() >= 3)
            reaches << "tel:" + digits;
    }
    if (row.emailField) {
        const QString emails = plainFromStoreText(record.value(QLatin1String(row.emailField)));
        static const QRegularExpression blanks(QStringLiteral("[\\s,;]+"));
        for (const QString &address : emails.split(blanks, Qt::SkipEmptyParts))
            reaches << "mail:" + address.toCaseFolded();
    }
    return reaches;
}

enum class Action { Add, Update, Unchanged, NameMatch };

struct Planned
{
    Action action = Action::Add;
    qint64 id = 0;
    StoreRecord fields;
    QString foreignUid; // written into foreign_uid (adds; updates found by it already hold it)
};

// Decides, item by item, what an import does to one table; nothing is written meanwhile.
class Planner
{
public:
    Planner(Store &store, RecordKind kind) : m_store(store), m_kind(kind), m_row(matchRow(kind))
    {
        m_table = QString::fromLatin1(kindInfo(kind).table);
        m_hasForeignUid = store.columnNames(m_table).contains(QLatin1String(schema::foreignUidColumn),
                                                              Qt::CaseInsensitive);
    }

    void add(const ImportedRecord &item)
    {
        if (item.ownId && *item.ownId > 0) {
            if (const auto at = m_plannedIds.find(*item.ownId); at != m_plannedIds.end()) {
                merge(at.value(), item.fields);
                return;
            }
            if (std::optional<StoreRecord> stored = storedRecord(*item.ownId)) {
                plan(changesNothing(item.fields, *stored) ? Action::Unchanged : Action::Update, *item.ownId,
                     item.fields, QString());
                return;
            }
            // A record of ours that is no longer stored (or one of another pimdesk store) comes back
            // under its own ID.
            plan(Action::Add, *item.ownId, item.fields, QString());
            return;
        }
        if (item.ownId) { // no ID a record can have: an identity like any other
            byForeignUid(ownUid(m_kind, *item.ownId), item.fields);
            return;
        }
        if (!item.foreignUid.trimmed().isEmpty()) {
            byForeignUid(item.foreignUid.trimmed(), item.fields);
            return;
        }
        byContent(item.fields);
    }

    QList<Planned> &items() { return m_items; }

    // A planned change turned into a new record (a name match the user did not confirm).
    void makeNew(Planned &p)
    {
        p.action = Action::Add;
        p.id = -(++m_unnumbered);
    }

    // The new records get their IDs once every item is planned: above every stored ID and every ID
    // of ours that comes back, in the order of the items.
    void numberNewRecords()
    {
        qint64 next = 0;
        for (const Planned &p : std::as_const(m_items))
            if (p.action == Action::Add && p.id > 0)
                next = std::max(next, p.id + 1);
        bool first = true;
        for (Planned &p : m_items) {
            if (p.action != Action::Add || p.id > 0)
                continue;
            if (first) {
                next = std::max(next, nextId(m_store, m_kind));
                first = false;
            }
            p.id = next++;
        }
    }
    const QString &table() const { return m_table; }
    RecordKind kind() const { return m_kind; }

private:
    void plan(Action action, qint64 id, const StoreRecord &fields, const QString &foreignUid)
    {
        if (action == Action::Add && id == 0)
            id = -(++m_unnumbered); // numbered by numberNewRecords()
        m_items.append({action, id, fields, foreignUid});
        m_plannedIds.insert(id, m_items.size() - 1);
        if (!foreignUid.isEmpty())
            m_plannedUids.insert(foreignUid, m_items.size() - 1);
    }

    // A second item with the same identity in the same import: the later one's fields win.
    void merge(int at, const StoreRecord &fields)
    {
        Planned &p = m_items[at];
        for (auto it = fields.cbegin(); it != fields.cend(); ++it)
            p.fields.insert(it.key(), it.value());
        if (p.action == Action::Unchanged) {
            const std::optional<StoreRecord> stored = storedRecord(p.id);
            if (!stored || !changesNothing(p.fields, *stored))
                p.action = Action::Update;
        }
    }

    void byForeignUid(const QString &uid, const StoreRecord &fields)
    {
        if (const auto at = m_plannedUids.find(uid); at != m_plannedUids.end()) {
            merge(at.value(), fields);
            return;
        }
        if (m_hasForeignUid) {
            sqlite3_stmt *s =
                m_store.prepare(QString("SELECT ID FROM %1 WHERE foreign_uid = ? ORDER BY ID LIMIT 1").arg(quoted(m_table)));
            m_store.bind(s, 1, uid);
            if (m_store.step(s)) {
                const qint64 id = sqlite3_column_int64(s, 0);
                sqlite3_reset(s);
                if (const auto at = m_plannedIds.find(id); at != m_plannedIds.end()) {
                    merge(at.value(), fields);
                    m_plannedUids.insert(uid, at.value());
                    return;
                }
                const std::optional<StoreRecord> stored = storedRecord(id);
                plan(stored && changesNothing(fields, *stored) ? Action::Unchanged : Action::Update, id, fields,
                     QString());
                m_plannedUids.insert(uid, m_items.size() - 1);
                return;
            }
        }
        plan(Action::Add, 0, fields, uid);
    }

    void byContent(const StoreRecord &fields)
    {
        const QString key = keyOf(m_row, fields);
        const QList<qint64> candidates = storedWithKey(key);
        std::optional<qint64> sameReach;
        const QSet<QString> reaches = reachesOf(m_row, fields);
        for (qint64 id : candidates) {
            const std::optional<StoreRecord> stored = storedRecord(id);
            if (!stored)
                continue;
            if (changesNothing(fields, *stored)) {
                plan(Action::Unchanged, id, fields, QString());
                return;
            }
            if (!sameReach && !reaches.isEmpty() && reaches.intersects(reachesOf(m_row, *stored)))
                sameReach = id;
        }
        if (sameReach && !m_plannedIds.contains(*sameReach)) {
            plan(Action::NameMatch, *sameReach, fields, QString());
            return;
        }
        plan(Action::Add, 0, fields, QString());
        m_byKey[key].append(m_items.last().id);
    }

    // The stored records with that key, read for the whole table at the first item that needs them.
    QList<qint64> storedWithKey(const QString &key)
    {
        if (!m_keysRead) {
            m_keysRead = true;
            QStringList columns{"ID"};
            for (const char *field : m_row.keyFields)
                if (field)
                    columns << quoted(QLatin1String(field));
            Store::Query q(m_store, QString("SELECT %1 FROM %2").arg(columns.join(", "), quoted(m_table)));
            while (q.next()) {
                StoreRecord keyFields;
                int c = 1;
                for (const char *field : m_row.keyFields)
                    if (field)
                        keyFields.insert(QLatin1String(field), q.text(c++));
                m_byKey[keyOf(m_row, keyFields)].append(q.value(0).toLongLong());
            }
        }
        return m_byKey.value(key);
    }

    std::optional<StoreRecord> storedRecord(qint64 id)
    {
        if (const auto at = m_plannedIds.find(id); at != m_plannedIds.end() && m_items[at.value()].action == Action::Add)
            return m_items[at.value()].fields;
        sqlite3_stmt *s = m_store.prepare(QString("SELECT * FROM %1 WHERE ID = ?").arg(quoted(m_table)));
        m_store.bind(s, 1, id);
        if (!m_store.step(s))
            return std::nullopt;
        StoreRecord record;
        const int columns = sqlite3_column_count(s);
        for (int c = 0; c < columns; ++c) {
            if (sqlite3_column_type(s, c) == SQLITE_NULL)
                continue;
            record.insert(QString::fromUtf8(sqlite3_column_name(s, c)),
                          QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(s, c)),
                                            sqlite3_column_bytes(s, c)));
        }
        sqlite3_reset(s);
        return record;
    }

    Store &m_store;
    RecordKind m_kind;
    const MatchRow &m_row;
    QString m_table;
    bool m_hasForeignUid = false;
    QList<Planned> m_items;
    QHash<qint64, int> m_plannedIds;
    QHash<QString, int> m_plannedUids;
    bool m_keysRead = false;
    QHash<QString, QList<qint64>> m_byKey;
    qint64 m_unnumbered = 0;
};

void write(Store &store, const QString &table, const Planned &p)
{
    QStringList names;
    QVariantList values;
    for (auto it = p.fields.cbegin(); it != p.fields.cend(); ++it) {
        if (it.key().compare(QLatin1String("ID"), Qt::CaseInsensitive) == 0 ||
            it.key().compare(QLatin1String(schema::foreignUidColumn), Qt::CaseInsensitive) == 0)
            continue;
        names << quoted(it.key());
        values << it.value();
    }
    if (p.action == Action::Add) {
        names.prepend(quoted("ID"));
        values.prepend(p.id);
        if (!p.foreignUid.isEmpty()) {
            names << quoted(QLatin1String(schema::foreignUidColumn));
            values << p.foreignUid;
        }
        store.exec(QString("INSERT INTO %1 (%2) VALUES (%3)")
                       .arg(quoted(table), names.join(", "), QStringList(names.size(), "?").join(", ")),
                   values);
        return;
    }
    if (names.isEmpty())
        return;
    QStringList assignments;
    for (const QString &name : std::as_const(names))
        assignments << name + " = ?";
    values << p.id;
    store.exec(QString("UPDATE %1 SET %2 WHERE ID = ?").arg(quoted(table), assignments.join(", ")), values);
}

// ---------------------------------------------------------------------------------------------
// The texts.

QString nth(int position)
{
    return QStringLiteral("%1번째").arg(position);
}

// At most this many lines of one list in a message; the rest are counted.
constexpr int listedLines = 12;

void appendList(QStringList &lines, const QString &heading, const QStringList &items)
{
    if (items.isEmpty())
        return;
    lines << heading;
    for (int i = 0; i < items.size() && i < listedLines; ++i)
        lines << "  " + items.at(i);
    if (items.size() > listedLines)
        lines << QStringLiteral("  … 외 %1건").arg(items.size() - listedLines);
}

QString countsLine(RecordKind kind, const KindCounts &c)
{
    return QStringLiteral("%1: 추가 %2, 수정 %3, 변경 없음 %4").arg(kindLabel(kind)).arg(c.added).arg(c.updated).arg(c.unchanged);
}

QString foreignLine(const ForeignProperties &foreign)
{
    QStringList names;
    for (auto it = foreign.byName.cbegin(); it != foreign.byName.cend(); ++it)
        names << QStringLiteral("%1 %2").arg(it.key()).arg(it.value());
    return QStringLiteral("옮길 필드가 없어 가져오지 않은 속성 %1개: %2").arg(foreign.count).arg(names.join(", "));
}

QString nameMatchQuestion(int count)
{
    return QStringLiteral("UID가 없는 카드 %1장이 이름과 전화번호 또는 전자우편이 같은 연락처와 맞습니다.\r"
                          "그 연락처를 카드의 내용으로 고치시겠습니까?\r"
                          "(취소: 카드마다 새 연락처로 추가합니다.)")
        .arg(count);
}

// What one file gave.
struct FileItems
{
    QString name; // the file's name, for the messages
    QList<ImportedRecord> records[allKinds.size()];
};

QString readFailure(const QString &path, const QString &reason)
{
    return QStringLiteral("%1: %2").arg(QDir::toNativeSeparators(path), reason);
}

} // namespace

QList<RecordKind> kindsOfFormat(FileFormat format)
{
    if (format == FileFormat::VCard)
        return {RecordKind::Contacts};
    return {RecordKind::Events, RecordKind::Tasks};
}

QString importTitle(FileFormat format)
{
    return format == FileFormat::VCard ? QStringLiteral("vCard 가져오기") : QStringLiteral("iCalendar 가져오기");
}

QString exportTitle(FileFormat format)
{
    return format == FileFormat::VCard ? QStringLiteral("vCard 내보내기") : QStringLiteral("iCalendar 내보내기");
}

FileImportOutcome importFiles(Store &store, const QString &dataDirectory, const FileImportRequest &request,
                              Messages &messages, ListWindowsHost *lists)
{
    FileImportOutcome outcome;
    const QString title = importTitle(request.format);
    const QList<RecordKind> kinds = kindsOfFormat(request.format);

    // Reading: every file whole, before the store is touched.
    QList<FileItems> files;
    QStringList refused, skipped, notes, leftOut;
    ForeignProperties foreign;
    const bool several = request.files.size() > 1;
    for (const QString &path : request.files) {
        const QString shown = QFileInfo(path).fileName();
        const QString prefix = several ? shown + ": " : QString();
        QFile file(path);
        if (QFileInfo(path).isDir() || !file.open(QIODevice::ReadOnly)) {
            refused << readFailure(path, QFileInfo::exists(path) ? QStringLiteral("파일을 읽을 수 없습니다. ") + file.errorString()
                                                                  : QStringLiteral("파일이 없습니다."));
            continue;
        }
        const QByteArray bytes = file.readAll();
        if (file.error() != QFileDevice::NoError) {
            refused << readFailure(path, QStringLiteral("파일을 읽을 수 없습니다. ") + file.errorString());
            continue;
        }
        FileItems items;
        items.name = shown;
        if (request.format == FileFormat::VCard) {
            ContactsFromVCards read = contactsFromVCardFile(bytes, request.vcard);
            QStringList reasons, cardsSkipped, propertiesLeftOut;
            for (const VCardProblem &problem : std::as_const(read.problems)) {
                if (problem.cardSkipped && problem.position > 0)
                    cardsSkipped << prefix + QStringLiteral("%1 카드 (%2번째 줄): %3")
                                                 .arg(nth(problem.position))
                                                 .arg(problem.line)
                                                 .arg(problem.reason);
                else if (problem.position > 0)
                    propertiesLeftOut << prefix + QStringLiteral("%1 카드 %2번째 줄: %3")
                                                      .arg(nth(problem.position))
                                                      .arg(problem.line)
                                                      .arg(problem.reason);
                else
                    reasons << problem.reason;
            }
            if (read.contacts.isEmpty()) {
                if (reasons.isEmpty())
                    for (const VCardProblem &problem : std::as_const(read.problems))
                        reasons << problem.reason;
                refused << readFailure(path, reasons.isEmpty() ? QStringLiteral("vCard가 한 장도 없습니다.")
                                                               : reasons.join(' '));
                continue;
            }
            skipped << cardsSkipped;
            leftOut << propertiesLeftOut;
            for (auto it = read.foreign.byName.cbegin(); it != read.foreign.byName.cend(); ++it) {
                foreign.count += it.value();
                foreign.byName[it.key()] += it.value();
            }
            items.records[static_cast<size_t>(RecordKind::Contacts)] = std::move(read.contacts);
        } else {
            CalendarImport read = recordsFromCalendarFile(bytes, request.calendar);
            if (!read.failure.isEmpty()) {
                refused << readFailure(path, read.failure);
                continue;
            }
            for (const QString &s : std::as_const(read.skipped))
                skipped << prefix + s;
            for (const QString &n : std::as_const(read.notes))
                notes << prefix + n;
            for (auto it = read.foreign.byName.cbegin(); it != read.foreign.byName.cend(); ++it) {
                foreign.count += it.value();
                foreign.byName[it.key()] += it.value();
            }
            items.records[static_cast<size_t>(RecordKind::Events)] = std::move(read.events);
            items.records[static_cast<size_t>(RecordKind::Tasks)] = std::move(read.tasks);
        }
        files << std::move(items);
    }
    outcome.refusedFiles = refused.size();
    outcome.skipped = skipped.size();
    for (const QString &r : std::as_const(refused))
        messages.showFailure(r, title, Icon::Warning);
    if (files.isEmpty()) {
        if (refused.isEmpty())
            messages.showFailure(QStringLiteral("가져올 파일이 없습니다."), title, Icon::Warning);
        return outcome;
    }

    int total = 0;
    for (const FileItems &f : std::as_const(files))
        for (const auto &records : f.records)
            total += records.size();

    std::unique_ptr<DataFolderLock> lock;
    if (!request.dryRun) {
        lock = lockForWriting(store, messages, dataDirectory);
        if (!lock)
            return outcome;
    }
    try {
        if (!request.dryRun)
            store.addMissingColumns();

        // Planning: what each item does, read from the store as it is under the lock.
        std::vector<Planner> planners;
        for (RecordKind kind : kinds)
            planners.emplace_back(store, kind);
        int done = 0;
        for (Planner &planner : planners) {
            for (const FileItems &f : std::as_const(files)) {
                for (const ImportedRecord &item : f.records[static_cast<size_t>(planner.kind())]) {
                    planner.add(item);
                    if (request.progress && ++done % 100 == 0)
                        request.progress(done / 2, total);
                }
            }
        }

        // Cards that name a contact by name and reach: settled by the user.
        int nameMatches = 0;
        for (Planner &planner : planners)
            for (const Planned &p : planner.items())
                nameMatches += p.action == Action::NameMatch ? 1 : 0;
        outcome.nameMatches = nameMatches;
        bool mergeByName = false;
        if (nameMatches > 0 && request.nameMatches == NameMatches::Ask)
            mergeByName = request.dryRun ||
                          messages.show(nameMatchQuestion(nameMatches), title, Buttons::OkCancel, Icon::Question) ==
                              Answer::Ok;
        for (Planner &planner : planners) {
            for (Planned &p : planner.items()) {
                if (p.action != Action::NameMatch)
                    continue;
                if (mergeByName) {
                    p.action = Action::Update;
                } else {
                    planner.makeNew(p);
                    ++outcome.nameMatchesAdded;
                }
            }
            planner.numberNewRecords();
            KindCounts &c = outcome.of(planner.kind());
            for (const Planned &p : planner.items()) {
                c.added += p.action == Action::Add ? 1 : 0;
                c.updated += p.action == Action::Update ? 1 : 0;
                c.unchanged += p.action == Action::Unchanged ? 1 : 0;
            }
        }

        int changes = 0;
        for (RecordKind kind : kinds)
            changes += outcome.of(kind).changes();

        // The message's lines.
        QStringList lines;
        if (request.dryRun)
            lines << QStringLiteral("미리 보기: 가져오면 이렇게 됩니다. 아무것도 바꾸지 않았습니다.");
        else if (changes == 0)
            lines << QStringLiteral("가져올 새 내용이 없어 레코드 저장소를 바꾸지 않았습니다.");
        else
            lines << QStringLiteral("%1를 마쳤습니다.").arg(title);
        for (RecordKind kind : kinds)
            lines << countsLine(kind, outcome.of(kind));
        if (outcome.nameMatchesAdded > 0)
            lines << QStringLiteral("이름과 전화번호 또는 전자우편이 같은 연락처가 있는 카드 %1장은 새 연락처로 추가했습니다.")
                         .arg(outcome.nameMatchesAdded);
        else if (nameMatches > 0)
            lines << QStringLiteral("이름과 전화번호 또는 전자우편이 같은 연락처 %1명은 카드의 내용으로 고쳤습니다.")
                         .arg(nameMatches);
        appendList(lines, QStringLiteral("읽을 수 없어 건너뛴 항목 %1개:").arg(skipped.size()), skipped);
        appendList(lines, QStringLiteral("읽지 못한 속성 %1개:").arg(leftOut.size()), leftOut);
        appendList(lines, QStringLiteral("Norvel이 그대로 반복할 수 없어 바꾼 것:"), notes);
        if (foreign.count > 0)
            lines << foreignLine(foreign);
        if (!refused.isEmpty())
            lines << QStringLiteral("가져오지 못한 파일 %1개 (위의 메시지 참조)").arg(refused.size());
        outcome.text = lines.join('\r');

        if (request.dryRun || changes == 0) {
            messages.show(outcome.text, title);
            outcome.completed = refused.isEmpty();
            return outcome;
        }

        // The store as it was, for an undo; then every change in one transaction.
        QList<RecordKind> changedKinds;
        for (RecordKind kind : kinds)
            if (outcome.of(kind).changes() > 0)
                changedKinds << kind;
        const SnapshotResult snapshot = takeSnapshot(
            dataDirectory, store, request.format == FileFormat::VCard ? operations::vcardImport : operations::icalImport,
            changedKinds);
        if (!snapshot.ok) {
            messages.showFailure(snapshot.failure, title, Icon::Critical);
            return outcome;
        }
        try {
            Store::Transaction transaction(store);
            for (Planner &planner : planners) {
                for (const Planned &p : planner.items()) {
                    if (p.action == Action::Add || p.action == Action::Update)
                        write(store, planner.table(), p);
                    if (request.progress && ++done % 100 == 0)
                        request.progress(done / 2, total);
                }
            }
            transaction.commit();
        } catch (const StoreError &) {
            // Nothing was written: the copy would only stand in the history as an import to undo.
            QDir(snapshot.folder).removeRecursively();
            throw;
        }
        if (request.progress)
            request.progress(total, total);
        outcome.changed = true;
        outcome.backupFolder = snapshot.folder;
        if (lists)
            for (RecordKind kind : changedKinds)
                lists->reloadList(kind);
        messages.show(outcome.text, title);
        outcome.completed = refused.isEmpty();
        return outcome;
    } catch (const StoreError &e) {
        messages.showFailure(e.message() + QStringLiteral("\r가져오기를 멈췄습니다. 레코드 저장소는 그대로입니다."), title,
                             Icon::Critical);
        return outcome;
    }
}

} // namespace pimdesk::formats
