#pragma once

#include "exchange/DeviceLocation.h"
#include "exchange/ImportFromDevice.h"

#include <QWidget>
#include <functional>

class QCheckBox;
class QLabel;
class QPushButton;

namespace pimdesk {

class DriveListWidget;
class Messages;

// SUB1_1, "Norvel 에서 가져오기": the user ticks the kinds to bring from the handheld, checks the
// drive the device search chose (or picks one) and starts the import. Loading the window runs the
// device search and disables the contacts list; a completed kind hides the window and enables the
// lists; closing it enables all three lists.
class ImportWindow : public QWidget
{
    Q_OBJECT
public:
    using DriveSource = std::function<QList<DriveEntry>()>;

    // dataDirectory holds Qtdata.mdb and the staging copies. drives lists the computer's drives
    // (default: the mounted volumes).
    ImportWindow(QString dataDirectory, Messages &messages, ListWindowsHost *lists, QWidget *parent = nullptr,
                 DriveSource drives = {});

    DriveListWidget *driveList() const { return m_drive; }

    // The import of Command1; returns what it did.
    ImportOutcome runImport();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QString m_dataDirectory;
    Messages &m_messages;
    ListWindowsHost *m_lists;
    QCheckBox *m_contacts;
    QCheckBox *m_events;
    QCheckBox *m_tasks;
    QLabel *m_driveLabel;
    DriveListWidget *m_drive;
    QPushButton *m_start;
};

} // namespace pimdesk
