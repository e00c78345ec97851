#pragma once

#include "formats/FileExchange.h"

#include <QObject>
#include <memory>

class QMdiArea;
class QMenu;
class QMenuBar;
class QProgressDialog;

namespace pimdesk {

class FileChooser;
class ListWindow;
class WindowRegistry;
struct ProgramContext;

// The main window's 파일 menu (MENU_FILE): contacts to and from vCard files, events and tasks to and
// from iCalendar files, each behind a file dialog. While a list window is the active window an
// export of its kind writes what the list shows (its search); otherwise the whole table. Files of
// more than a few hundred items get a progress dialog.
class FileMenu : public QObject
{
    Q_OBJECT
public:
    FileMenu(QMenuBar *bar, ProgramContext &context, WindowRegistry &windows, QMdiArea *area);
    ~FileMenu() override;

    QMenu *menu() const { return m_menu; }
    // The chooser the menu asks; without one, the file dialogs.
    void setChooser(FileChooser *chooser) { m_chooser = chooser; }

    void importFiles(formats::FileFormat format);
    void exportFile(formats::FileFormat format);

    // Above this many items an import or export shows its progress.
    static constexpr int progressFrom = 300;

private:
    FileChooser &chooser();
    ListWindow *activeList() const;
    formats::Progress progress(const QString &label);
    void endProgress();

    ProgramContext &m_context;
    WindowRegistry &m_windows;
    QMdiArea *m_area;
    QMenu *m_menu = nullptr;
    FileChooser *m_chooser = nullptr;
    std::unique_ptr<FileChooser> m_dialogs;
    QProgressDialog *m_progress = nullptr;
};

} // namespace pimdesk
