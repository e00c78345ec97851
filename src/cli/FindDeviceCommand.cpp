#include "cli/Cli.h"
#include "exchange/DeviceLocation.h"

namespace pimdesk::cli {

// find-device: the mount point of the first volume labelled as the handheld.
int findDeviceCommand(Context &context)
{
    if (!context.arguments.isEmpty() && context.arguments != QStringList{"--yes"}) {
        context.err << "pimdesk-cli: find-device takes no arguments\n";
        return UsageError;
    }
    const QList<DriveEntry> drives = mountedDrives();
    const int index = handheldDriveIndex(drives);
    if (index < 0) {
        context.err << deviceNotFoundTitle() << '\n';
        return Failure;
    }
    context.out << drives.at(index).mountPoint << '\n';
    return Success;
}

} // namespace pimdesk::cli
