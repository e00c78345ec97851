#pragma once

#include "outlook/OutlookModel.h"
#include "outlook/pst/Properties.h"

#include <QList>
#include <QString>
#include <exception>
#include <memory>

namespace pimdesk::pst {

// Why an Outlook data file cannot be read. The texts are for the user; a message shows the reason,
// then the file's path on a line of its own.
class ReadError : public std::exception
{
public:
    enum class Problem { Missing, Unreadable, Empty, NotOutlook, Damaged, PasswordProtected };

    ReadError(Problem problem, QString path);
    Problem problem() const { return m_problem; }
    const QString &path() const { return m_path; }
    QString message() const; // reason, carriage return, path
    const char *what() const noexcept override { return m_utf8.constData(); }

    static QString reason(Problem problem);

private:
    Problem m_problem;
    QString m_path;
    QByteArray m_utf8;
};

// One item of a folder, copied out of the file: reading its values later cannot fail.
struct Message
{
    quint32 identifier = 0; // the item's node id
    QString messageClass;
    Properties properties;
    QByteArray rtf; // the decompressed RTF body, only for items without a plain or an HTML body
};

// An Outlook data file (.pst, .ost) opened for reading through libpff.
class File
{
public:
    // Opens path; throws ReadError when it is missing, empty, not an Outlook data file, damaged or
    // protected by a password (Outlook would ask for it, so the file is not read behind its back).
    static std::unique_ptr<File> open(const QString &path);
    ~File();
    File(const File &) = delete;
    File &operator=(const File &) = delete;

    const QString &path() const { return m_path; }
    // The store's own UID (its record key): the middle of every entry id of the file.
    const QByteArray &recordKey() const { return m_recordKey; }
    bool isAnsi() const { return m_ansi; }

    // The node id of a default folder (contacts, tasks or calendar) as Outlook finds it, or 0 when
    // the file has none of that kind.
    quint32 defaultFolder(outlook::DefaultFolder kind) const;
    // The items of a folder, in the folder's order. Throws ReadError (Damaged) when one cannot be read.
    QList<Message> messages(quint32 folder) const;

    // A folder's name, for messages and tests; every folder's node id, depth first.
    QString folderName(quint32 folder) const;
    QList<quint32> folders() const;

private:
    struct FolderInfo
    {
        quint32 identifier = 0;
        quint32 parent = 0;
        int depth = 0;
        QString name;
        QString containerClass;
        bool hidden = false;
        QByteArray folderId;                 // 0x67F4 of an offline store's folder
        QHash<quint16, QByteArray> defaults; // special-folder entry ids the folder carries
    };
    struct Handles;

    File(QString path);
    void indexFolders();
    quint32 folderFromEntryId(const QByteArray &entryId) const;
    const FolderInfo *folder(quint32 identifier) const;
    quint32 ipmSubtree() const;
    static quint64 creationOrder(const FolderInfo &info);
    [[noreturn]] void fail(ReadError::Problem problem) const;

    QString m_path;
    std::unique_ptr<Handles> m_handles;
    QByteArray m_recordKey;
    QByteArray m_ipmSubtreeEntryId;
    bool m_ansi = false;
    QList<FolderInfo> m_folders; // depth first, in the file's order
};

// The entry id Outlook reports for an item of a personal store: flags (4 zero bytes), the store's
// record key and the item's node id (little-endian), as upper-case hex.
QString entryIdText(const QByteArray &recordKey, quint32 identifier);

} // namespace pimdesk::pst
