#pragma once

#include "records/DataSource.h"
#include "records/Kinds.h"
#include "shell/RecordEditor.h"

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QWidget>

class QMenu;

namespace pimdesk {

class RecordGrid;
struct ProgramContext;

// A list window: the working window of one table (contacts, events or tasks), shown with a grid
// bound to its data source. The main window opens it through the registry; the list tells the
// registry when the user is done with it so that the launcher takes clicks again.
//
// A list and the editor of its kind work together one way, whatever the kind: the list finds the
// record of the current row by the ID in the grid's first column, asks before deleting it, opens
// the editor (RecordEditor) on a new record or on the current one and is disabled meanwhile, and
// takes over again when the editor tells it it is done (EditorHost). After a re-read of the same
// record source the row the user was on stays current; a record the editor stored (a new one, or
// one it changed) becomes the current row; a new record source starts at its first row.
class ListWindow : public QWidget, public EditorHost
{
    Q_OBJECT
public:
    // A list without the record commands (no context): it only shows its data source.
    explicit ListWindow(RecordKind kind, QWidget *parent = nullptr);
    ListWindow(RecordKind kind, ProgramContext &context, QWidget *parent = nullptr);
    ~ListWindow() override;

    RecordKind kind() const { return m_kind; }

    // The data source the grid shows (Data1).
    virtual DataSource &dataSource() = 0;

    // Points the data source at the store with a record source (a table name or an SQL text) and
    // re-reads it, so the list shows that source from its first row. Throws StoreError.
    virtual void open(const QString &databasePath, const QString &recordSource);

    // Menus that take the place of the main window's menus while this list is the active window.
    virtual QList<QMenu *> ownMenus() const { return {}; }

    RecordGrid *grid() const { return m_grid; }
    // The ID in the first column of the current row, read as a whole number (never through a
    // floating-point number, which loses IDs above 2^53); 0 for a cell that holds none. The record
    // commands do nothing without a current row.
    qint64 currentId() const;
    // Reads the shown record source again; the current row stays where it was (or the nearest left).
    void reload();
    // Shows another record source of the store (a search); its first row becomes current. A source
    // the store cannot read is reported and the list keeps what it showed: returns whether the new
    // source is shown.
    bool showRecordSource(const QString &recordSource);
    // Raises the list above the other windows, when it is shown.
    void bringToFront();
    // Sorts the shown rows by a column of the grid through the store: ascending, or descending when
    // they are sorted ascending by it already. The sort stays for every record source the list
    // shows next (a search) until another column is chosen; the first row becomes current. A sort
    // the store cannot give is reported and the list keeps what it showed: returns whether the
    // rows are sorted.
    bool sortByColumn(int column);

    void editorFinished(EditEnd end) override;
    void newRecordRenumbered(qint64 id) override { m_newId = id; }

    // What of the list is open, by registry name: its editor while it holds a record of the list,
    // and those of its own windows (its search) that are shown. While any is, the list stays
    // disabled: it is that window's to enable again, not an exchange window's.
    QStringList openWindows() const;

    static constexpr int idColumn = 0;

signals:
    // The user is done with the list (its close command, or its frame closed it).
    void closed();

protected:
    // The grid over dataSource(), and the column whose text the delete question shows. Call once
    // the grid is built.
    void setGrid(RecordGrid *grid, int questionColumn);
    // The registry name of the editor the list opens.
    void setEditorWindow(const QString &name) { m_editorWindow = name; }
    // The registry name of another window that works on the list and holds it disabled while it
    // is shown (its search).
    void addOwnWindow(const QString &name) { m_ownWindows << name; }

    // The record commands: a new record with the next free ID, the current record in the editor,
    // the current record deleted after a question naming it. A store that fails on the way is
    // reported and the list is usable again.
    void newRecord();
    void editRecord();
    void deleteRecord();
    // Runs inside newRecord() before the new ID is taken. Throws StoreError.
    virtual void prepareNewRecord() {}

    // The editor, built on first use (null when none is registered), or only when it is built.
    RecordEditor *editor();
    RecordEditor *loadedEditor() const;
    // Reaches one record by its ID (for the delete, and to see that a record is still stored before
    // its editor opens). A list may give it the name its form gives it.
    DataSource &recordData() { return m_record; }

    ProgramContext *context() const { return m_context; }

    // The list is closing with its editor: the editor drops what it holds and hides.
    void abandonEditor();

    // The close command: hides the list and reports it closed.
    void closeList();
    // Closing by the frame hides the list too; overriders call this base.
    void closeEvent(QCloseEvent *event) override;

private:
    enum class NextRow { Kept, First, StoredRecord };

    // Points recordData() at the record with that ID; false when no such record is stored.
    bool fetchRecord(qint64 id);
    void placeAfterReread();

    RecordKind m_kind;
    ProgramContext *m_context = nullptr;
    DataSource m_record;
    RecordGrid *m_grid = nullptr;
    int m_questionColumn = idColumn;
    QString m_editorWindow;
    QStringList m_ownWindows;
    QPointer<QWidget> m_editorWidget;
    int m_lastRow = -1;
    NextRow m_nextRow = NextRow::First;
    qint64 m_newId = 0;
    qint64 m_storedId = 0; // the record to make current after the next re-read
    bool m_creating = false;
    bool m_editing = false; // the editor holds a record of the list
};

} // namespace pimdesk
