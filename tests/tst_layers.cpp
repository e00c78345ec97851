// The layers of src/ as the includes show them. Each layer includes only the layers below it:
//   records < exchange, outlook, formats < shell < windows, exchange/ui, outlook/ui < app
// cli sits beside shell: it may include records, exchange, outlook and formats, and nothing with
// windows in it. The layers below shell, and cli, never include a Qt Widgets header.
#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QTest>

namespace {

enum class Layer { Records, Procedures, Shell, Cli, Windows, App, Unknown };

const char *layerName(Layer layer)
{
    switch (layer) {
    case Layer::Records:
        return "records";
    case Layer::Procedures:
        return "exchange/outlook/formats";
    case Layer::Shell:
        return "shell";
    case Layer::Cli:
        return "cli";
    case Layer::Windows:
        return "windows/ui";
    case Layer::App:
        return "app";
    case Layer::Unknown:
        break;
    }
    return "outside the layers";
}

// The layer of a file, by its path below src/ ('/'-separated).
Layer layerOf(const QString &path)
{
    const QStringList parts = path.split(QLatin1Char('/'));
    const QString top = parts.value(0);
    if (parts.size() > 2 && (top == "exchange" || top == "outlook") && parts.value(1) == "ui")
        return Layer::Windows;
    if (top == "records")
        return Layer::Records;
    if (top == "exchange" || top == "outlook" || top == "formats")
        return Layer::Procedures;
    if (top == "shell")
        return Layer::Shell;
    if (top == "cli")
        return Layer::Cli;
    if (top == "windows")
        return Layer::Windows;
    if (top == "app")
        return Layer::App;
    return Layer::Unknown;
}

// How high a layer stands; cli counts as shell's height but is a side branch of its own.
int height(Layer layer)
{
    switch (layer) {
    case Layer::Records:
        return 0;
    case Layer::Procedures:
        return 1;
    case Layer::Shell:
    case Layer::Cli:
        return 2;
    case Layer::Windows:
        return 3;
    case Layer::App:
        return 4;
    case Layer::Unknown:
        break;
    }
    return 99;
}

bool mayInclude(Layer from, Layer to)
{
    if (from == Layer::Unknown || to == Layer::Unknown)
        return false;
    if (to == Layer::Cli)
        return from == Layer::Cli || from == Layer::App;
    if (from == Layer::Cli)
        return height(to) < height(Layer::Shell);
    return height(to) <= height(from);
}

bool mustNotUseWidgets(Layer layer)
{
    return layer == Layer::Records || layer == Layer::Procedures || layer == Layer::Cli;
}

// The folders of Qt Widgets' own headers (…/QtWidgets), from the include directories the build
// gives for Qt Widgets.
QStringList widgetHeaderFolders()
{
    QStringList folders;
    for (const QString &dir :
         QString::fromUtf8(PIMDESK_QT_WIDGETS_INCLUDE_DIRS).split(QLatin1Char('|'), Qt::SkipEmptyParts)) {
        if (QFileInfo(dir).fileName() == QLatin1String("QtWidgets"))
            folders << dir;
        else if (QFileInfo(dir + "/QtWidgets").isDir())
            folders << dir + "/QtWidgets";
    }
    folders.removeDuplicates();
    return folders;
}

bool isWidgetsHeader(const QString &header, const QStringList &widgetFolders)
{
    if (header == QLatin1String("QtWidgets") || header.startsWith(QLatin1String("QtWidgets/")))
        return true;
    for (const QString &folder : widgetFolders)
        if (QFileInfo::exists(folder + QLatin1Char('/') + header))
            return true;
    return false;
}

// What is wrong with one include line of a file, or an empty text when it is in order.
// quoted: "…" (a file of src/); otherwise <…>.
QString judge(const QString &file, bool quoted, const QString &header, const QStringList &widgetFolders,
              const QString &sourceRoot)
{
    const Layer from = layerOf(file);
    if (quoted) {
        if (!sourceRoot.isEmpty() && !QFileInfo::exists(sourceRoot + QLatin1Char('/') + header))
            return QStringLiteral("includes \"%1\", which is no file of src/").arg(header);
        const Layer to = layerOf(header);
        if (!mayInclude(from, to))
            return QStringLiteral("(%1) includes \"%2\" (%3)").arg(layerName(from), header, layerName(to));
        return QString();
    }
    if (mustNotUseWidgets(from) && isWidgetsHeader(header, widgetFolders))
        return QStringLiteral("(%1) includes the Qt Widgets header <%2>").arg(layerName(from), header);
    return QString();
}

struct Include
{
    QString file; // below src/
    int line;
    bool quoted;
    QString header;
};

QList<Include> includesBelow(const QString &root)
{
    static const QRegularExpression includeLine(R"(^\s*#\s*include\s*([<"])([^>"]+)[>"])");
    QList<Include> found;
    QDirIterator it(root, {"*.h", "*.cpp"}, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString path = it.next();
        QFile source(path);
        if (!source.open(QIODevice::ReadOnly))
            continue;
        const QString relative = QDir(root).relativeFilePath(path);
        int number = 0;
        while (!source.atEnd()) {
            const QString text = QString::fromUtf8(source.readLine());
            ++number;
            const QRegularExpressionMatch m = includeLine.match(text);
            if (m.hasMatch())
                found.append({relative, number, m.captured(1) == QLatin1String("\""), m.captured(2).trimmed()});
        }
    }
    return found;
}

} // namespace

class TestLayers : public QObject
{
    Q_OBJECT

private slots:
    void theRuleJudgesIncludes_data();
    void theRuleJudgesIncludes();
    void everyIncludeOfSrcGoesDownwards();

private:
    const QString m_root = QString::fromUtf8(PIMDESK_SOURCE_DIR);
};

void TestLayers::theRuleJudgesIncludes_data()
{
    QTest::addColumn<QString>("file");
    QTest::addColumn<bool>("quoted");
    QTest::addColumn<QString>("header");
    QTest::addColumn<bool>("allowed");

    QTest::newRow("records itself") << "records/Store.cpp" << true << "records/Store.h" << true;
    QTest::newRow("records -> exchange") << "records/Store.cpp" << true << "exchange/Undo.h" << false;
    QTest::newRow("exchange -> records") << "exchange/Undo.cpp" << true << "records/Store.h" << true;
    QTest::newRow("outlook -> exchange, one height")
        << "outlook/OutlookImport.cpp" << true << "exchange/Undo.h" << true;
    QTest::newRow("exchange -> its windows") << "exchange/Undo.cpp" << true << "exchange/ui/ExportWindow.h" << false;
    QTest::newRow("exchange -> shell") << "exchange/Undo.cpp" << true << "shell/ListWindow.h" << false;
    QTest::newRow("shell -> exchange") << "shell/WindowRegistry.h" << true << "exchange/ListWindowsHost.h" << true;
    QTest::newRow("shell -> windows") << "shell/WindowRegistry.cpp" << true << "windows/tasks/TaskEditor.h" << false;
    QTest::newRow("shell -> exchange/ui")
        << "shell/WindowRegistry.cpp" << true << "exchange/ui/ExportWindow.h" << false;
    QTest::newRow("shell -> outlook/ui") << "shell/ListWindowBar.cpp" << true << "outlook/ui/OutlookImportWindow.h"
                                         << false;
    QTest::newRow("shell -> app") << "shell/ListWindow.cpp" << true << "app/MainWindow.h" << false;
    QTest::newRow("windows -> shell") << "windows/tasks/TaskEditor.cpp" << true << "shell/Geometry.h" << true;
    QTest::newRow("outlook/ui -> shell") << "outlook/ui/OutlookImportWindow.cpp" << true << "shell/Geometry.h" << true;
    QTest::newRow("windows -> app") << "windows/tasks/TaskEditor.cpp" << true << "app/Launcher.h" << false;
    QTest::newRow("app -> windows") << "app/ProgramWindows.cpp" << true << "windows/tasks/TaskWindows.h" << true;
    QTest::newRow("app -> cli") << "app/pimdesk_cli_main.cpp" << true << "cli/Cli.h" << true;
    QTest::newRow("cli -> exchange") << "cli/ExportCommand.cpp" << true << "exchange/DeviceExport.h" << true;
    QTest::newRow("cli -> shell") << "cli/ExportCommand.cpp" << true << "shell/MessageBoxMessages.h" << false;
    QTest::newRow("cli -> exchange/ui") << "cli/ExportCommand.cpp" << true << "exchange/ui/ExportWindow.h" << false;
    QTest::newRow("shell -> cli") << "shell/WindowRegistry.cpp" << true << "cli/Cli.h" << false;
    QTest::newRow("windows -> cli") << "windows/tasks/TaskEditor.cpp" << true << "cli/Cli.h" << false;
    QTest::newRow("outside the layers") << "records/Store.cpp" << true << "support/TestSupport.h" << false;
    QTest::newRow("records <QWidget>") << "records/Store.cpp" << false << "QWidget" << false;
    QTest::newRow("exchange <QtWidgets/QLabel>") << "exchange/Undo.cpp" << false << "QtWidgets/QLabel" << false;
    QTest::newRow("cli <QMessageBox>") << "cli/Cli.cpp" << false << "QMessageBox" << false;
    QTest::newRow("outlook <QString>") << "outlook/OutlookImport.cpp" << false << "QString" << true;
    QTest::newRow("records <sqlite3.h>") << "records/Store.cpp" << false << "sqlite3.h" << true;
    QTest::newRow("exchange/ui <QWidget>") << "exchange/ui/DeviceWindow.h" << false << "QWidget" << true;
    QTest::newRow("shell <QWidget>") << "shell/ListWindow.h" << false << "QWidget" << true;
}

void TestLayers::theRuleJudgesIncludes()
{
    QFETCH(QString, file);
    QFETCH(bool, quoted);
    QFETCH(QString, header);
    QFETCH(bool, allowed);
    const QStringList widgets = widgetHeaderFolders();
    QVERIFY2(!widgets.isEmpty(), PIMDESK_QT_WIDGETS_INCLUDE_DIRS);
    // The rule alone: whether the included file exists is the scan's business.
    const QString verdict = judge(file, quoted, header, widgets, QString());
    QVERIFY2(verdict.isEmpty() == allowed, qPrintable(file + ' ' + verdict));
}

void TestLayers::everyIncludeOfSrcGoesDownwards()
{
    QVERIFY2(QFileInfo(m_root + "/records").isDir(), qPrintable(m_root));
    const QStringList widgets = widgetHeaderFolders();
    const QList<Include> includes = includesBelow(m_root);
    QStringList faults;
    QSet<Layer> seen;
    for (const Include &include : includes) {
        seen.insert(layerOf(include.file));
        const QString verdict = judge(include.file, include.quoted, include.header, widgets, m_root);
        if (!verdict.isEmpty())
            faults << QStringLiteral("src/%1:%2 %3").arg(include.file).arg(include.line).arg(verdict);
    }
    // The scan saw the whole tree: every layer has files, and they include things.
    QVERIFY2(includes.size() > 500, qPrintable(QString::number(includes.size())));
    for (Layer layer : {Layer::Records, Layer::Procedures, Layer::Shell, Layer::Cli, Layer::Windows, Layer::App})
        QVERIFY2(seen.contains(layer), layerName(layer));
    QVERIFY2(faults.isEmpty(), qPrintable("\n" + faults.join('\n')));
}

QTEST_GUILESS_MAIN(TestLayers)
#include "tst_layers.moc"
