#include "app/FileMenu.h"

#include "records/Store.h"
#include "shell/FileChooser.h"
#include "shell/ListWindow.h"
#include "shell/ProgramContext.h"
#include "shell/StoreProblem.h"
#include "shell/WindowRegistry.h"

#include <QApplication>
#include <QFileInfo>
#include <QMainWindow>
#include <QMdiArea>
#include <QMdiSubWindow>
#include <QMenu>
#include <QMenuBar>
#include <QProgressDialog>

namespace pimdesk {

using formats::FileFormat;

namespace {

const QStringList vcardOpenFilters{QStringLiteral("vCard (*.vcf *.vcard)"), QStringLiteral("모든 파일 (*)")};
const QStringList icalOpenFilters{QStringLiteral("iCalendar, vCalendar (*.ics *.ical *.ifb *.vcs)"),
                                  QStringLiteral("모든 파일 (*)")};
// The versions of vCard, by the filter picked when saving: 3.0 reads everywhere; 2.1 for older
// phones; 4.0 for programs that want it.
const QStringList vcardSaveFilters{QStringLiteral("vCard 3.0 (*.vcf)"), QStringLiteral("vCard 2.1 (*.vcf)"),
                                   QStringLiteral("vCard 4.0 (*.vcf)")};
constexpr formats::VCardVersion savedVersions[] = {formats::VCardVersion::V30, formats::VCardVersion::V21,
                                                   formats::VCardVersion::V40};
const QStringList icalSaveFilters{QStringLiteral("iCalendar (*.ics)")};

QString withSuffix(const QString &file, const char *suffix)
{
    return QFileInfo(file).suffix().isEmpty() ? file + '.' + QLatin1String(suffix) : file;
}

} // namespace

FileMenu::FileMenu(QMenuBar *bar, ProgramContext &context, WindowRegistry &windows, QMdiArea *area)
    : QObject(bar), m_context(context), m_windows(windows), m_area(area)
{
    m_menu = bar->addMenu(QStringLiteral("파일"));
    m_menu->setObjectName("MENU_FILE");
    const struct
    {
        const char *name;
        const char *caption;
        FileFormat format;
        bool import;
    } entries[] = {
        {"FILE_VCARD_IMPORT", "vCard 가져오기…", FileFormat::VCard, true},
        {"FILE_VCARD_EXPORT", "vCard 내보내기…", FileFormat::VCard, false},
        {"FILE_ICAL_IMPORT", "iCalendar 가져오기…", FileFormat::ICalendar, true},
        {"FILE_ICAL_EXPORT", "iCalendar 내보내기…", FileFormat::ICalendar, false},
    };
    for (const auto &entry : entries) {
        QAction *action = m_menu->addAction(QString::fromUtf8(entry.caption));
        action->setObjectName(entry.name);
        const FileFormat format = entry.format;
        if (entry.import)
            connect(action, &QAction::triggered, this, [this, format] { importFiles(format); });
        else
            connect(action, &QAction::triggered, this, [this, format] { exportFile(format); });
    }
}

FileMenu::~FileMenu() = default;

FileChooser &FileMenu::chooser()
{
    if (m_chooser)
        return *m_chooser;
    if (!m_dialogs)
        m_dialogs = std::make_unique<DialogFileChooser>(m_context.mainWindow);
    return *m_dialogs;
}

ListWindow *FileMenu::activeList() const
{
    const QMdiSubWindow *current = m_area ? m_area->currentSubWindow() : nullptr;
    if (!current || !current->isVisible())
        return nullptr;
    return qobject_cast<ListWindow *>(current->widget());
}

formats::Progress FileMenu::progress(const QString &label)
{
    return [this, label](int done, int total) {
        if (total <= progressFrom)
            return;
        if (!m_progress) {
            m_progress = new QProgressDialog(label, QString(), 0, total, m_context.mainWindow);
            m_progress->setObjectName("FILE_PROGRESS");
            m_progress->setWindowTitle(label);
            m_progress->setWindowModality(Qt::WindowModal);
            m_progress->setCancelButton(nullptr);
            m_progress->setMinimumDuration(0);
            m_progress->setAutoClose(false);
            m_progress->setAutoReset(false);
        }
        m_progress->setMaximum(total);
        m_progress->setValue(std::min(done, total));
        QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
    };
}

void FileMenu::endProgress()
{
    delete m_progress;
    m_progress = nullptr;
}

void FileMenu::importFiles(FileFormat format)
{
    const QString title = formats::importTitle(format);
    const QStringList files =
        chooser().filesToOpen(title, format == FileFormat::VCard ? vcardOpenFilters : icalOpenFilters);
    if (files.isEmpty())
        return;
    formats::FileImportRequest request;
    request.format = format;
    request.files = files;
    request.nameMatches = formats::NameMatches::Ask;
    request.progress = progress(title);
    try {
        std::shared_ptr<Store> store = m_context.store ? m_context.store : Store::shared(m_context.storePath);
        formats::importFiles(*store, QFileInfo(m_context.storePath).absolutePath(), request, *m_context.messages,
                             &m_windows);
    } catch (const StoreError &e) {
        reportStoreProblem(m_context.messages, e);
    }
    endProgress();
}

void FileMenu::exportFile(FileFormat format)
{
    const QString title = formats::exportTitle(format);
    formats::FileExportRequest request;
    request.format = format;
    // The active list's kind goes out as the list shows it; with the calendar or the task list in
    // front, an iCalendar file holds that list's kind only.
    QString suggested = format == FileFormat::VCard ? QStringLiteral("contacts.vcf") : QStringLiteral("calendar.ics");
    if (ListWindow *list = activeList()) {
        if (formats::kindsOfFormat(format).contains(list->kind())) {
            request.recordSources.insert(list->kind(), list->dataSource().recordSource());
            if (format == FileFormat::ICalendar) {
                request.kinds = {list->kind()};
                suggested = list->kind() == RecordKind::Tasks ? QStringLiteral("tasks.ics") : suggested;
            }
        }
    }
    const FileChooser::Saving saving =
        chooser().fileToSave(title, suggested, format == FileFormat::VCard ? vcardSaveFilters : icalSaveFilters);
    if (saving.file.isEmpty())
        return;
    request.file = withSuffix(saving.file, format == FileFormat::VCard ? "vcf" : "ics");
    if (format == FileFormat::VCard)
        request.version = savedVersions[std::clamp<int>(saving.filter, 0, int(std::size(savedVersions)) - 1)];
    request.progress = progress(title);
    try {
        std::shared_ptr<Store> store = m_context.store ? m_context.store : Store::shared(m_context.storePath);
        formats::exportFile(*store, request, *m_context.messages);
    } catch (const StoreError &e) {
        reportStoreProblem(m_context.messages, e);
    }
    endProgress();
}

} // namespace pimdesk
