#include "exchange/Manifest.h"

#include "records/Schema.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSaveFile>

#include <algorithm>
#include <optional>

namespace pimdesk {

namespace {

std::optional<RecordKind> kindFromKey(const QString &key)
{
    for (RecordKind kind : allKinds)
        if (kindKey(kind) == key)
            return kind;
    return std::nullopt;
}

} // namespace

QString operationLabel(const QString &operation)
{
    if (operation == operations::deviceImport)
        return QStringLiteral("Norvel에서 가져오기");
    if (operation == operations::outlookImport)
        return QStringLiteral("Outlook에서 가져오기");
    if (operation == operations::exportToDevice)
        return QStringLiteral("Norvel로 내보내기");
    if (operation == operations::sync)
        return QStringLiteral("Norvel과 동기화");
    if (operation == operations::undo)
        return QStringLiteral("되돌리기 전 저장소");
    if (operation == operations::vcardImport)
        return QStringLiteral("vCard 가져오기");
    if (operation == operations::icalImport)
        return QStringLiteral("iCalendar 가져오기");
    return operation;
}

QByteArray fileSha256(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return QByteArray();
    return sha256Of(file);
}

QByteArray sha256Of(QIODevice &file)
{
    QCryptographicHash hash(QCryptographicHash::Sha256);
    if (!file.isReadable() || !hash.addData(&file))
        return QByteArray();
    return hash.result().toHex();
}

QString KeptCopy::backupName() const
{
    return file.startsWith("sync/") ? "sync-" + file.mid(5) : "data-" + file;
}

QList<KeptCopy> keptCopyFiles()
{
    QList<KeptCopy> files;
    for (RecordKind kind : allKinds) {
        const QString name = QLatin1String(kindInfo(kind).documentName);
        files.append({kind, "sync/" + name, false, false});
        files.append({kind, name, false, false});
    }
    return files;
}

bool Manifest::canUndo() const
{
    if (undone.isValid() || operation == operations::undo)
        return false;
    if (hasStore && !storeRestored)
        return true;
    return std::any_of(documents.begin(), documents.end(), [](const DocumentBackup &d) { return !d.restored; }) ||
           std::any_of(copies.begin(), copies.end(), [](const KeptCopy &c) { return !c.restored; });
}

QString manifestPath(const QString &folder)
{
    return QDir(folder).filePath("manifest.json");
}

bool readManifest(const QString &folder, Manifest *manifest)
{
    QFile file(manifestPath(folder));
    if (!file.open(QIODevice::ReadOnly))
        return false;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll());
    if (!document.isObject())
        return false;
    const QJsonObject o = document.object();
    Manifest m;
    m.operation = o.value("operation").toString();
    m.sequence = o.value("sequence").toInteger();
    m.when = QDateTime::fromString(o.value("when").toString(), Qt::ISODate);
    if (m.operation.isEmpty() || !m.when.isValid())
        return false;
    for (const QJsonValue &k : o.value("kinds").toArray())
        if (const auto kind = kindFromKey(k.toString()))
            m.kinds << *kind;
    m.hasStore = o.value("store").toBool();
    m.storeRestored = o.value("storeRestored").toBool();
    const QJsonObject counts = o.value("counts").toObject();
    for (const TableSchema *table : schema::tables())
        if (counts.contains(table->name))
            m.counts.append({table->name, counts.value(table->name).toInteger()});
    for (const QJsonValue &v : o.value("documents").toArray()) {
        const QJsonObject d = v.toObject();
        const auto kind = kindFromKey(d.value("kind").toString());
        if (!kind)
            continue;
        const QString writtenCopy = d.value("writtenCopy").toString();
        m.documents.append({*kind, d.value("existed").toBool(), d.value("written").toString().toLatin1(),
                            d.value("reference").toBool(), d.value("restored").toBool(),
                            writtenCopy.contains('/') || writtenCopy.contains("..") ? QString() : writtenCopy});
    }
    for (const QJsonValue &v : o.value("copies").toArray()) {
        const QJsonObject c = v.toObject();
        const auto kind = kindFromKey(c.value("kind").toString());
        const QString name = c.value("file").toString();
        if (!kind || name.isEmpty() || name.contains(".."))
            continue;
        m.copies.append({*kind, name, c.value("existed").toBool(), c.value("restored").toBool()});
    }
    m.undone = QDateTime::fromString(o.value("undone").toString(), Qt::ISODate);
    *manifest = m;
    return true;
}

bool writeManifest(const QString &folder, const Manifest &manifest, QString *error)
{
    QJsonObject o;
    o.insert("operation", manifest.operation);
    if (manifest.sequence > 0)
        o.insert("sequence", manifest.sequence);
    o.insert("when", manifest.when.toString(Qt::ISODate));
    QJsonArray kinds;
    for (RecordKind kind : manifest.kinds)
        kinds.append(kindKey(kind));
    o.insert("kinds", kinds);
    o.insert("store", manifest.hasStore);
    if (manifest.storeRestored)
        o.insert("storeRestored", true);
    QJsonObject counts;
    for (const auto &[table, count] : manifest.counts)
        counts.insert(table, count);
    o.insert("counts", counts);
    QJsonArray documents;
    for (const DocumentBackup &d : manifest.documents)
        documents.append(QJsonObject{{"kind", kindKey(d.kind)},
                                     {"file", QLatin1String(kindInfo(d.kind).documentName)},
                                     {"existed", d.existed},
                                     {"written", QString::fromLatin1(d.writtenSha256)},
                                     {"writtenCopy", d.writtenCopy},
                                     {"reference", d.hadReference},
                                     {"restored", d.restored}});
    o.insert("documents", documents);
    QJsonArray copies;
    for (const KeptCopy &c : manifest.copies)
        copies.append(
            QJsonObject{{"kind", kindKey(c.kind)}, {"file", c.file}, {"existed", c.existed}, {"restored", c.restored}});
    o.insert("copies", copies);
    if (manifest.undone.isValid())
        o.insert("undone", manifest.undone.toString(Qt::ISODate));
    QSaveFile file(manifestPath(folder));
    if (!file.open(QIODevice::WriteOnly) || file.write(QJsonDocument(o).toJson()) < 0 || !file.commit()) {
        *error = file.errorString();
        return false;
    }
    return true;
}

} // namespace pimdesk
