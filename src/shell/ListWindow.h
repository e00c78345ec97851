#pragma once

#include "records/Kinds.h"

#include <QList>
#include <QWidget>

class QMenu;

namespace pimdesk {

class DataSource;

// A list window: the working window of one table (contacts, events or tasks), shown with a grid
// bound to its data source. The main window opens it through the registry; the list tells the
// registry when the user is done with it so that the launcher takes clicks again.
class ListWindow : public QWidget
{
    Q_OBJECT
public:
    explicit ListWindow(RecordKind kind, QWidget *parent = nullptr);

    RecordKind kind() const { return m_kind; }

    // The data source the grid shows (Data1).
    virtual DataSource &dataSource() = 0;

    // Points the data source at the store with a record source (a table name or an SQL text) and
    // re-reads it, so the list shows that source. Throws StoreError.
    virtual void open(const QString &databasePath, const QString &recordSource);

    // Menus that take the place of the main window's menus while this list is the active window.
    virtual QList<QMenu *> ownMenus() const { return {}; }

signals:
    // The user is done with the list (its close command, or its frame closed it).
    void closed();

protected:
    // The close command: hides the list and reports it closed.
    void closeList();
    // Closing by the frame hides the list too; overriders call this base.
    void closeEvent(QCloseEvent *event) override;

private:
    RecordKind m_kind;
};

} // namespace pimdesk
