#include "exchange/DeviceExport.h"

#include "exchange/DeviceLocation.h"
#include "exchange/DocumentWriters.h"
#include "records/Clock.h"
#include "records/Messages.h"
#include "records/Store.h"

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
    return documentNotFoundText();
}

QString driveError()
{
    return driveErrorText();
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

enum class CopyResult { Copied, SourceUnreadable, TargetUnwritable };

// Copies a file piece by piece (a document may be large) to a target that appears only when the
// copy is complete: the pieces go to a temporary file beside the target, which is flushed to the
// disk and then renamed over the target. On any failure the target keeps what it held.
CopyResult copyFile(const QString &source, const QString &target, const WriteStep &write, QString *error)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly)) {
        *error = in.errorString();
        return CopyResult::SourceUnreadable;
    }
    QSaveFile out(target);
    if (!out.open(QIODevice::WriteOnly)) {
        *error = out.errorString();
        return CopyResult::TargetUnwritable;
    }
    QByteArray buffer(1 << 20, Qt::Uninitialized);
    qint64 total = 0;
    for (;;) {
        const qint64 n = in.read(buffer.data(), buffer.size());
        if (n < 0) {
            *error = in.errorString();
            return CopyResult::SourceUnreadable;
        }
        if (n == 0)
            break;
        total += n;
        if (!write(out, QByteArray::fromRawData(buffer.constData(), n))) {
            *error = out.errorString();
            return CopyResult::TargetUnwritable;
        }
    }
    if (total != in.size()) {
        *error = in.errorString();
        return CopyResult::SourceUnreadable;
    }
    if (!out.commit()) {
        *error = out.errorString();
        return CopyResult::TargetUnwritable;
    }
    return CopyResult::Copied;
}

// The backup folder of one export, made when the first old document has to be kept.
class Backup
{
public:
    explicit Backup(QString dataDirectory) : m_root(exportBackupDirectory(dataDirectory)) {}

    CopyResult keep(const QString &document, QString *error)
    {
        if (m_folder.isEmpty() && !makeFolder(error))
            return CopyResult::TargetUnwritable;
        const CopyResult result =
            copyFile(document, QDir(m_folder).filePath(QFileInfo(document).fileName()), writeAll, error);
        if (result != CopyResult::Copied) {
            // An empty folder must not count among the kept backups and push out a real one.
            if (QDir().rmdir(m_folder))
                m_folder.clear();
        } else if (!m_pruned) {
            prune(QFileInfo(m_folder).fileName());
            m_pruned = true;
        }
        return result;
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
    bool m_pruned = false;
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
        // The document goes straight from the store into the staging file, piece by piece. It
        // replaces the last staging copy only when complete: a full disk or a store failure leaves
        // the earlier copy whole and no part of the new one.
        QString error;
        const QString staging = QDir(m_data).filePath(info.documentName);
        QSaveFile stagingFile(staging);
        bool written = false;
        try {
            written = QDir().mkpath(m_data) && stagingFile.open(QIODevice::WriteOnly) &&
                      writeHandheldDocument(kind, m_store,
                                            [&stagingFile](QByteArrayView piece) {
                                                return stagingFile.write(piece.data(), piece.size()) == piece.size();
                                            }) &&
                      stagingFile.commit();
        } catch (const StoreError &e) {
            m_messages.show(e.message());
            return KindResult::Stop;
        }
        error = stagingFile.errorString();
        // The writer has walked the whole table: its list shows all of it again.
        if (m_lists)
            m_lists->reloadList(kind);
        if (!written) {
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
            if (!old.isFile())
                return driveError();
            switch (m_backup.keep(target, &error)) {
            case CopyResult::Copied:
                break;
            case CopyResult::SourceUnreadable:
                return driveError();
            case CopyResult::TargetUnwritable:
                m_messages.show(QString("Norvel(K7M)의 기존 파일을 백업할 수 없어 내보내기를 멈췄습니다.\r%1\r%2")
                                    .arg(QDir::toNativeSeparators(target), error));
                return KindResult::Stop;
            }
        }
        switch (copyFile(staging, target, m_write, &error)) {
        case CopyResult::Copied:
            break;
        case CopyResult::SourceUnreadable:
            m_messages.show(
                QString("내보낼 파일을 읽을 수 없습니다.\r%1\r%2").arg(QDir::toNativeSeparators(staging), error));
            return KindResult::Stop;
        case CopyResult::TargetUnwritable:
            return driveError();
        }

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
