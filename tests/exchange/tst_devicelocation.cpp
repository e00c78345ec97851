#include "exchange/DeviceLocation.h"
#include "exchange/ui/DriveListWidget.h"
#include "support/ScriptedMessages.h"

#include <QComboBox>
#include <QTemporaryDir>
#include <QTest>
#include <QToolButton>

using namespace pimdesk;

class TestDeviceLocation : public QObject
{
    Q_OBJECT
private slots:
    void recognisesOnlyTheExactLabels();
    void firstHandheldWinsAndDisablesTheList();
    void noHandheldAsksAndEnablesOnOk();
    void handheldPathsFollowTheRoot();
    void driveListWidgetOffersPickedFolders();
};

void TestDeviceLocation::recognisesOnlyTheExactLabels()
{
    QVERIFY(isHandheldLabel("K7M"));
    QVERIFY(isHandheldLabel("NRV_ORB"));
    QVERIFY(!isHandheldLabel("nrv_orb"));
    QVERIFY(!isHandheldLabel("Nrv_Orb"));
    QVERIFY(!isHandheldLabel("K7M "));
    QVERIFY(!isHandheldLabel(" K7M"));
    QVERIFY(!isHandheldLabel(""));
    QCOMPARE(handheldDriveIndex({{"/a", std::nullopt}, {"/b", QString()}, {"/c", "k7m"}}), -1);
    QCOMPARE(handheldDriveIndex({{"/a", "DATA"}, {"/b", "NRV_ORB"}}), 1);
}

void TestDeviceLocation::firstHandheldWinsAndDisablesTheList()
{
    // A volume whose label cannot be read (nullopt) is passed over, not taken for the handheld.
    DriveList drives({{"/", "root"}, {"/media/x", std::nullopt}, {"/media/k7m", "K7M"}, {"/media/orb", "NRV_ORB"}}, 0);
    ScriptedMessages messages;
    QVERIFY(FindDeviceDrive(drives, messages));
    QCOMPARE(drives.selectedDrive(), 2);
    QVERIFY(!drives.isDriveListEnabled());
    QVERIFY(messages.shown().isEmpty());
}

void TestDeviceLocation::noHandheldAsksAndEnablesOnOk()
{
    for (const Answer answer : {Answer::Ok, Answer::Cancel}) {
        DriveList drives({{"/", "root"}, {"/media/usb", "NRV_ORB2"}, {"/media/none", QString()}}, 1);
        drives.setDriveListEnabled(false);
        ScriptedMessages messages;
        messages.answerNext(answer);
        QVERIFY(!FindDeviceDrive(drives, messages));
        QCOMPARE(drives.selectedDrive(), 1);
        QCOMPARE(drives.isDriveListEnabled(), answer == Answer::Ok);
        QCOMPARE(messages.shown().size(), 1);
        const ScriptedMessages::Shown &shown = messages.shown().first();
        QCOMPARE(shown.title, QString("K7M(Norvel)를 찾을수 없습니다."));
        QCOMPARE(shown.text, QString("자동으로 찾을수가 없습니다.\r연결이 되어있다면 직접 선택 하시겠습니까?"));
        QCOMPARE(shown.buttons, Buttons::OkCancel);
        QCOMPARE(shown.icon, Icon::None);
    }
}

void TestDeviceLocation::handheldPathsFollowTheRoot()
{
    QCOMPARE(handheldDocumentPath("/media/k7m", RecordKind::Contacts),
             QString("/media/k7m/Qtopia/Applications/addressbook/addressbook.xml"));
    QCOMPARE(handheldDocumentPath("/media/k7m/", RecordKind::Events),
             QString("/media/k7m/Qtopia/Applications/datebook/datebook.xml"));
    QCOMPARE(handheldFolderPath("/", RecordKind::Tasks), QString("/Qtopia/Applications/todolist"));
    QCOMPARE(DriveEntry({"/media/k7m", "K7M"}).displayText(), QString("/media/k7m [K7M]"));
    QCOMPARE(DriveEntry({"/media/x", std::nullopt}).displayText(), QString("/media/x"));
}

void TestDeviceLocation::driveListWidgetOffersPickedFolders()
{
    QTemporaryDir dir;
    DriveListWidget widget;
    widget.setDrives({{"/", "root"}, {"/media/k7m", "K7M"}}, 0);
    QCOMPARE(widget.comboBox()->count(), 2);
    QCOMPARE(widget.comboBox()->itemText(1), QString("/media/k7m [K7M]"));
    ScriptedMessages messages;
    QVERIFY(FindDeviceDrive(widget, messages));
    QCOMPARE(widget.selectedRoot(), QString("/media/k7m"));
    QVERIFY(!widget.isDriveListEnabled());
    QVERIFY(!widget.pickButton()->isEnabled());

    widget.setDriveListEnabled(true);
    QString askedFrom;
    widget.setFolderPicker([&](QWidget *, const QString &start) {
        askedFrom = start;
        return dir.path();
    });
    QTest::mouseClick(widget.pickButton(), Qt::LeftButton);
    QCOMPARE(askedFrom, QString("/media/k7m"));
    QCOMPARE(widget.selectedRoot(), dir.path());
    QCOMPARE(widget.comboBox()->count(), 3);
    // Picking the same folder again selects its entry instead of adding another.
    widget.selectDrive(0);
    QTest::mouseClick(widget.pickButton(), Qt::LeftButton);
    QCOMPARE(widget.comboBox()->count(), 3);
    QCOMPARE(widget.selectedDrive(), 2);
    // A cancelled dialog changes nothing.
    widget.setFolderPicker([](QWidget *, const QString &) { return QString(); });
    QTest::mouseClick(widget.pickButton(), Qt::LeftButton);
    QCOMPARE(widget.selectedDrive(), 2);
}

QTEST_MAIN(TestDeviceLocation)
#include "tst_devicelocation.moc"
