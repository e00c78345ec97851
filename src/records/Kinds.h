#pragma once

#include <QString>
#include <QtGlobal>
#include <array>

namespace pimdesk {

// The three kinds of record that travel between the store and the handheld, in the order every
// exchange handles them: contacts, events, tasks.
enum class RecordKind { Contacts, Events, Tasks };

inline constexpr std::array<RecordKind, 3> allKinds{RecordKind::Contacts, RecordKind::Events, RecordKind::Tasks};

struct DocumentLayout;

// What differs between the kinds, one row per kind. Code that handles the kinds alike reads its
// column here instead of telling the kinds apart; a new per-kind mapping is a new column.
// Behaviour that belongs to a layer above the store (the Outlook items' field maps, for one) is a
// table of that layer, indexed by RecordKind and checked against allKinds.
//
// Texts are UTF-8.
struct KindInfo
{
    RecordKind kind;
    const char *table; // table of the record store

    // Names of the kind.
    const char *key;      // in the backup manifests and the command line's history: "contacts"
    const char *label;    // in the messages that name the kind: "연락처"
    const char *bookName; // the kind's book, as the handheld's application and Outlook's folder are
                          // called in the messages about them: "주소록"

    // The handheld.
    const char *documentName;       // bare file name, on the handheld and in the staging folder
    const char *handheldFolder;     // below the handheld's root, '/'-separated
    const DocumentLayout *document; // the document's shape and its attributes, for reader and writer
    const char *exportCompleted;    // the message after an export of the kind
    const char *importCompleted;    // the message after an import of the kind

    // The windows.
    const char *listWindow; // object name of the kind's list window
    const char *listSource; // the record source the list shows when it is opened

    // Outlook.
    int outlookFolder; // number of Outlook's default folder of the kind (OlDefaultFolders)
    int outlookStep;   // place in an Outlook import sequence, which runs contacts, tasks, calendar

    // Other programs' files (vCard, iCalendar).
    const char *uidName; // the kind in the UIDs this store writes: "pimdesk-contact-12"
};

const KindInfo &kindInfo(RecordKind kind);

QString kindKey(RecordKind kind);   // "contacts", "events", "tasks"
QString kindLabel(RecordKind kind); // "연락처", "일정", "작업"
QString kindBookName(RecordKind kind);

// The record source that selects the record with that ID ("SELECT * FROM Contacts WHERE ID =  12":
// a blank stands where a minus sign would, as these texts have always been written).
QString recordByIdSql(RecordKind kind, qint64 id);

} // namespace pimdesk
