#pragma once

#include "records/Kinds.h"

#include <QString>
#include <QTemporaryDir>
#include <memory>
#include <optional>

namespace pimdesk {

class Store;

// How the records of one table compare with those of another by identity (ID) and content (every
// field, letter case included; a null field equals a blank one).
struct RecordDifference
{
    qint64 added = 0;     // identities only the first has
    qint64 changed = 0;   // identities both have, with different content
    qint64 unchanged = 0; // identities both have, with the same content
    qint64 removed = 0;   // identities only the second has
};

// table of store compared with the same table of the store file at otherStorePath.
RecordDifference compareTables(Store &store, const QString &otherStorePath, const QString &table);

// Throw-away stores in a temporary folder, to read documents into or to copy the store into, so
// that a comparison goes through the same readers as an import and touches nothing of the user's.
class ScratchStores
{
public:
    ScratchStores();
    bool isValid() const { return m_dir.isValid(); }
    // A new empty store.
    std::shared_ptr<Store> empty(const QString &name);
    // A new store holding the records of document (a document of kind; a missing or empty file
    // holds none). Null after setting failure when the document cannot be read.
    std::shared_ptr<Store> fromDocument(RecordKind kind, const QString &document, const QString &name,
                                        QString *failure);
    // A copy of store.
    std::shared_ptr<Store> copyOf(Store &store, const QString &name, QString *failure);
    QString path(const QString &name) const;

private:
    QTemporaryDir m_dir;
};

// Another store's file attached to a store's connection under a schema name while the object
// lives (declared before a transaction of that connection, so that it goes after it).
class AttachedStore
{
public:
    AttachedStore(Store &store, const QString &path, const QString &name); // throws StoreError
    ~AttachedStore();
    AttachedStore(const AttachedStore &) = delete;
    AttachedStore &operator=(const AttachedStore &) = delete;

private:
    Store &m_store;
    QString m_name;
};

// The records of the handheld document newer compared with those of the document older (a
// missing older holds no records). nullopt after setting failure when either cannot be read.
std::optional<RecordDifference> compareDocuments(RecordKind kind, const QString &newer, const QString &older,
                                                 QString *failure);

} // namespace pimdesk
