#pragma once

// Moving the store's records through other programs' files: vCard for contacts, iCalendar for events
// and tasks. The import and export of the command line and of the program's 파일 menu.

#include "formats/CalendarFiles.h"
#include "formats/VCard.h"
#include "records/Kinds.h"

#include <QList>
#include <QMap>
#include <QString>
#include <QStringList>

#include <array>
#include <functional>

namespace pimdesk {

class ListWindowsHost;
class Messages;
class Store;

namespace formats {

enum class FileFormat { VCard, ICalendar };

// The kinds a format carries: contacts for vCard, events and tasks for iCalendar.
QList<RecordKind> kindsOfFormat(FileFormat format);
// The titles of the messages: "vCard 가져오기", "iCalendar 내보내기" ...
QString importTitle(FileFormat format);
QString exportTitle(FileFormat format);

// Cards without a UID that name a stored contact (same display name) and share a phone number or an
// e-mail address with it: the same person, most likely, but only the user can say so.
enum class NameMatches {
    Add, // each becomes a new contact (the command line without --merge-by-name)
    Ask, // one question for all of them: OK updates those contacts, Cancel adds new ones
};

// Called while an import or an export works through its items: how many are done of how many.
using Progress = std::function<void(int done, int total)>;

struct FileImportRequest
{
    FileFormat format = FileFormat::VCard;
    QStringList files;
    bool dryRun = false; // count what would change, change nothing
    NameMatches nameMatches = NameMatches::Add;
    VCardReadOptions vcard;
    CalendarOptions calendar;
    Progress progress;
};

struct KindCounts
{
    int added = 0;
    int updated = 0;
    int unchanged = 0;
    int changes() const { return added + updated; }
};

struct FileImportOutcome
{
    bool completed = false; // every readable file was imported (or, in a dry run, counted)
    bool changed = false;   // the store was written
    QString backupFolder;   // the snapshot taken before, when the store was written
    std::array<KindCounts, allKinds.size()> counts{};
    int nameMatches = 0;      // cards that matched a contact by name and a phone or e-mail
    int nameMatchesAdded = 0; // ... and were added as new contacts
    int skipped = 0;          // items that could not be read
    int refusedFiles = 0;     // files that gave nothing
    QString text;             // the completion message (or the dry run's), as it was shown

    KindCounts &of(RecordKind kind) { return counts[static_cast<size_t>(kind)]; }
    const KindCounts &of(RecordKind kind) const { return counts[static_cast<size_t>(kind)]; }
};

// Reads the files and merges their items into the store in one transaction. Identity decides what
// becomes of an item: a UID this store wrote ("pimdesk-contact-12") updates that record; another UID
// updates the record that keeps it in foreign_uid, or becomes a new record that keeps it; an item
// without UID equal to a stored record changes nothing, and a card without UID that matches a
// contact by name and a phone or e-mail is settled by nameMatches. An update writes the fields the
// item gives and keeps the others. The store is first copied into a backup folder (so that undo can
// take the import back), under the data folder's lock; an import that would change nothing takes
// no copy and writes nothing. A file that cannot be read, or holds nothing of its format, is
// refused with a message and the others are imported; an item that cannot be read is skipped and
// named by its place. The completion message says how many were added, updated and left as they
// were, which items were skipped, which properties no field takes, and what the handheld cannot
// repeat as the file had it.
FileImportOutcome importFiles(Store &store, const QString &dataDirectory, const FileImportRequest &request,
                              Messages &messages, ListWindowsHost *lists = nullptr);

struct FileExportRequest
{
    FileFormat format = FileFormat::VCard;
    QString file;
    VCardVersion version = VCardVersion::V30;
    QList<RecordKind> kinds; // empty: every kind of the format
    // The record source to export per kind (what a list shows, its search); absent: the whole table.
    QMap<RecordKind, QString> recordSources;
    CalendarOptions calendar;
    Progress progress;
};

struct FileExportOutcome
{
    bool written = false;
    std::array<int, allKinds.size()> counts{};
    QString text;
    int of(RecordKind kind) const { return counts[static_cast<size_t>(kind)]; }
};

// Writes the records into one file (replaced whole: written beside it, then renamed over it). Every
// card and component has a UID that names its record: the UID it came with from another program,
// else this store's own. Nothing to export is said, and no file is written.
FileExportOutcome exportFile(Store &store, const FileExportRequest &request, Messages &messages);

// The records of one record source of a kind, each as field name to stored text (null fields left
// out), foreign_uid included.
QList<QMap<QString, QString>> recordsOfSource(Store &store, RecordKind kind, const QString &recordSource = QString());

} // namespace formats
} // namespace pimdesk
