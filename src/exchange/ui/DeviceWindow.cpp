#include "exchange/ui/DeviceWindow.h"

#include "exchange/ui/DriveListWidget.h"
#include "records/Messages.h"
#include "records/Store.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

namespace pimdesk {

DeviceWindow::DeviceWindow(const Captions &captions, QString dataDirectory, Messages &messages, ListWindowsHost *lists,
                           QWidget *parent, const DriveSource &drives)
    : QWidget(parent), m_dataDirectory(std::move(dataDirectory)), m_messages(messages), m_lists(lists)
{
    setObjectName(captions.objectName);
    setWindowTitle(captions.windowTitle);

    m_contacts = new QCheckBox("주소록(Contacts)", this);
    m_contacts->setObjectName("Check1");
    m_events = new QCheckBox("일정(Calendar)", this);
    m_events->setObjectName("Check2");
    m_tasks = new QCheckBox("작업(Todo List)", this);
    m_tasks->setObjectName("Check3");
    m_driveLabel = new QLabel("Norvel 연결 Drive :", this);
    m_driveLabel->setObjectName("Label1");
    m_drive = new DriveListWidget(this);
    m_drive->setObjectName("Drive1");
    m_driveLabel->setBuddy(m_drive->comboBox());
    m_start = new QPushButton(captions.buttonText, this);
    m_start->setObjectName("Command1");
    m_undo = new QPushButton(QStringLiteral("되돌리기"), this);
    m_undo->setObjectName("Command2");

    auto *kinds = new QVBoxLayout;
    kinds->addWidget(m_contacts);
    kinds->addWidget(m_events);
    kinds->addWidget(m_tasks);
    auto *driveRow = new QHBoxLayout;
    driveRow->addWidget(m_driveLabel);
    driveRow->addWidget(m_drive, 1);
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addWidget(m_undo);
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_start);
    auto *layout = new QVBoxLayout(this);
    layout->addLayout(kinds);
    layout->addSpacing(8);
    layout->addLayout(driveRow);
    layout->addStretch(1);
    layout->addLayout(buttonRow);
    resize(420, 200);

    connect(m_start, &QPushButton::clicked, this, [this] { start(); });
    connect(m_undo, &QPushButton::clicked, this, [this] { runUndo(); });

    // Load: the drive list shows every drive with the current one selected and enabled; the device
    // search then picks the handheld or asks.
    if (drives) {
        const QList<DriveEntry> entries = drives();
        m_drive->setDrives(entries, currentDriveIndex(entries));
    }
    m_drive->setDriveListEnabled(true);
    FindDeviceDrive(*m_drive, m_messages);
    if (m_lists)
        m_lists->setListEnabled(RecordKind::Contacts, false);
}

QList<RecordKind> DeviceWindow::chosenKinds() const
{
    QList<RecordKind> kinds;
    if (m_contacts->isChecked())
        kinds << RecordKind::Contacts;
    if (m_events->isChecked())
        kinds << RecordKind::Events;
    if (m_tasks->isChecked())
        kinds << RecordKind::Tasks;
    return kinds;
}

std::shared_ptr<Store> DeviceWindow::openStore()
{
    try {
        return Store::shared(Store::pathInDirectory(m_dataDirectory));
    } catch (const StoreError &e) {
        m_messages.show(e.message());
        return nullptr;
    }
}

UndoOutcome DeviceWindow::runUndo()
{
    return undoLastExchange(m_dataDirectory, m_drive->selectedRoot(), m_messages, m_lists);
}

void DeviceWindow::closeEvent(QCloseEvent *event)
{
    if (m_lists)
        m_lists->enableListsNotInUse();
    QWidget::closeEvent(event);
}

} // namespace pimdesk
