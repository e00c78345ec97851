// Typed text through the Jet-to-SQLite translation: as a criterion value (through jet::quote) it
// must always give SQL that prepares and finds the record holding exactly that text, with = and
// with LIKE; as a whole record source it must give SQL that prepares or a StoreError, never a crash
// or another exception.
#include "FuzzSupport.h"

#include "records/JetSql.h"
#include "records/RecordSet.h"
#include "records/Store.h"

using namespace pimdesk;

namespace {

qint64 countWhere(Store &store, const QString &jetCriteria, bool withParameters)
{
    const QString jet = "SELECT count(*) FROM Contacts WHERE " + jetCriteria;
    QVariantList parameters;
    const QString sql = jet::toSqlite(jet, withParameters ? &parameters : nullptr);
    return store.scalar(sql, parameters).toLongLong();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    static int runs = 0;
    auto store = fuzz::openStore(++runs % 2000 == 0);
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    static QString column;
    if (column.isEmpty())
        column = store->columnNames("Contacts").value(1);

    // 1. A value typed into a search box.
    try {
        store->exec("DELETE FROM Contacts");
        store->exec(QString("INSERT INTO Contacts (\"ID\", \"%1\") VALUES (1, ?)").arg(column), {text});
        // A NUL character ends an SQL text for SQLite: written into the statement it is refused
        // with a StoreError; bound as a parameter it must work. It also ends text in SQLite's
        // comparisons, so such a value need not find itself.
        const bool hasNul = text.contains(QChar(0));
        for (const char *op : {"=", "LIKE"}) {
            const QString criteria = QString("[%1] %2 %3").arg(column, QLatin1String(op), jet::quote(text));
            for (bool withParameters : {false, true}) {
                qint64 n = 0;
                try {
                    n = countWhere(*store, criteria, withParameters);
                } catch (const StoreError &e) {
                    if (withParameters || !hasNul)
                        fuzz::finding("a quoted value gives SQL that fails", e.message());
                    continue;
                }
                if (!hasNul && n != 1)
                    fuzz::finding("a quoted value does not find itself", criteria);
            }
        }
    } catch (const StoreError &e) {
        fuzz::finding("the work store failed", e.message());
    }

    // 2. The text as a whole record source or criteria text.
    try {
        const jet::Source source = jet::parseSource(text);
        if (source.valid)
            store->prepare(jet::selectSql(source, "rowid"));
    } catch (const StoreError &) {
    }
    try {
        RecordSet records(store, text);
        records.moveFirst();
        if (!records.eof())
            records.rowValues(0);
    } catch (const StoreError &) {
    }
    try {
        RecordSet records(store, "Contacts");
        records.findFirst(text);
    } catch (const StoreError &) {
    }
    return 0;
}
