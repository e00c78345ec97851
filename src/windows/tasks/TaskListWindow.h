#pragma once

#include "shell/ListWindow.h"

class QAbstractButton;

namespace pimdesk {

class DataSource;
class RecordGrid;
class StoreError;
class TaskEditor;
struct ProgramContext;

// The task list (SUB3_1): the Todo table in a grid, with commands to create, edit, delete and search
// tasks and pictures that open the device windows. The list owns the record being created or
// edited: its hidden data source (Data2) holds it while the task editor is open.
class TaskListWindow : public ListWindow
{
    Q_OBJECT
public:
    explicit TaskListWindow(ProgramContext &context, QWidget *parent = nullptr);

    DataSource &dataSource() override { return *m_data1; }
    void open(const QString &databasePath, const QString &recordSource) override;

    // The hidden data source whose record set holds the task being created or edited.
    DataSource &pendingSource() { return *m_data2; }
    RecordGrid *grid() const { return m_grid; }

    // Shows another record source of the store in the grid (the search's texts). Throws StoreError.
    void showRecordSource(const QString &recordSource);
    // Reads the shown record source again, keeping the current row where it was.
    void reload();
    // Raises the list above the other windows, when it is shown.
    void bringToFront();

    void reportStoreProblem(const StoreError &error);

private:
    void newTask();
    void editTask();
    void deleteTask();
    void searchTasks();
    void pointPendingSourceAt(const QString &recordSource);
    void afterRefresh();
    TaskEditor *editor();

    ProgramContext &m_context;
    DataSource *m_data1;
    DataSource *m_data2;
    RecordGrid *m_grid;
    int m_keepRow = -1;
};

} // namespace pimdesk
