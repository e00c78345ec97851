#include "cli/Cli.h"
#include "exchange/DryRun.h"

namespace pimdesk::cli {

int printPreview(Context &context, const QList<KindPreview> &previews, bool forExport)
{
    // One line per kind, then the closing line; the line of a kind that could not be previewed is
    // a failure and goes to the error stream.
    const QStringList lines = previewLines(previews, forExport);
    int status = Success;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        const bool failed = i < previews.size() && (!previews.at(i).failure.isEmpty() || !previews.at(i).documentFound);
        (failed ? context.err : context.out) << lines.at(i) << '\n';
        (failed ? context.err : context.out).flush();
        if (failed)
            status = Failure;
    }
    return status;
}

} // namespace pimdesk::cli
