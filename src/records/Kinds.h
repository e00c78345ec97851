#pragma once

#include <QString>
#include <array>

namespace pimdesk {

// The three kinds of record that travel between the store and the handheld, in the order every
// exchange handles them: contacts, events, tasks.
enum class RecordKind { Contacts, Events, Tasks };

inline constexpr std::array<RecordKind, 3> allKinds{RecordKind::Contacts, RecordKind::Events, RecordKind::Tasks};

struct KindInfo
{
    RecordKind kind;
    const char *table;          // table of the record store
    const char *documentName;   // bare file name, on the handheld and in the staging folder
    const char *handheldFolder; // below the handheld's root, '/'-separated
    const char *listWindow;     // object name of the kind's list window
    const char *listSource;     // the record source the list shows when it is opened
};

inline const KindInfo &kindInfo(RecordKind kind)
{
    static const KindInfo infos[] = {
        {RecordKind::Contacts, "Contacts", "addressbook.xml", "Qtopia/Applications/addressbook", "SUB2_1", "Contacts"},
        {RecordKind::Events, "Datebook", "datebook.xml", "Qtopia/Applications/datebook", "SUB4_1",
         "SELECT * FROM Datebook ORDER BY Start DESC"},
        {RecordKind::Tasks, "Todo", "todolist.xml", "Qtopia/Applications/todolist", "SUB3_1", "Todo"},
    };
    return infos[int(kind)];
}

} // namespace pimdesk
