#include "exchange/ui/DriveListWidget.h"

#include <QComboBox>
#include <QDir>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QToolButton>

namespace pimdesk {

DriveListWidget::DriveListWidget(QWidget *parent) : QWidget(parent)
{
    m_combo = new QComboBox(this);
    m_combo->setObjectName("driveCombo");
    m_combo->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    m_combo->setMinimumContentsLength(16);
    m_pick = new QToolButton(this);
    m_pick->setObjectName("pickFolder");
    m_pick->setText("...");
    m_pick->setToolTip("폴더 직접 선택");
    auto *layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(m_combo, 1);
    layout->addWidget(m_pick);

    m_picker = [](QWidget *owner, const QString &start) {
        return QFileDialog::getExistingDirectory(owner, "Norvel 연결 폴더 선택", start);
    };
    connect(m_pick, &QToolButton::clicked, this, &DriveListWidget::pickFolder);
    connect(m_combo, &QComboBox::currentIndexChanged, this, [this] { emit selectionChanged(selectedRoot()); });

    const QList<DriveEntry> drives = mountedDrives();
    setDrives(drives, currentDriveIndex(drives));
}

void DriveListWidget::setDrives(const QList<DriveEntry> &drives, int selected)
{
    QSignalBlocker blocker(m_combo);
    m_drives = drives;
    m_combo->clear();
    for (const DriveEntry &drive : drives)
        m_combo->addItem(drive.displayText());
    m_combo->setCurrentIndex(selected >= 0 && selected < drives.size() ? selected : -1);
    blocker.unblock();
    emit selectionChanged(selectedRoot());
}

void DriveListWidget::selectFolder(const QString &folder)
{
    const QString path = QDir::cleanPath(QDir(folder).absolutePath());
    for (int i = 0; i < m_drives.size(); ++i) {
        if (m_drives.at(i).mountPoint == path) {
            m_combo->setCurrentIndex(i);
            return;
        }
    }
    m_drives.append(DriveEntry{path, std::nullopt});
    m_combo->addItem(m_drives.last().displayText());
    m_combo->setCurrentIndex(int(m_drives.size()) - 1);
}

QString DriveListWidget::selectedRoot() const
{
    const int index = m_combo->currentIndex();
    return index >= 0 && index < m_drives.size() ? m_drives.at(index).mountPoint : QString();
}

void DriveListWidget::pickFolder()
{
    const QString start = selectedRoot().isEmpty() ? QDir::homePath() : selectedRoot();
    const QString folder = m_picker(this, start);
    if (!folder.isEmpty())
        selectFolder(folder);
}

int DriveListWidget::driveCount() const
{
    return int(m_drives.size());
}

DriveEntry DriveListWidget::driveAt(int index) const
{
    return m_drives.at(index);
}

int DriveListWidget::selectedDrive() const
{
    return m_combo->currentIndex();
}

void DriveListWidget::selectDrive(int index)
{
    m_combo->setCurrentIndex(index);
}

bool DriveListWidget::isDriveListEnabled() const
{
    return !testAttribute(Qt::WA_ForceDisabled);
}

void DriveListWidget::setDriveListEnabled(bool enabled)
{
    setEnabled(enabled);
}

} // namespace pimdesk
