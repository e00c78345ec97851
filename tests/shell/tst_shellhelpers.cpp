// Message boxes as the user sees them, and the twips the windows are designed in.
#include "shell/Geometry.h"
#include "shell/MessageBoxMessages.h"

#include <QAbstractButton>
#include <QApplication>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <functional>

using namespace pimdesk;

namespace {

struct SeenBox
{
    QString title;
    QString text;
    Qt::TextFormat format = Qt::AutoText;
    QMessageBox::Icon icon = QMessageBox::NoIcon;
    QStringList buttons;
    bool seen = false;
};

// Looks at the message box once it is up, then answers it by the given means.
void answerWhenShown(SeenBox &seen, std::function<void(QMessageBox *)> answer)
{
    QTimer::singleShot(0, [&seen, answer] {
        auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
        if (!box)
            return;
        seen.seen = true;
        seen.title = box->windowTitle();
        seen.text = box->text();
        seen.format = box->textFormat();
        seen.icon = box->icon();
        for (QAbstractButton *button : box->buttons())
            seen.buttons << button->text();
        seen.buttons.sort();
        answer(box);
    });
}

// Clicks the box's OK (accepting) or Cancel (rejecting) button.
void click(QMessageBox *box, QMessageBox::StandardButton which)
{
    const QMessageBox::ButtonRole role = which == QMessageBox::Ok ? QMessageBox::AcceptRole : QMessageBox::RejectRole;
    for (QAbstractButton *button : box->buttons())
        if (box->buttonRole(button) == role)
            return button->click();
    QFAIL("the box has no such button");
}

} // namespace

class TestShellHelpers : public QObject
{
    Q_OBJECT

private slots:
    void okBoxShowsTitleTextAndNoIcon();
    void questionAnswersOkOrCancel();
    void carriageReturnsStartNewLinesAndMarkupStaysText();
    void twipsBecomePixelsAtTheLogicalDpi();
    void placingAWindowMovesItsFrame();
};

void TestShellHelpers::okBoxShowsTitleTextAndNoIcon()
{
    MessageBoxMessages messages;
    SeenBox seen;
    answerWhenShown(seen, [](QMessageBox *box) { click(box, QMessageBox::Ok); });
    QCOMPARE(messages.show("연락처 가져오기가 끝났습니다.", "Norvel", Buttons::Ok, Icon::None), Answer::Ok);
    QVERIFY(seen.seen);
    QCOMPARE(seen.title, QString("Norvel"));
    QCOMPARE(seen.text, QString("연락처 가져오기가 끝났습니다."));
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QCOMPARE(seen.buttons, QStringList{"확인"});

    // Closing a box that only informs is taking note of it.
    SeenBox escaped;
    answerWhenShown(escaped, [](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); });
    QCOMPARE(messages.show("끝", "", Buttons::Ok, Icon::Information), Answer::Ok);
    QVERIFY(escaped.seen);
    QCOMPARE(escaped.icon, QMessageBox::Information);
}

void TestShellHelpers::questionAnswersOkOrCancel()
{
    MessageBoxMessages messages;
    SeenBox seen;
    answerWhenShown(seen, [](QMessageBox *box) { click(box, QMessageBox::Cancel); });
    QCOMPARE(messages.show("홍길동", "정말로 삭제 하시겠습니까?", Buttons::OkCancel, Icon::None), Answer::Cancel);
    QCOMPARE(seen.buttons, (QStringList{"취소", "확인"}));
    QCOMPARE(seen.icon, QMessageBox::NoIcon);
    QCOMPARE(seen.title, QString("정말로 삭제 하시겠습니까?"));

    answerWhenShown(seen, [](QMessageBox *box) { click(box, QMessageBox::Ok); });
    QCOMPARE(messages.show("홍길동", "정말로 삭제 하시겠습니까?", Buttons::OkCancel, Icon::None), Answer::Ok);

    // Escape and Enter: Cancel and the default OK.
    answerWhenShown(seen, [](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Escape); });
    QCOMPARE(messages.show("홍길동", "", Buttons::OkCancel, Icon::None), Answer::Cancel);
    answerWhenShown(seen, [](QMessageBox *box) { QTest::keyClick(box, Qt::Key_Return); });
    QCOMPARE(messages.show("홍길동", "", Buttons::OkCancel, Icon::None), Answer::Ok);
}

void TestShellHelpers::carriageReturnsStartNewLinesAndMarkupStaysText()
{
    QCOMPARE(MessageBoxMessages::displayText("첫째 줄\r둘째 줄\r\n셋째 줄\n넷째"),
             QString("첫째 줄\n둘째 줄\n셋째 줄\n넷째"));
    QCOMPARE(MessageBoxMessages::displayText("\r\r"), QString("\n\n"));

    MessageBoxMessages messages;
    SeenBox seen;
    answerWhenShown(seen, [](QMessageBox *box) { click(box, QMessageBox::Ok); });
    messages.show("<b>김철수</b>\r& Co.", "", Buttons::Ok, Icon::None);
    QCOMPARE(seen.text, QString("<b>김철수</b>\n& Co."));
    QCOMPARE(seen.format, Qt::PlainText);
}

void TestShellHelpers::twipsBecomePixelsAtTheLogicalDpi()
{
    QWidget widget;
    const int dpiX = widget.logicalDpiX();
    const int dpiY = widget.logicalDpiY();
    QCOMPARE(twipsToPixels(1440, &widget), dpiX);
    QCOMPARE(twipsToPixels(1440, &widget, Qt::Vertical), dpiY);
    QCOMPARE(twipsToPixels(0, &widget), 0);
    QCOMPARE(twipsToPixels(2880 * 5, &widget), dpiX * 10);
    // Rounded to the nearest pixel, not cut off.
    QCOMPARE(twipsToPixels(3000, &widget), qRound(3000.0 * dpiX / 1440));
    QCOMPARE(twipsToPixels(1900, &widget), qRound(1900.0 * dpiX / 1440));
    QCOMPARE(twipsToPixels(QSize(1440, 2880), &widget), QSize(dpiX, 2 * dpiY));
    QCOMPARE(twipsToPixels(QRect(720, 1440, 1440, 720), &widget),
             QRect(qRound(dpiX / 2.0), dpiY, dpiX, qRound(dpiY / 2.0)));
    // Without a widget the primary screen decides.
    QCOMPARE(twipsToPixels(1440, nullptr), qRound(QGuiApplication::primaryScreen()->logicalDotsPerInchX()));
}

void TestShellHelpers::placingAWindowMovesItsFrame()
{
    QMdiArea area;
    area.resize(600, 400);
    auto *window = new QWidget;
    QMdiSubWindow *frame = area.addSubWindow(window);
    placeWindow(window, QRect(0, 0, 500, 300));
    QCOMPARE(mdiFrame(window), frame);
    QCOMPARE(frame->geometry(), QRect(0, 0, 500, 300));

    QWidget loose;
    QCOMPARE(mdiFrame(&loose), nullptr);
    placeWindow(&loose, QRect(10, 20, 200, 100));
    QCOMPARE(loose.geometry(), QRect(10, 20, 200, 100));
}

QTEST_MAIN(TestShellHelpers)
#include "tst_shellhelpers.moc"
