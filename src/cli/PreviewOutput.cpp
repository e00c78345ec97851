#include "cli/Cli.h"
#include "exchange/DryRun.h"

namespace pimdesk::cli {

int printPreview(Context &context, const QList<KindPreview> &previews, bool forExport)
{
    for (const QString &line : previewLines(previews, forExport))
        context.out << line << '\n';
    for (const KindPreview &p : previews)
        if (!p.failure.isEmpty() || !p.documentFound)
            return Failure;
    return Success;
}

} // namespace pimdesk::cli
