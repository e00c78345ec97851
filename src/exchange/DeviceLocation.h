#pragma once

#include "records/Kinds.h"

#include <QList>
#include <QString>
#include <optional>

namespace pimdesk {

class Messages;

// One drive of the computer as the device windows list it: a mounted volume, named by its mount
// point, with its volume label. A volume whose label cannot be read has no label at all (nullopt),
// which is not the same as an empty label.
struct DriveEntry
{
    QString mountPoint;
    std::optional<QString> label;

    // The text the drive list shows: "mountpoint [label]", or the mount point alone.
    QString displayText() const;
    bool operator==(const DriveEntry &other) const = default;
};

// The drive list of a device window, as the device search sees it: entries, a selection and an
// enabled state. The window's widget implements it; tests and the command-line tool use DriveList.
class DriveSelection
{
public:
    virtual ~DriveSelection() = default;
    virtual int driveCount() const = 0;
    virtual DriveEntry driveAt(int index) const = 0;
    virtual int selectedDrive() const = 0; // -1 when nothing is selected
    virtual void selectDrive(int index) = 0;
    virtual bool isDriveListEnabled() const = 0;
    virtual void setDriveListEnabled(bool enabled) = 0;
};

// A plain drive list in memory.
class DriveList : public DriveSelection
{
public:
    explicit DriveList(QList<DriveEntry> drives = {}, int selected = -1)
        : m_drives(std::move(drives)), m_selected(selected)
    {}
    int driveCount() const override { return int(m_drives.size()); }
    DriveEntry driveAt(int index) const override { return m_drives.at(index); }
    int selectedDrive() const override { return m_selected; }
    void selectDrive(int index) override { m_selected = index; }
    bool isDriveListEnabled() const override { return m_enabled; }
    void setDriveListEnabled(bool enabled) override { m_enabled = enabled; }

private:
    QList<DriveEntry> m_drives;
    int m_selected = -1;
    bool m_enabled = true;
};

// The labels the handheld's drive carries, compared exactly: "K7M" and "NRV_ORB".
bool isHandheldLabel(const QString &label);

// Index of the first drive whose label is the handheld's, or -1. Drives without a readable label
// are passed over.
int handheldDriveIndex(const QList<DriveEntry> &drives);

// The device search of the export and import windows. On a match the handheld's drive becomes the
// list's selection and the list is disabled; otherwise the user is asked whether to pick the drive
// by hand, and on OK the list is enabled. Returns whether the handheld was recognised.
bool FindDeviceDrive(DriveSelection &drives, Messages &messages);

// The mounted volumes of this computer, in the order the platform gives them. Volumes that are not
// ready (a reader without a medium, a vanished network share) are left out, as their labels
// cannot be read.
QList<DriveEntry> mountedDrives();

// The index in drives of the volume that holds the current directory (the drive a new drive list
// shows before the search), or -1.
int currentDriveIndex(const QList<DriveEntry> &drives);

// Paths on the handheld below its root folder (a mount point or a folder picked by hand).
QString handheldFolderPath(const QString &root, RecordKind kind);
QString handheldDocumentPath(const QString &root, RecordKind kind);

// Texts of the question shown when no drive is recognised.
QString deviceNotFoundTitle();
QString deviceNotFoundText();

// Texts that the export and the import both show: the handheld's folder or document is not where
// it should be; the drive cannot be read or written.
QString documentNotFoundText();
QString driveErrorText();

} // namespace pimdesk
