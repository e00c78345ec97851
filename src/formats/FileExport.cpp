#include "formats/FileExchange.h"

#include "formats/ContactCards.h"
#include "records/JetSql.h"
#include "records/Messages.h"
#include "records/Store.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace pimdesk::formats {

QList<QMap<QString, QString>> recordsOfSource(Store &store, RecordKind kind, const QString &recordSource)
{
    const QString table = QString::fromLatin1(kindInfo(kind).table);
    jet::Source source = jet::parseSource(recordSource.trimmed().isEmpty() ? table : recordSource);
    // Only a source over the kind's own table is taken; anything else exports the table.
    if (!source.valid || source.table.compare(table, Qt::CaseInsensitive) != 0)
        source = jet::parseSource(table);
    QList<StoreRecord> records;
    Store::Query q(store, jet::selectSql(source, "*"));
    QStringList names;
    while (q.next()) {
        if (names.isEmpty())
            for (int c = 0; c < q.columnCount(); ++c)
                names << q.columnName(c);
        StoreRecord record;
        for (int c = 0; c < names.size(); ++c)
            if (!q.isNull(c))
                record.insert(names.at(c), q.text(c));
        records << std::move(record);
    }
    return records;
}

namespace {

QString doneText(FileFormat format, const FileExportOutcome &outcome, const QString &file)
{
    QStringList parts;
    for (RecordKind kind : kindsOfFormat(format))
        if (outcome.of(kind) > 0)
            parts << QStringLiteral("%1 %2건").arg(kindLabel(kind)).arg(outcome.of(kind));
    return QStringLiteral("%1를 마쳤습니다.\r%2을 %3에 썼습니다.")
        .arg(exportTitle(format), parts.join(", "), QDir::toNativeSeparators(file));
}

} // namespace

FileExportOutcome exportFile(Store &store, const FileExportRequest &request, Messages &messages)
{
    FileExportOutcome outcome;
    const QString title = exportTitle(request.format);
    QList<RecordKind> kinds;
    for (RecordKind kind : kindsOfFormat(request.format))
        if (request.kinds.isEmpty() || request.kinds.contains(kind))
            kinds << kind;
    if (kinds.isEmpty()) {
        messages.showFailure(QStringLiteral("이 형식으로 내보낼 수 있는 종류가 아닙니다."), title, Icon::Warning);
        return outcome;
    }

    QByteArray bytes;
    try {
        QList<StoreRecord> records[allKinds.size()];
        int total = 0;
        for (RecordKind kind : kinds) {
            records[static_cast<size_t>(kind)] = recordsOfSource(store, kind, request.recordSources.value(kind));
            outcome.counts[static_cast<size_t>(kind)] = records[static_cast<size_t>(kind)].size();
            total += records[static_cast<size_t>(kind)].size();
        }
        if (total == 0) {
            QStringList labels;
            for (RecordKind kind : kinds)
                labels << kindLabel(kind);
            messages.showFailure(
                QStringLiteral("내보낼 %1이(가) 없습니다. 파일을 쓰지 않았습니다.").arg(labels.join(QStringLiteral("이나 "))),
                title, Icon::Warning);
            return outcome;
        }
        if (request.progress)
            request.progress(0, total);
        if (request.format == FileFormat::VCard) {
            const QList<StoreRecord> &contacts = records[static_cast<size_t>(RecordKind::Contacts)];
            bytes.reserve(contacts.size() * 512);
            int done = 0;
            for (const StoreRecord &contact : contacts) {
                bytes += writeVCard(cardFromContact(contact, request.version), request.version);
                if (request.progress && ++done % 100 == 0)
                    request.progress(done, total);
            }
        } else {
            bytes = calendarFileFromRecords(records[static_cast<size_t>(RecordKind::Events)],
                                            records[static_cast<size_t>(RecordKind::Tasks)], request.calendar);
        }
    } catch (const StoreError &e) {
        messages.showFailure(e.message(), title, Icon::Critical);
        return outcome;
    }

    // Written beside the old file and renamed over it: a failure leaves the old file as it was.
    QSaveFile file(request.file);
    if (!file.open(QIODevice::WriteOnly) || file.write(bytes) != bytes.size() || !file.commit()) {
        messages.showFailure(QStringLiteral("%1에 쓸 수 없습니다.\r%2")
                                 .arg(QDir::toNativeSeparators(QFileInfo(request.file).absoluteFilePath()),
                                      file.errorString()),
                             title, Icon::Critical);
        outcome.counts = {};
        return outcome;
    }
    if (request.progress)
        request.progress(1, 1);
    outcome.written = true;
    outcome.text = doneText(request.format, outcome, QFileInfo(request.file).absoluteFilePath());
    messages.show(outcome.text, title);
    return outcome;
}

} // namespace pimdesk::formats
