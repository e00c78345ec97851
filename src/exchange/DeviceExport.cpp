#include "exchange/DeviceExport.h"

#include "exchange/DeviceLocation.h"
#include "exchange/DocumentWriters.h"
#include "records/Clock.h"
#include "records/Messages.h"
#include "records/Store.h"
#include "records/TextConversion.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSaveFile>

#include <algorithm>

namespace pimdesk {

namespace exportTexts {

QString warningTitle()
{
    return QStringLiteral("반드시확인하세요");
}

QString warning()
{
    return QStringLiteral("내보내기 실행시 기존 K7M(Norvel)의\r연락처,작업,일정에 저장된 정보는 모두 사라집니다.\r"
                          "계속하시겠습니까?");
}

QString notFound()
{
    return QStringLiteral("파일을 찾을수 없습니다.\rNorvel(K7M)가 연결된 디렉토리가 맞는지 확인 하십시요.");
}

QString driveError()
{
    return QStringLiteral("드라이브 오류입니다.");
}

QString completed(RecordKind kind)
{
    switch (kind) {
    case RecordKind::Contacts:
        return QStringLiteral("연락처 내보내기가 완료되었습니다.");
    case RecordKind::Events:
        return QStringLiteral("일정 내보내기가 완료되었습니다.");
    case RecordKind::Tasks:
        return QStringLiteral("작업 내보내기가 완료되었습니다.");
    }
    return QString();
}

} // namespace exportTexts

QString exportBackupDirectory(const QString &dataDirectory)
{
    return QDir(dataDirectory).filePath("backup");
}

namespace {

using WriteStep = std::function<bool(QIODevice &, const QByteArray &)>;

bool writeAll(QIODevice &file, const QByteArray &bytes)
{
    return file.write(bytes) == bytes.size();
}

// Puts bytes at path through a temporary file beside it that is flushed to the disk and renamed
// over path only when it is complete; on any failure path keeps what it held.
bool replaceFile(const QString &path, const QByteArray &bytes, const WriteStep &write, QString *error)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        *error = file.errorString();
        return false;
    }
    if (!write(file, bytes)) {
        *error = file.errorString();
        file.cancelWriting();
        return false;
    }
    if (!file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

bool readWhole(const QString &path, QByteArray *bytes)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const qint64 size = file.size();
    *bytes = file.readAll();
    return file.error() == QFile::NoError && bytes->size() == size;
}

// The backup folder of one export, made when the first old document has to be kept.
class Backup
{
public:
    explicit Backup(QString dataDirectory) : m_root(exportBackupDirectory(dataDirectory)) {}

    bool keep(const QString &name, const QByteArray &bytes, QString *where, QString *error)
    {
        if (m_folder.isEmpty() && !makeFolder(error))
            return false;
        *where = QDir(m_folder).filePath(name);
        if (!replaceFile(*where, bytes, writeAll, error))
            return false;
        return true;
    }

private:
    bool makeFolder(QString *error)
    {
        const QString stamp = Clock::current().now().toString("yyyyMMdd-HHmmss");
        QDir root(m_root);
        // Two exports within one second get folders of their own, so no copy is overwritten.
        QString name = stamp;
        for (int n = 2; root.exists(name); ++n)
            name = QString("%1-%2").arg(stamp).arg(n);
        const QString folder = root.filePath(name);
        if (!QDir().mkpath(folder)) {
            *error = QString("폴더를 만들 수 없습니다: %1").arg(QDir::toNativeSeparators(folder));
            return false;
        }
        m_folder = folder;
        prune(name);
        return true;
    }

    // Keeps the newest backups (by the time in their names) and the one just made.
    void prune(const QString &current)
    {
        static const QRegularExpression pattern(R"(^(\d{8}-\d{6})(?:-(\d+))?$)");
        struct Entry
        {
            QString stamp;
            int number;
            QString name;
        };
        QList<Entry> entries;
        for (const QString &name : QDir(m_root).entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
            const QRegularExpressionMatch m = pattern.match(name);
            if (m.hasMatch())
                entries.append({m.captured(1), m.captured(2).isEmpty() ? 1 : m.captured(2).toInt(), name});
        }
        std::sort(entries.begin(), entries.end(), [](const Entry &a, const Entry &b) {
            return a.stamp != b.stamp ? a.stamp > b.stamp : a.number > b.number;
        });
        int kept = 0;
        for (const Entry &e : entries) {
            if (e.name == current || kept < exportBackupsKept - 1) {
                if (e.name != current)
                    ++kept;
                continue;
            }
            QDir(QDir(m_root).filePath(e.name)).removeRecursively();
        }
    }

    QString m_root;
    QString m_folder;
};

enum class KindResult { Completed, Stop };

class Export
{
public:
    Export(Store &store, const QString &dataDirectory, const QString &driveRoot, Messages &messages,
           ListWindowsHost *lists, const std::function<void()> &hideWindow, const ExportOptions &options)
        : m_store(store), m_data(dataDirectory), m_root(driveRoot), m_messages(messages), m_lists(lists),
          m_hide(hideWindow), m_write(options.writeToDevice ? options.writeToDevice : WriteStep(writeAll)),
          m_backup(dataDirectory)
    {}

    KindResult run(RecordKind kind)
    {
        const KindInfo &info = kindInfo(kind);
        QByteArray bytes;
        try {
            const QString document = documentFromStore(kind, m_store);
            bytes = UTF8FromUTF16withMark(utf16Bytes(document), &m_messages);
        } catch (const StoreError &e) {
            m_messages.show(e.message());
            return KindResult::Stop;
        }
        // The writer has walked the whole table: its list shows all of it again.
        if (m_lists)
            m_lists->reloadList(kind);

        QString error;
        const QString staging = QDir(m_data).filePath(info.documentName);
        if (!QDir().mkpath(m_data) || !replaceFile(staging, bytes, writeAll, &error)) {
            m_messages.show(
                QString("내보낼 파일을 만들 수 없습니다.\r%1\r%2").arg(QDir::toNativeSeparators(staging), error));
            return KindResult::Stop;
        }

        const QFileInfo root(m_root);
        if (m_root.isEmpty() || !root.isDir())
            return notFound();
        if (!root.isReadable())
            return driveError();
        const QString applications = QDir(m_root).filePath("Qtopia/Applications");
        if (!QFileInfo(applications).isDir())
            return notFound();
        // Only the kind's own folder is made; Qtopia/Applications must be there already.
        const QString folder = handheldFolderPath(m_root, kind);
        QDir().mkdir(folder);
        if (!QFileInfo(folder).isDir())
            return notFound();

        const QString target = handheldDocumentPath(m_root, kind);
        const QFileInfo old(target);
        if (old.exists()) {
            QByteArray oldBytes;
            if (!old.isFile() || !readWhole(target, &oldBytes))
                return driveError();
            QString where;
            if (!m_backup.keep(info.documentName, oldBytes, &where, &error)) {
                m_messages.show(QString("Norvel(K7M)의 기존 파일을 백업할 수 없어 내보내기를 멈췄습니다.\r%1\r%2")
                                    .arg(QDir::toNativeSeparators(target), error));
                return KindResult::Stop;
            }
        }
        if (!replaceFile(target, bytes, m_write, &error))
            return driveError();

        m_messages.show(exportTexts::completed(kind));
        if (m_hide)
            m_hide();
        if (m_lists)
            for (RecordKind k : allKinds)
                m_lists->setListEnabled(k, true);
        return KindResult::Completed;
    }

private:
    KindResult notFound()
    {
        m_messages.show(exportTexts::notFound());
        return KindResult::Stop;
    }

    KindResult driveError()
    {
        m_messages.show(exportTexts::driveError());
        return KindResult::Stop;
    }

    Store &m_store;
    QString m_data;
    QString m_root;
    Messages &m_messages;
    ListWindowsHost *m_lists;
    const std::function<void()> &m_hide;
    WriteStep m_write;
    Backup m_backup;
};

} // namespace

ExportOutcome exportToDevice(Store &store, const QString &dataDirectory, const QString &driveRoot,
                             const QList<RecordKind> &kinds, Messages &messages, ListWindowsHost *lists,
                             const std::function<void()> &hideWindow, const ExportOptions &options)
{
    ExportOutcome outcome;
    if (messages.show(exportTexts::warning(), exportTexts::warningTitle(), Buttons::OkCancel) != Answer::Ok)
        return outcome;
    outcome.confirmed = true;
    Export exporter(store, dataDirectory, driveRoot, messages, lists, hideWindow, options);
    for (RecordKind kind : allKinds) {
        if (!kinds.contains(kind))
            continue;
        if (exporter.run(kind) == KindResult::Stop) {
            outcome.stopped = true;
            break;
        }
        outcome.completed.append(kind);
    }
    return outcome;
}

} // namespace pimdesk
