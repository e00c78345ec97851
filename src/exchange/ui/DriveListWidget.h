#pragma once

#include "exchange/DeviceLocation.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QToolButton;

namespace pimdesk {

// The drive list of the device windows: a combo box of the mounted volumes ("mountpoint [label]")
// and a button to pick any folder by hand, for a handheld mounted without its label or a copy of
// its files. The picked folder joins the list and becomes its selection. Disabling the list (after
// the device search recognised the handheld) disables both.
class DriveListWidget : public QWidget, public DriveSelection
{
    Q_OBJECT
public:
    // Shows the mounted volumes with the volume of the current directory selected.
    explicit DriveListWidget(QWidget *parent = nullptr);

    // Replaces the entries; selected is an index into drives or -1.
    void setDrives(const QList<DriveEntry> &drives, int selected);
    // Adds the folder (when it is not listed yet) and selects it.
    void selectFolder(const QString &folder);
    // The selected drive's mount point or folder; empty when nothing is selected.
    QString selectedRoot() const;

    // How the button asks for a folder; tests replace the file dialog. An empty answer picks nothing.
    using FolderPicker = std::function<QString(QWidget *parent, const QString &start)>;
    void setFolderPicker(FolderPicker picker) { m_picker = std::move(picker); }

    QComboBox *comboBox() const { return m_combo; }
    QToolButton *pickButton() const { return m_pick; }

    int driveCount() const override;
    DriveEntry driveAt(int index) const override;
    int selectedDrive() const override;
    void selectDrive(int index) override;
    bool isDriveListEnabled() const override;
    void setDriveListEnabled(bool enabled) override;

signals:
    void selectionChanged(const QString &root);

private:
    void pickFolder();

    QComboBox *m_combo;
    QToolButton *m_pick;
    QList<DriveEntry> m_drives;
    FolderPicker m_picker;
};

} // namespace pimdesk
