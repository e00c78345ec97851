#include "outlook/pst/PstFile.h"

#include "outlook/pst/CodePages.h"

#include <QFileInfo>
#include <QtEndian>
#include <algorithm>
#include <functional>
#include <libpff.h>

namespace pimdesk::pst {

ReadError::ReadError(Problem problem, QString path)
    : m_problem(problem), m_path(std::move(path)), m_utf8(message().toUtf8())
{}

QString ReadError::reason(Problem problem)
{
    switch (problem) {
    case Problem::Missing:
        return QStringLiteral("Outlook 데이터 파일을 찾을 수 없습니다.");
    case Problem::Unreadable:
        return QStringLiteral("Outlook 데이터 파일을 읽을 수 없습니다.");
    case Problem::Empty:
        return QStringLiteral("Outlook 데이터 파일이 비어 있습니다.");
    case Problem::NotOutlook:
        return QStringLiteral("Outlook 데이터 파일(.pst, .ost)이 아닙니다.");
    case Problem::Damaged:
        return QStringLiteral("Outlook 데이터 파일이 손상되어 읽을 수 없습니다.");
    case Problem::PasswordProtected:
        return QStringLiteral("암호로 보호된 Outlook 데이터 파일입니다. Outlook에서 암호를 없앤 뒤 다시 가져오십시오.");
    }
    return QString();
}

QString ReadError::message() const
{
    return reason(m_problem) + QChar(13) + m_path;
}

namespace {

// libpff's handles, freed when they go out of scope. Errors are freed at once: the user gets the
// program's own reasons, not libpff's.
struct Error
{
    libpff_error_t *error = nullptr;
    ~Error() { clear(); }
    void clear()
    {
        if (error)
            libpff_error_free(&error);
        error = nullptr;
    }
    libpff_error_t **operator&() { return &error; }
};

struct Item
{
    libpff_item_t *item = nullptr;
    Item() = default;
    Item(const Item &) = delete;
    Item &operator=(const Item &) = delete;
    ~Item()
    {
        if (item) {
            libpff_error_t *error = nullptr;
            libpff_item_free(&item, &error);
            if (error)
                libpff_error_free(&error);
        }
    }
    libpff_item_t **operator&() { return &item; }
    operator libpff_item_t *() const { return item; }
};

// Copies every property of an item's own record set. False when the item cannot be read.
bool readProperties(libpff_item_t *item, Properties &properties)
{
    Error error;
    libpff_record_set_t *set = nullptr;
    int sets = 0;
    if (libpff_item_get_number_of_record_sets(item, &sets, &error) != 1)
        return false;
    if (sets == 0)
        return true;
    if (libpff_item_get_record_set_by_index(item, 0, &set, &error) != 1)
        return false;
    int entries = 0;
    bool ok = libpff_record_set_get_number_of_entries(set, &entries, &error) == 1;
    for (int i = 0; ok && i < entries; ++i) {
        libpff_record_entry_t *entry = nullptr;
        if (libpff_record_set_get_entry_by_index(set, i, &entry, &error) != 1) {
            ok = false;
            break;
        }
        uint32_t entryType = 0, valueType = 0;
        size_t size = 0;
        PropertyValue value;
        ok = libpff_record_entry_get_entry_type(entry, &entryType, &error) == 1 &&
             libpff_record_entry_get_value_type(entry, &valueType, &error) == 1 &&
             libpff_record_entry_get_data_size(entry, &size, &error) != -1;
        if (ok && size > 0) {
            value.data.resize(qsizetype(size));
            ok = libpff_record_entry_get_data(entry, reinterpret_cast<uint8_t *>(value.data.data()), size, &error) == 1;
        }
        value.type = quint16(valueType);
        libpff_name_to_id_map_entry_t *name = nullptr;
        const int named = ok ? libpff_record_entry_get_name_to_id_map_entry(entry, &name, &error) : 0;
        if (named == 1) {
            NamedProperty key;
            uint8_t kind = 0;
            uint8_t guid[16] = {};
            if (libpff_name_to_id_map_entry_get_type(name, &kind, &error) == 1 &&
                libpff_name_to_id_map_entry_get_guid(name, guid, sizeof guid, &error) == 1) {
                key.guid = QByteArray(reinterpret_cast<const char *>(guid), sizeof guid);
                if (kind == LIBPFF_NAME_TO_ID_MAP_ENTRY_TYPE_NUMERIC) {
                    uint32_t lid = 0;
                    if (libpff_name_to_id_map_entry_get_number(name, &lid, &error) == 1) {
                        key.lid = lid;
                        properties.insert(key, std::move(value));
                    }
                } else {
                    size_t nameSize = 0;
                    if (libpff_name_to_id_map_entry_get_utf8_string_size(name, &nameSize, &error) == 1 &&
                        nameSize > 0) {
                        QByteArray utf8(qsizetype(nameSize), '\0');
                        if (libpff_name_to_id_map_entry_get_utf8_string(name, reinterpret_cast<uint8_t *>(utf8.data()),
                                                                        nameSize, &error) == 1) {
                            key.name = QString::fromUtf8(utf8.constData());
                            properties.insert(key, std::move(value));
                        }
                    }
                }
            }
            error.clear();
        } else if (named == -1) {
            ok = false;
        } else if (ok && entryType < 0x10000) {
            properties.insert(quint16(entryType), std::move(value));
        }
        libpff_record_entry_free(&entry, &error);
    }
    libpff_record_set_free(&set, &error);
    return ok;
}

// The code page an item's 8-bit texts are written in, as the item declares it.
int codePageOf(const Properties &properties, int fallback)
{
    if (auto page = properties.integer(properties.find(tag::MessageCodepage)); page && *page > 0) {
        if (const int windows = codePageOfInternetCodePage(quint32(*page)))
            return windows;
    }
    if (auto locale = properties.integer(properties.find(tag::MessageLocaleId)); locale && *locale > 0)
        return codePageOfLocale(quint32(*locale));
    if (auto page = properties.integer(properties.find(tag::InternetCodepage)); page && *page > 0) {
        if (const int windows = codePageOfInternetCodePage(quint32(*page)))
            return windows;
    }
    return fallback;
}

QString folderName(libpff_item_t *folder)
{
    Error error;
    size_t size = 0;
    if (libpff_folder_get_utf8_name_size(folder, &size, &error) != 1 || size == 0)
        return QString();
    QByteArray utf8(qsizetype(size), '\0');
    if (libpff_folder_get_utf8_name(folder, reinterpret_cast<uint8_t *>(utf8.data()), size, &error) != 1)
        return QString();
    return QString::fromUtf8(utf8.constData());
}

constexpr quint32 nodeType(quint32 identifier)
{
    return identifier & 0x1F;
}
constexpr quint32 normalFolderType = 0x02;

} // namespace

struct File::Handles
{
    libpff_file_t *file = nullptr;
    ~Handles()
    {
        if (!file)
            return;
        libpff_error_t *error = nullptr;
        libpff_file_close(file, &error);
        if (error)
            libpff_error_free(&error);
        libpff_file_free(&file, &error);
        if (error)
            libpff_error_free(&error);
    }
};

File::File(QString path) : m_path(std::move(path)), m_handles(std::make_unique<Handles>()) {}

File::~File() = default;

void File::fail(ReadError::Problem problem) const
{
    throw ReadError(problem, m_path);
}

std::unique_ptr<File> File::open(const QString &path)
{
    std::unique_ptr<File> file(new File(path));
    const QFileInfo info(path);
    if (!info.exists())
        file->fail(ReadError::Problem::Missing);
    if (!info.isFile() || !info.isReadable())
        file->fail(ReadError::Problem::Unreadable);
    if (info.size() == 0)
        file->fail(ReadError::Problem::Empty);

    const QByteArray nativePath = QFile::encodeName(path);
    Error error;
    const int signature = libpff_check_file_signature(nativePath.constData(), &error);
    if (signature == -1)
        file->fail(ReadError::Problem::Unreadable);
    if (signature == 0)
        file->fail(ReadError::Problem::NotOutlook);
    if (libpff_file_initialize(&file->m_handles->file, &error) != 1)
        file->fail(ReadError::Problem::Unreadable);
    if (libpff_file_open(file->m_handles->file, nativePath.constData(), LIBPFF_OPEN_READ, &error) != 1) {
        file->fail(ReadError::Problem::Damaged);
    }
    libpff_file_t *handle = file->m_handles->file;

    uint8_t type = 0, contentType = 0;
    if (libpff_file_get_type(handle, &type, &error) != 1 ||
        libpff_file_get_content_type(handle, &contentType, &error) != 1)
        file->fail(ReadError::Problem::Damaged);
    file->m_ansi = type == LIBPFF_FILE_TYPE_32BIT;

    Item store;
    const int hasStore = libpff_file_get_message_store(handle, &store, &error);
    if (hasStore == -1)
        file->fail(ReadError::Problem::Damaged);
    if (hasStore == 1) {
        Properties properties;
        if (!readProperties(store, properties))
            file->fail(ReadError::Problem::Damaged);
        file->m_recordKey = properties.binary(properties.find(tag::RecordKey));
        file->m_ipmSubtreeEntryId = properties.binary(properties.find(tag::IpmSubtreeEntryId));
        // Outlook asks for the password of a personal store that has one; an offline store's
        // field means something else.
        const qint64 password = properties.integer(properties.find(tag::PstPassword)).value_or(0);
        if (contentType == LIBPFF_FILE_CONTENT_TYPE_PST && password != 0)
            file->fail(ReadError::Problem::PasswordProtected);
    }
    if (file->m_recordKey.size() != 16)
        file->m_recordKey = QByteArray(16, '\0'); // stable, if not Outlook's
    file->indexFolders();
    return file;
}

void File::indexFolders()
{
    Error error;
    Item root;
    if (libpff_file_get_root_folder(m_handles->file, &root, &error) != 1)
        fail(ReadError::Problem::Damaged);

    // Depth first, so that a folder found by class is the first one Outlook's folder list shows.
    const std::function<void(libpff_item_t *, quint32, int)> walk = [&](libpff_item_t *folderItem, quint32 parent,
                                                                        int depth) {
        FolderInfo info;
        uint32_t identifier = 0;
        Properties properties;
        properties.setCodePage(defaultCodePage);
        if (libpff_item_get_identifier(folderItem, &identifier, &error) != 1 || !readProperties(folderItem, properties))
            fail(ReadError::Problem::Damaged);
        info.identifier = identifier;
        info.parent = parent;
        info.depth = depth;
        info.name = pst::folderName(folderItem);
        info.containerClass = properties.text(tag::ContainerClass);
        info.hidden = properties.flag(properties.find(tag::AttributeHidden));
        info.folderId = properties.binary(properties.find(tag::FolderId));
        for (quint16 id : {tag::IpmAppointmentEntryId, tag::IpmContactEntryId, tag::IpmTaskEntryId}) {
            if (const PropertyValue *value = properties.find(id))
                info.defaults.insert(id, value->data);
        }
        m_folders.append(info);
        if (depth > 64)
            return; // a loop in a damaged file
        int count = 0;
        if (libpff_folder_get_number_of_sub_folders(folderItem, &count, &error) != 1)
            fail(ReadError::Problem::Damaged);
        for (int i = 0; i < count; ++i) {
            Item sub;
            if (libpff_folder_get_sub_folder(folderItem, i, &sub, &error) != 1)
                fail(ReadError::Problem::Damaged);
            walk(sub, identifier, depth + 1);
        }
    };
    walk(root, 0, 0);
}

quint64 File::creationOrder(const FolderInfo &info)
{
    // An offline store's folder id ends in a counter that grows as folders are made; a personal
    // store hands out node ids in the order it makes its nodes.
    if (info.folderId.size() == 8)
        return qFromBigEndian<quint64>(QByteArray(2, '\0').append(info.folderId.mid(2, 6)).constData());
    return info.identifier >> 5;
}

const File::FolderInfo *File::folder(quint32 identifier) const
{
    for (const FolderInfo &info : m_folders)
        if (info.identifier == identifier)
            return &info;
    return nullptr;
}

QString File::folderName(quint32 identifier) const
{
    const FolderInfo *info = folder(identifier);
    return info ? info->name : QString();
}

QList<quint32> File::folders() const
{
    QList<quint32> all;
    for (const FolderInfo &info : m_folders)
        all << info.identifier;
    return all;
}

quint32 File::folderFromEntryId(const QByteArray &entryId) const
{
    // A personal store's own form: flags, record key, node id.
    if (entryId.size() == 24 && entryId.mid(4, 16) == m_recordKey) {
        const quint32 identifier = qFromLittleEndian<quint32>(entryId.constData() + 20);
        return folder(identifier) ? identifier : 0;
    }
    // An Exchange folder entry id (offline stores): its global counter names the folder.
    if (entryId.size() == 46) {
        const QByteArray counter = entryId.mid(38, 6);
        for (const FolderInfo &info : m_folders)
            if (info.folderId.size() == 8 && info.folderId.mid(2, 6) == counter)
                return info.identifier;
    }
    return 0;
}

quint32 File::ipmSubtree() const
{
    if (const quint32 identifier = folderFromEntryId(m_ipmSubtreeEntryId))
        return identifier;
    // Offline stores name no subtree: it is the folder IPM_SUBTREE below the mailbox root (the
    // public folders' root has one too, nearly empty).
    const FolderInfo *best = nullptr;
    qsizetype bestChildren = -1;
    for (const FolderInfo &info : m_folders) {
        if (info.name != QLatin1String("IPM_SUBTREE"))
            continue;
        const qsizetype children = std::count_if(m_folders.cbegin(), m_folders.cend(),
                                                 [&](const FolderInfo &f) { return f.parent == info.identifier; });
        if (children > bestChildren) {
            best = &info;
            bestChildren = children;
        }
    }
    if (best)
        return best->identifier;
    return m_folders.isEmpty() ? 0 : m_folders.first().identifier;
}

quint32 File::defaultFolder(outlook::DefaultFolder kind) const
{
    const quint16 property = kind == outlook::olFolderCalendar   ? tag::IpmAppointmentEntryId
                             : kind == outlook::olFolderContacts ? tag::IpmContactEntryId
                                                                 : tag::IpmTaskEntryId;
    const QString containerClass = kind == outlook::olFolderCalendar   ? QStringLiteral("IPF.Appointment")
                                   : kind == outlook::olFolderContacts ? QStringLiteral("IPF.Contact")
                                                                       : QStringLiteral("IPF.Task");
    const quint32 subtree = ipmSubtree();

    // Outlook keeps its default folders' entry ids on the root folder and on the Inbox (a direct
    // child of the subtree); the first folder that carries any of them speaks for the store.
    QList<const FolderInfo *> candidates;
    if (!m_folders.isEmpty())
        candidates << &m_folders.first();
    for (const FolderInfo &info : m_folders)
        if (info.parent == subtree && info.identifier != subtree)
            candidates << &info;
    for (const FolderInfo *candidate : candidates) {
        if (candidate->defaults.isEmpty())
            continue;
        if (const quint32 found = folderFromEntryId(candidate->defaults.value(property)))
            return found;
    }

    // A store that names no default folder of the kind: a folder of that class right below the
    // subtree, the one made first when there are several (Outlook makes its default folders with
    // the store, so "Contacts" comes before a "Skype Contacts" added later); else the first one
    // deeper down. Search folders and hidden folders never.
    const FolderInfo *subtreeInfo = folder(subtree);
    const int topLevel = subtreeInfo ? subtreeInfo->depth + 1 : 1;
    auto isUnder = [&](const FolderInfo &info) {
        for (const FolderInfo *at = &info; at; at = folder(at->parent)) {
            if (at->identifier == subtree)
                return true;
            if (at->parent == 0)
                break;
        }
        return false;
    };
    const FolderInfo *best = nullptr;
    for (const FolderInfo &info : m_folders) {
        if (nodeType(info.identifier) != normalFolderType || info.hidden ||
            info.containerClass.compare(containerClass, Qt::CaseInsensitive) != 0 || !isUnder(info))
            continue;
        if (!best || (info.depth == topLevel && best->depth != topLevel) ||
            (info.depth == topLevel && best->depth == topLevel && creationOrder(info) < creationOrder(*best)))
            best = &info;
    }
    return best ? best->identifier : 0;
}

QList<Message> File::messages(quint32 folderIdentifier) const
{
    QList<Message> result;
    if (!folderIdentifier)
        return result;
    Error error;
    Item folderItem;
    if (libpff_file_get_item_by_identifier(m_handles->file, folderIdentifier, &folderItem, &error) != 1)
        fail(ReadError::Problem::Damaged);
    int count = 0;
    if (libpff_folder_get_number_of_sub_messages(folderItem, &count, &error) != 1)
        fail(ReadError::Problem::Damaged);
    result.reserve(count);
    for (int i = 0; i < count; ++i) {
        Item item;
        Message message;
        uint32_t identifier = 0;
        if (libpff_folder_get_sub_message(folderItem, i, &item, &error) != 1 ||
            libpff_item_get_identifier(item, &identifier, &error) != 1 || !readProperties(item, message.properties))
            fail(ReadError::Problem::Damaged);
        message.identifier = identifier;
        message.properties.setCodePage(codePageOf(message.properties, defaultCodePage));
        message.messageClass = message.properties.text(tag::MessageClass);
        const bool hasPlain = !message.properties.text(tag::Body).isEmpty();
        const bool hasHtml = message.properties.find(tag::BodyHtml) != nullptr;
        if (!hasPlain && !hasHtml && message.properties.find(tag::RtfCompressed)) {
            size_t size = 0;
            const int hasRtf = libpff_message_get_rtf_body_size(item, &size, &error);
            if (hasRtf == -1)
                fail(ReadError::Problem::Damaged);
            if (hasRtf == 1 && size > 0) {
                message.rtf.resize(qsizetype(size));
                if (libpff_message_get_rtf_body(item, reinterpret_cast<uint8_t *>(message.rtf.data()), size, &error) !=
                    1)
                    fail(ReadError::Problem::Damaged);
                while (message.rtf.endsWith('\0'))
                    message.rtf.chop(1);
            }
        }
        result.append(std::move(message));
    }
    return result;
}

QString entryIdText(const QByteArray &recordKey, quint32 identifier)
{
    QByteArray bytes(4, '\0');
    bytes += recordKey;
    char nid[4];
    qToLittleEndian<quint32>(identifier, nid);
    bytes += QByteArray(nid, 4);
    return QString::fromLatin1(bytes.toHex().toUpper());
}

} // namespace pimdesk::pst
