// Renders the main window with its launcher offscreen, the way the README shows it, and checks
// that every caption can be drawn: a Korean caption must not fall back to empty boxes.
//
// Set PIMDESK_MAIN_WINDOW_PNG to a file name to keep the picture (docs/main-window.png is made so).
#include "records/Messages.h"
#include "records/Store.h"
#include "shell/ListWindow.h"
#include "shell/MainWindow.h"
#include "shell/WindowRegistry.h"

#include <QAction>
#include <QGlyphRun>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRawFont>
#include <QSet>
#include <QTemporaryDir>
#include <QTest>
#include <QTextLayout>

using namespace pimdesk;

namespace {

// Glyphs that the fonts on this machine lack for a text in a widget's font (index 0 is the
// "missing glyph" box).
QString missingGlyphs(const QString &text, const QFont &font)
{
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    int drawn = 0;
    for (const QGlyphRun &run : layout.glyphRuns()) {
        for (quint32 glyph : run.glyphIndexes()) {
            if (glyph == 0)
                return text;
            ++drawn;
        }
    }
    return drawn == 0 ? text : QString();
}

int distinctColours(const QImage &image)
{
    QSet<QRgb> colours;
    for (int y = 0; y < image.height(); y += 2)
        for (int x = 0; x < image.width(); x += 2)
            colours.insert(image.pixel(x, y));
    return int(colours.size());
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
        QVERIFY2(distinctColours(image->grab().toImage()) > 20, qPrintable(image->objectName()));
    }

    const QString keep = qEnvironmentVariable("PIMDESK_MAIN_WINDOW_PNG");
    const QString file = keep.isEmpty() ? dir.filePath("main-window.png") : keep;
    QVERIFY(picture.save(file, "PNG"));
    QVERIFY(QImage(file).size() == picture.size());
}

QTEST_MAIN(TestMainWindowPicture)
#include "tst_mainwindow_picture.moc"
