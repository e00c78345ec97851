#include "FuzzSupport.h"

#include "records/Store.h"

#include <QCryptographicHash>
#include <QDir>
#include <QTemporaryDir>

#include <cstdio>
#include <cstdlib>

namespace pimdesk::fuzz {

void finding(const char *what, const QString &detail)
{
    std::fprintf(stderr, "FINDING: %s\n%s\n", what, detail.toUtf8().constData());
    std::abort();
}

QString workFolder()
{
    static QTemporaryDir folder(QDir::tempPath() + "/pimdesk-fuzz-XXXXXX");
    if (!folder.isValid())
        finding("no temporary folder", folder.errorString());
    return folder.path();
}

std::shared_ptr<Store> openStore(bool fresh)
{
    static std::shared_ptr<Store> store;
    if (!store || fresh) {
        store.reset();
        try {
            store = Store::open(Store::pathInDirectory(workFolder()));
            // Durability against power loss is not what is tested here; speed is wanted.
            store->exec("PRAGMA synchronous = OFF");
        } catch (const StoreError &e) {
            finding("the work store cannot be opened", e.message());
        }
    }
    return store;
}

QByteArray tableDigest(Store &store, const QString &table, const QString &order)
{
    QCryptographicHash hash(QCryptographicHash::Sha1);
    Store::Query rows(store, QString("SELECT * FROM \"%1\" ORDER BY %2").arg(table, order));
    while (rows.next()) {
        for (int c = 0; c < rows.columnCount(); ++c) {
            const QByteArrayView v = rows.utf8(c);
            hash.addData(v.isNull() ? QByteArrayView("\x01N") : v);
            hash.addData(QByteArrayView("\x00", 1));
        }
        hash.addData(QByteArrayView("\n"));
    }
    return hash.result();
}

bool integrityOk(Store &store)
{
    return store.scalar("PRAGMA quick_check").toString() == QLatin1String("ok");
}

} // namespace pimdesk::fuzz
