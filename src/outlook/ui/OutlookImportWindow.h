#pragma once

#include "exchange/Undo.h"
#include "outlook/OutlookImport.h"

#include <QWidget>
#include <array>
#include <functional>

class QCheckBox;
class QComboBox;
class QElapsedTimer;
class QFrame;
class QLabel;
class QLineEdit;
class QPushButton;

namespace pimdesk {

class DataSource;
class Messages;

// SUB1_3, "Outlook": the user ticks the kinds to copy from Outlook, sets the two ranges of
// last-modification dates (tasks, calendar) and presses 가져오기. Building the window is its load:
// both ranges start as today to today. The import sequence ends by enabling the launcher and
// hiding the window, which keeps its boxes and progress rows for the next opening; closing it
// enables the launcher too.
class OutlookImportWindow : public QWidget
{
    Q_OBJECT
public:
    using LauncherSwitch = std::function<void(bool enabled)>;

    OutlookImportWindow(QString storePath, Messages &messages, LauncherSwitch launcher, QWidget *parent = nullptr);
    ~OutlookImportWindow() override;

    // Where this window reaches Outlook; without one of its own, the program's source (if any).
    void setSource(outlook::OutlookSource source) { m_source = std::move(source); }

    // Where Outlook does not run, the window reads an Outlook data file (.pst, .ost) named in its
    // data-file box (Text13); its "..." button (Command3) asks for one with this chooser (a file
    // dialog unless a test puts its own). The box keeps its text while the program runs.
    using FileChooser = std::function<QString(QWidget *parent, const QString &current)>;
    void setFileChooser(FileChooser chooser) { m_chooseFile = std::move(chooser); }

    // The lists that show what an import or an undo changes; they re-read afterwards.
    void setLists(ListWindowsHost *lists) { m_lists = lists; }

    // The ranges as the boxes hold them now.
    outlook::RangeBoxes taskRange() const;
    outlook::RangeBoxes calendarRange() const;

    // The import sequence of Command2.
    outlook::SequenceOutcome runImport();
    // "되돌리기" (Command4): takes back the newest import or export of the data folder, as the
    // handheld windows' button does, after asking.
    UndoOutcome runUndo();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    struct ProgressRow
    {
        QLabel *caption;
        QLabel *text;
        QFrame *outline;
        QFrame *fill;
    };

    void applyPreset(int range, const QString &item);
    void setRange(int range, const outlook::RangeBoxes &boxes);
    outlook::RangeBoxes range(int range) const;
    void showProgress(RecordKind kind, const QString &label, double fraction);

    QString m_storePath;
    Messages &m_messages;
    LauncherSwitch m_launcher;
    outlook::OutlookSource m_source;

    QCheckBox *m_check[3];
    QComboBox *m_combo[2];
    std::array<QLineEdit *, 12> m_text;
    QPushButton *m_import;
    QPushButton *m_undo;
    ListWindowsHost *m_lists = nullptr;
    QLineEdit *m_dataFile;
    QPushButton *m_browse;
    FileChooser m_chooseFile;
    ProgressRow m_progress[3];
    DataSource *m_data1;
    DataSource *m_data2;
    std::unique_ptr<QElapsedTimer> m_repaintTimer;
};

} // namespace pimdesk
