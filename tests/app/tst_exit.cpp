// "종료(&X)" ends the program at once: no window is asked, no question is shown.
#include "app/MainWindow.h"
#include "records/Store.h"
#include "shell/WindowRegistry.h"
#include "support/ScriptedMessages.h"

#include <QAction>
#include <QApplication>
#include <QCloseEvent>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>

using namespace pimdesk;

namespace {

// An editor holding unsaved changes that would ask before letting itself be closed.
class PendingEditor : public QWidget
{
public:
    PendingEditor(Messages &messages, int &asked) : m_messages(messages), m_asked(asked) {}

protected:
    void closeEvent(QCloseEvent *event) override
    {
        ++m_asked;
        if (m_messages.show("변경 내용을 저장하시겠습니까?", "pimdesk", Buttons::OkCancel) == Answer::Cancel)
            event->ignore();
    }

private:
    Messages &m_messages;
    int &m_asked;
};

} // namespace

class TestExit : public QObject
{
    Q_OBJECT

private slots:
    void endsAtOnceWithoutAQuestion();
};

void TestExit::endsAtOnceWithoutAQuestion()
{
    QTemporaryDir dir;
    const QString storePath = Store::pathInDirectory(dir.filePath("DATA"));
    ScriptedMessages messages;
    messages.setDefaultAnswer(Answer::Cancel);
    int asked = 0;

    MainWindow main(storePath, messages, Store::shared(storePath));
    main.windows().registerWindow("SUB2_2",
                                  [&](ProgramContext &context) { return new PendingEditor(*context.messages, asked); });
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));
    QVERIFY(main.windows().showWindow("SUB2_2")->isVisible());

    auto *end = main.findChild<QAction *>("FILE_END");
    QVERIFY(end && end->isEnabled());
    QSignalSpy aboutToQuit(qApp, &QCoreApplication::aboutToQuit);
    bool stillRunning = false;
    QTimer::singleShot(0, end, &QAction::trigger);
    // Had the program stopped to ask, this would find the event loop still running.
    QTimer::singleShot(2000, [&] {
        stillRunning = true;
        QCoreApplication::exit(2);
    });
    const int status = QApplication::exec();

    QCOMPARE(status, 0);
    QVERIFY(!stillRunning);
    QCOMPARE(aboutToQuit.count(), 1);
    QCOMPARE(asked, 0);
    QVERIFY(messages.shown().isEmpty());
}

QTEST_MAIN(TestExit)
#include "tst_exit.moc"
