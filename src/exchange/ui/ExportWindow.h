#pragma once

#include "exchange/DeviceExport.h"
#include "exchange/DeviceLocation.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;

namespace pimdesk {

class DriveListWidget;
class Messages;

// SUB1_2, "Norvel로 내보내기": the user ticks the kinds to put on the handheld, checks the drive
// the device search chose (or picks one) and starts the export. Loading the window runs the device
// search and disables the contacts list; a completed kind hides the window and enables the lists;
// closing it enables all three lists.
class ExportWindow : public QWidget
{
    Q_OBJECT
public:
    using DriveSource = std::function<QList<DriveEntry>()>;

    // dataDirectory holds Qtdata.mdb and the staging files. drives lists the computer's drives
    // (default: the mounted volumes).
    ExportWindow(QString dataDirectory, Messages &messages, ListWindowsHost *lists, QWidget *parent = nullptr,
                 DriveSource drives = {});

    void setExportOptions(ExportOptions options) { m_options = std::move(options); }
    DriveListWidget *driveList() const { return m_drive; }

    // The export of Command1; returns what it did.
    ExportOutcome runExport();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QString m_dataDirectory;
    Messages &m_messages;
    ListWindowsHost *m_lists;
    ExportOptions m_options;
    QCheckBox *m_contacts;
    QCheckBox *m_events;
    QCheckBox *m_tasks;
    QLabel *m_driveLabel;
    DriveListWidget *m_drive;
    QPushButton *m_start;
};

} // namespace pimdesk
