#pragma once

#include "exchange/DeviceLocation.h"
#include "exchange/ListWindowsHost.h"
#include "exchange/Undo.h"

#include <QWidget>
#include <functional>
#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;

namespace pimdesk {

class DriveListWidget;
class Messages;
class Store;

// What the export and import windows share: three kind boxes, the drive list, the button of the
// exchange and the undo button.
// Loading the window runs the device search and disables the contacts list; closing it enables all
// three lists. The button runs the subclass's exchange.
class DeviceWindow : public QWidget
{
    Q_OBJECT
public:
    using DriveSource = std::function<QList<DriveEntry>()>;

    DriveListWidget *driveList() const { return m_drive; }

    // The undo of the button "되돌리기": the newest import or export is taken back after a question;
    // an export's documents go back to the drive chosen in the list.
    UndoOutcome runUndo();

protected:
    struct Captions
    {
        const char *objectName;
        QString windowTitle;
        QString buttonText;
    };

    // dataDirectory holds Qtdata.mdb and the staging files; drives lists the computer's drives
    // (default: the mounted volumes).
    DeviceWindow(const Captions &captions, QString dataDirectory, Messages &messages, ListWindowsHost *lists,
                 QWidget *parent, const DriveSource &drives);

    // The ticked kinds, in the order contacts, events, tasks.
    QList<RecordKind> chosenKinds() const;
    // The record store; null after telling the user why it cannot be used.
    std::shared_ptr<Store> openStore();
    virtual void start() = 0;

    void closeEvent(QCloseEvent *event) override;

    QString m_dataDirectory;
    Messages &m_messages;
    ListWindowsHost *m_lists;
    QCheckBox *m_contacts;
    QCheckBox *m_events;
    QCheckBox *m_tasks;
    QLabel *m_driveLabel;
    DriveListWidget *m_drive;
    QPushButton *m_start;
    QPushButton *m_undo;
};

} // namespace pimdesk
