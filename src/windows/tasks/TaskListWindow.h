#pragma once

#include "shell/ListWindow.h"

namespace pimdesk {

class RecordGrid;
struct ProgramContext;

// The task list (SUB3_1): the Todo table in a grid, with commands to create, edit, delete and search
// tasks and pictures that open the device windows. Its hidden data source (Data2) reaches one task
// by its ID.
class TaskListWindow : public ListWindow
{
    Q_OBJECT
public:
    explicit TaskListWindow(ProgramContext &context, QWidget *parent = nullptr);

    DataSource &dataSource() override { return *m_data1; }

    // The grid's column of the task's description, which the delete question shows.
    static constexpr int descriptionColumn = 3;

private:
    void searchTasks();

    ProgramContext &m_context;
    DataSource *m_data1;
    RecordGrid *m_grid;
};

} // namespace pimdesk
