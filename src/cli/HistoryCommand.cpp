#include "cli/Cli.h"
#include "exchange/Snapshots.h"

#include <QDir>

namespace pimdesk::cli {

// history: the backup folders, newest first, one line each: when, the operation, its kinds, the
// record counts of the store copy, whether it was undone, and the folder.
int historyCommand(Context &context)
{
    if (!context.arguments.isEmpty()) {
        context.err << "pimdesk-cli: history takes no arguments\n";
        return UsageError;
    }
    const QList<BackupEntry> entries = listBackups(context.dataDirectory);
    if (entries.isEmpty())
        context.out << "no backups in " << QDir::toNativeSeparators(context.dataDirectory) << '\n';
    for (const BackupEntry &entry : entries) {
        const Manifest &m = entry.manifest;
        QStringList kinds;
        for (RecordKind kind : m.kinds)
            kinds << kindKey(kind);
        QStringList counts;
        for (const auto &[table, count] : m.counts)
            counts << QString("%1 %2").arg(table).arg(count);
        QStringList documents;
        for (const DocumentBackup &d : m.documents)
            documents << QLatin1String(kindInfo(d.kind).documentName) +
                             (d.restored ? QString(" (restored)") : QString());
        context.out << m.when.toString("yyyy-MM-dd HH:mm:ss") << "  " << m.operation << "  "
                    << (kinds.isEmpty() ? QString("-") : kinds.join(',')) << "  ";
        if (m.hasStore)
            context.out << "store: " << counts.join(", ");
        if (!documents.isEmpty())
            context.out << (m.hasStore ? "; " : "") << "handheld: " << documents.join(", ");
        if (m.undone.isValid())
            context.out << "  [undone " << m.undone.toString("yyyy-MM-dd HH:mm:ss") << ']';
        context.out << "  " << QDir::toNativeSeparators(entry.folder) << '\n';
    }
    return Success;
}

} // namespace pimdesk::cli
