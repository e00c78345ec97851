// One handheld document reader on arbitrary bytes. The store holds two records before each read;
// afterwards it must open again and pass SQLite's check, keep those records (nothing is deleted),
// and be exactly as before when the read failed. The same document held in memory (as a sync
// compares documents) must give the same answer, and, stored, the same records as a read into an
// empty store.
#include "FuzzSupport.h"

#include "exchange/DeviceReaders.h"
#include "records/Store.h"

#include <QDir>
#include <QFile>

using namespace pimdesk;

namespace {

const RecordKind kind = RecordKind::FUZZ_KIND;

QString table()
{
    return QString::fromLatin1(kindInfo(kind).table);
}

// Two records that the documents may overwrite but never remove.
void resetTable(Store &store)
{
    static QString textColumn;
    if (textColumn.isEmpty()) {
        for (const QString &c : store.columnNames(table()))
            if (c.compare("ID", Qt::CaseInsensitive) != 0) {
                textColumn = c;
                break;
            }
    }
    Store::Transaction transaction(store);
    store.exec(QString("DELETE FROM \"%1\"").arg(table()));
    const QString insert = QString("INSERT INTO \"%1\" (\"ID\", \"%2\") VALUES (?, ?)").arg(table(), textColumn);
    store.exec(insert, {1, QStringLiteral("하나")});
    store.exec(insert, {2, QStringLiteral("two")});
    transaction.commit();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int runs = 0;
    auto store = fuzz::openStore(++runs % 5000 == 0);
    const QString staging = QDir(fuzz::workFolder()).filePath(QLatin1String(kindInfo(kind).documentName));
    {
        QFile file(staging);
        if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) ||
            file.write(reinterpret_cast<const char *>(data), qint64(size)) != qint64(size))
            fuzz::finding("the staging file cannot be written", file.errorString());
    }
    try {
        resetTable(*store);
    } catch (const StoreError &e) {
        fuzz::finding("the store cannot be reset", e.message());
    }
    const QByteArray before = fuzz::tableDigest(*store, table());

    const ReadResult result = readDeviceDocument(kind, *store, staging);

    try {
        if (!result.ok) {
            if (result.failure.isEmpty())
                fuzz::finding("a failed read says nothing");
            if (fuzz::tableDigest(*store, table()) != before)
                fuzz::finding("a failed read changed the store", result.failure);
        } else {
            const qint64 kept =
                store->scalar(QString("SELECT count(*) FROM \"%1\" WHERE \"ID\" IN (1, 2)").arg(table())).toLongLong();
            if (kept != 2)
                fuzz::finding("a read removed records");
            if (store->count(table()) > 2 + result.merged)
                fuzz::finding("more records than were merged");
        }
        if (!fuzz::integrityOk(*store))
            fuzz::finding("the store fails its check after a read");
        const DocumentRecords held = readDocumentRecords(kind, staging);
        if (held.ok != result.ok || held.skipped != result.skipped || held.failure != result.failure)
            fuzz::finding("the document held in memory reads otherwise", held.failure);
        if (held.ok) {
            static const std::shared_ptr<Store> direct =
                Store::open(Store::pathInDirectory(QDir(fuzz::workFolder()).filePath("direct")));
            static const std::shared_ptr<Store> stored =
                Store::open(Store::pathInDirectory(QDir(fuzz::workFolder()).filePath("held")));
            direct->exec(QString("DELETE FROM \"%1\"").arg(table()));
            stored->exec(QString("DELETE FROM \"%1\"").arg(table()));
            readDeviceDocument(kind, *direct, staging);
            QSet<qint64> ids;
            for (auto it = held.records.cbegin(); it != held.records.cend(); ++it)
                ids.insert(it.key());
            storeDocumentRecords(kind, held, ids, *stored);
            // The same records; the order they were stored in is not asked for.
            if (fuzz::tableDigest(*direct, table(), "\"ID\"") != fuzz::tableDigest(*stored, table(), "\"ID\""))
                fuzz::finding("the records held in memory are stored otherwise than read");
        }
        // Another connection sees a store of ours (every failed read, and now and then).
        if (!result.ok || runs % 16 == 0) {
            auto again = Store::open(store->path());
            if (!fuzz::integrityOk(*again))
                fuzz::finding("the store fails its check on a second connection");
        }
    } catch (const StoreError &e) {
        fuzz::finding("the store is unusable after a read", e.message());
    }
    return 0;
}
