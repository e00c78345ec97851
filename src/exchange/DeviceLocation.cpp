#include "exchange/DeviceLocation.h"

#include "records/Messages.h"

#include <QDir>
#include <QStorageInfo>

namespace pimdesk {

QString DriveEntry::displayText() const
{
    if (!label || label->isEmpty())
        return mountPoint;
    return QString("%1 [%2]").arg(mountPoint, *label);
}

bool isHandheldLabel(const QString &label)
{
    return label == QLatin1String("K7M") || label == QLatin1String("NRV_ORB");
}

int handheldDriveIndex(const QList<DriveEntry> &drives)
{
    for (int i = 0; i < drives.size(); ++i)
        if (drives.at(i).label && isHandheldLabel(*drives.at(i).label))
            return i;
    return -1;
}

QString deviceNotFoundTitle()
{
    return QStringLiteral("K7M(Norvel)를 찾을수 없습니다.");
}

QString deviceNotFoundText()
{
    return QStringLiteral("자동으로 찾을수가 없습니다.\r연결이 되어있다면 직접 선택 하시겠습니까?");
}

QString documentNotFoundText()
{
    return QStringLiteral("파일을 찾을수 없습니다.\rNorvel(K7M)가 연결된 디렉토리가 맞는지 확인 하십시요.");
}

QString driveErrorText()
{
    return QStringLiteral("드라이브 오류입니다.");
}

bool FindDeviceDrive(DriveSelection &drives, Messages &messages)
{
    for (int i = 0; i < drives.driveCount(); ++i) {
        const DriveEntry drive = drives.driveAt(i);
        if (drive.label && isHandheldLabel(*drive.label)) {
            drives.selectDrive(i);
            drives.setDriveListEnabled(false);
            return true;
        }
    }
    if (messages.show(deviceNotFoundText(), deviceNotFoundTitle(), Buttons::OkCancel) == Answer::Ok)
        drives.setDriveListEnabled(true);
    return false;
}

QList<DriveEntry> mountedDrives()
{
    QList<DriveEntry> drives;
    for (const QStorageInfo &volume : QStorageInfo::mountedVolumes()) {
        if (!volume.isValid() || !volume.isReady())
            continue;
        drives.append(DriveEntry{volume.rootPath(), volume.name()});
    }
    return drives;
}

int currentDriveIndex(const QList<DriveEntry> &drives)
{
    const QString root = QStorageInfo(QDir::currentPath()).rootPath();
    for (int i = 0; i < drives.size(); ++i)
        if (drives.at(i).mountPoint == root)
            return i;
    return drives.isEmpty() ? -1 : 0;
}

QString handheldFolderPath(const QString &root, RecordKind kind)
{
    QString base = root;
    while (base.size() > 1 && base.endsWith('/'))
        base.chop(1);
    if (base == "/")
        base.clear();
    return base + "/" + QLatin1String(kindInfo(kind).handheldFolder);
}

QString handheldDocumentPath(const QString &root, RecordKind kind)
{
    return handheldFolderPath(root, kind) + "/" + QLatin1String(kindInfo(kind).documentName);
}

} // namespace pimdesk
