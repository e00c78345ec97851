#pragma once

#include "exchange/Sync.h"
#include "exchange/ui/DeviceWindow.h"

#include <QDialog>

class QLabel;
class QPushButton;
class QTableWidget;

namespace pimdesk {

// The conflicts of a sync, one record at a time: the record's differing fields with the store's
// and the handheld's values side by side, and the choices "PC 것으로", "Norvel 것으로", "둘 다 두기"
// (the handheld's version becomes a new record) and "취소" (the sync stops; nothing is changed).
// Accepted once every conflict has a choice.
class SyncConflictDialog : public QDialog
{
    Q_OBJECT
public:
    explicit SyncConflictDialog(QList<SyncConflict> conflicts, QWidget *parent = nullptr);

    const SyncChoices &choices() const { return m_choices; }
    // The conflict on show (its index).
    qsizetype current() const { return m_current; }

private:
    void showConflict();
    void choose(SyncChoice choice);

    QList<SyncConflict> m_conflicts;
    SyncChoices m_choices;
    qsizetype m_current = 0;
    QLabel *m_record;
    QTableWidget *m_fields;
};

// SUB1_4, "Norvel과 동기화": the user ticks the kinds, checks the drive the device search chose (or
// picks one), looks at what the sync would do ("미리 보기": a table per kind and side) and syncs
// ("동기화"); conflicts are asked in the conflict dialog, a sync that would delete many records is
// asked first. "되돌리기" undoes the newest exchange. The lists re-read after a sync.
class SyncWindow : public DeviceWindow
{
    Q_OBJECT
public:
    // Answers the conflicts (the conflict dialog by default; tests drive it by its object names).
    using ConflictAsker = std::function<bool(const QList<SyncConflict> &, SyncChoices &)>;

    SyncWindow(QString dataDirectory, Messages &messages, ListWindowsHost *lists, QWidget *parent = nullptr,
               const DriveSource &drives = {});

    QList<SyncKindPlan> runPreview();
    SyncOutcome runSync();
    void setConflictAsker(ConflictAsker asker) { m_asker = std::move(asker); }

protected:
    void start() override { runSync(); }

private:
    void showPlans(const QList<SyncKindPlan> &plans);

    QPushButton *m_preview;
    QTableWidget *m_table;
    ConflictAsker m_asker;
};

} // namespace pimdesk
