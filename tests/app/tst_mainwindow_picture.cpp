// Renders the main window with its launcher offscreen, the way the README shows it, and checks
// that every caption can be drawn: a Korean caption must not fall back to empty boxes.
//
// Set PIMDESK_MAIN_WINDOW_PNG to a file name to keep the picture (docs/main-window.png is made so).
#include "app/MainWindow.h"
#include "records/Messages.h"
#include "records/Store.h"
#include "shell/ListWindow.h"
#include "shell/WindowRegistry.h"
#include "support/PictureChecks.h"

#include <QAction>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRawFont>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;

namespace {

// The text, when the fonts on this machine cannot draw it in font; else nothing.
QString missingGlyphs(const QString &text, const QFont &font)
{
    return test::undrawable(text, font) ? text : QString();
}

} // namespace

class TestMainWindowPicture : public QObject
{
    Q_OBJECT

private slots:
    void rendersEveryCaption();
};

void TestMainWindowPicture::rendersEveryCaption()
{
    QTemporaryDir dir;
    const QString storePath = Store::pathInDirectory(dir.filePath("DATA"));
    SilentMessages messages;
    MainWindow main(storePath, messages, Store::shared(storePath));
    // As it looks once every window is there: all four entries enabled.
    for (const char *name : {"SUB2_1", "SUB3_1", "SUB4_1", "SUB1_3"})
        main.windows().registerWindow(name, [](ProgramContext &) { return new QWidget; });
    main.show();
    QVERIFY(QTest::qWaitForWindowExposed(&main));

    QStringList missing;
    for (int i = 1; i <= 4; ++i) {
        auto *caption = main.findChild<QLabel *>(QString("Label%1").arg(i));
        missing << missingGlyphs(caption->text(), caption->font());
    }
    for (QAction *menu : main.menuBar()->actions()) {
        missing << missingGlyphs(menu->text(), main.menuBar()->font());
        for (QAction *item : menu->menu()->actions())
            if (!item->isSeparator())
                missing << missingGlyphs(item->text().remove('&'), menu->menu()->font());
    }
    missing.removeAll(QString());
    QVERIFY2(missing.isEmpty(), qPrintable("no font draws: " + missing.join(", ")));

    const QImage picture = main.grab().toImage();
    QCOMPARE(picture.size(), main.size() * picture.devicePixelRatio());
    // Each launcher picture is drawn, not an empty patch.
    for (int i = 1; i <= 4; ++i) {
        auto *image = main.findChild<QLabel *>(QString("Image%1").arg(i));
        QVERIFY2(test::distinctColours(image->grab().toImage()) > 20, qPrintable(image->objectName()));
    }

    const QString keep = qEnvironmentVariable("PIMDESK_MAIN_WINDOW_PNG");
    const QString file = keep.isEmpty() ? dir.filePath("main-window.png") : keep;
    QVERIFY(picture.save(file, "PNG"));
    QVERIFY(QImage(file).size() == picture.size());
}

QTEST_MAIN(TestMainWindowPicture)
#include "tst_mainwindow_picture.moc"
