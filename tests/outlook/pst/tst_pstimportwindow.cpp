#include "outlook/OutlookImport.h"
#include "outlook/OutlookSources.h"
#include "outlook/ui/OutlookImportWindow.h"
#include "records/Store.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;
using namespace pimdesk::outlook;

namespace {
const QString accessText = "OUTLOOK의 숨겨진 데이터의 접근을 위해 \r억섹스 허용시간을 10분으로 해주시기 바랍니다.";
}

// The Outlook window where Outlook does not run: it reads the data file named in its data-file row.
class TestPstImportWindow : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QString m_storePath = Store::pathInDirectory(m_dir.filePath("DATA"));
    ScriptedMessages m_messages;
    QList<bool> m_launcher;

    std::unique_ptr<OutlookImportWindow> window()
    {
        auto w = std::make_unique<OutlookImportWindow>(m_storePath, m_messages,
                                                       [this](bool enabled) { m_launcher << enabled; });
        w->show();
        return w;
    }
    static void press(QWidget *w, const char *button)
    {
        QTest::mouseClick(w->findChild<QPushButton *>(button), Qt::LeftButton);
    }

private slots:
    void readsTheNamedDataFile()
    {
        const QString sample = test::sharedTestdataPath("pst/java-libpst-dist-list.pst");
        if (!QFileInfo::exists(sample))
            QSKIP("the shared Outlook data files (testdata/pst) are not here");
        setProgramSource(nullptr);
        auto w = window();
        auto *box = w->findChild<QLineEdit *>("Text13");
        QVERIFY(box && box->text().isEmpty());
        w->findChild<QCheckBox *>("Check1")->setChecked(true);
        w->findChild<QCheckBox *>("Check3")->setChecked(true);
        auto *combo = w->findChild<QComboBox *>("Combo2");
        combo->setCurrentIndex(combo->findText("전체"));
        emit combo->activated(combo->currentIndex());

        // No file named: a clear message, nothing read, the window stays for the user to name one.
        press(w.get(), "Command2");
        QCOMPARE(m_messages.texts(),
                 (QStringList{accessText, "가져올 Outlook 데이터 파일(.pst, .ost)을 지정하십시오."}));
        QVERIFY(w->isVisible());
        QVERIFY(m_launcher.isEmpty());

        // A file that is not Outlook's: its reason, nothing read.
        const QString text = m_dir.filePath("notes.pst");
        QVERIFY(test::writeFile(text, "Dear diary"));
        box->setText(text);
        m_messages.clear();
        press(w.get(), "Command2");
        QCOMPARE(m_messages.texts(), (QStringList{accessText, "Outlook 데이터 파일(.pst, .ost)이 아닙니다.\r" + text}));
        QVERIFY(w->isVisible());
        QVERIFY(!QFileInfo::exists(m_storePath) || Store::shared(m_storePath)->count("Contacts") == 0);

        // "..." puts the chosen file in the box; the import then reads it like Outlook.
        QString offered;
        w->setFileChooser([&](QWidget *, const QString &current) {
            offered = current;
            return sample;
        });
        press(w.get(), "Command3");
        QCOMPARE(offered, text);
        QCOMPARE(box->text(), sample);
        m_messages.clear();
        press(w.get(), "Command2");
        // The series' two occurrences moved in Outlook are listed with the calendar's completion.
        QCOMPARE(m_messages.texts().size(), 3);
        QCOMPARE(m_messages.texts().mid(0, 2), (QStringList{accessText, completionText(RecordKind::Contacts)}));
        QVERIFY2(m_messages.texts().at(2).startsWith(completionText(RecordKind::Events) + "\r") &&
                     m_messages.texts().at(2).contains("Test appointment (") &&
                     m_messages.texts().at(2).endsWith("의 일정은 반복대로 남겼습니다."),
                 qPrintable(m_messages.texts().at(2)));
        QVERIFY(w->isHidden());
        QCOMPARE(m_launcher, QList<bool>{true});
        auto store = Store::shared(m_storePath);
        QCOMPARE(store->count("Contacts"), 1);
        QCOMPARE(store->count("Datebook"), 1);

        if (!qEnvironmentVariableIsEmpty("PIMDESK_PST_WINDOW_PNG")) {
            w->show();
            w->grab().save(qEnvironmentVariable("PIMDESK_PST_WINDOW_PNG"));
        }

        // The file stays named while the program runs, also in a window built anew.
        w.reset();
        QCOMPARE(window()->findChild<QLineEdit *>("Text13")->text(), sample);
    }
};

QTEST_MAIN(TestPstImportWindow)
#include "tst_pstimportwindow.moc"
