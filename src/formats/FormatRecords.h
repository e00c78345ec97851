#pragma once

#include "records/Kinds.h"

#include <QMap>
#include <QString>
#include <QStringList>
#include <optional>

namespace pimdesk::formats {

// One record of the store as the mappings see it: field name (spelled as the store's schema spells
// it) to stored text, in the store's form (see records/StoreText.h). A field missing from the map
// is absent; the store treats null, empty and blank alike.
using StoreRecord = QMap<QString, QString>;

// A record read from a file, with what the caller needs to find it in the store again.
struct ImportedRecord
{
    StoreRecord fields; // never holds ID
    // The ID of the record it was written from, when the item carries our own identity
    // ("pimdesk-<kind>-<ID>").
    std::optional<qint64> ownId;
    // Otherwise the item's own identity in the file (its UID), for the caller to keep beside the
    // record so that a second import of the same file updates instead of adding. An occurrence that
    // was taken out of a series as an event of its own gets the series' UID followed by "#" and
    // its original local start (yyyyMMddTHHmmss).
    QString foreignUid;
    int position = 0; // the item's place in its file (card or component, counting from 1)
};

// Properties of a file that no store field takes, counted by name for the completion message.
struct ForeignProperties
{
    int count = 0;
    QMap<QString, int> byName;

    void add(const QString &name)
    {
        ++count;
        ++byName[name];
    }
};

// The identity written for a record ("pimdesk-contact-12", "pimdesk-event-3", "pimdesk-task-7"),
// and the ID such an identity names (nullopt for any other text).
QString ownUid(RecordKind kind, qint64 id);
std::optional<qint64> idFromOwnUid(RecordKind kind, const QString &uid);

// The private property that carries a store field no standard property takes: X-PIMDESK- and the
// field's name in upper case with "_" as "-" ("O_Office" -> "X-PIMDESK-O-OFFICE"). The way back
// looks the name up among a table's fields (one of the schema's lists, which it remembers); a null
// text when none has it.
QByteArray privatePropertyName(const QString &field);
QString fieldOfPrivateProperty(QByteArrayView propertyName, const QStringList &fields);

// A stored value counts as absent when it holds nothing but blanks.
inline bool isAbsent(const QString &value)
{
    return value.trimmed().isEmpty();
}

} // namespace pimdesk::formats
