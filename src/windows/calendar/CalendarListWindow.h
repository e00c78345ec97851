#pragma once

#include "records/DataSource.h"
#include "shell/ListWindow.h"

namespace pimdesk {

class RecordGrid;
struct ProgramContext;

// The calendar list (SUB4_1): every event of the Datebook table in a grid, newest start first, or
// what the calendar search selected. From here the user views an event in the event window
// (SUB4_2), which also changes it, makes a new event there, deletes events, searches (Dialog2) and
// reaches the export and import windows of the handheld. Its hidden data source (Data2) reaches one
// event by its ID.
class CalendarListWindow : public ListWindow
{
    Q_OBJECT
public:
    explicit CalendarListWindow(ProgramContext &context, QWidget *parent = nullptr);

    DataSource &dataSource() override { return m_data1; }

    // The grid's columns: 0 holds the event's ID, 4 its description.
    static constexpr int descriptionColumn = 4;

private:
    void search();

    ProgramContext &m_context;
    DataSource m_data1;
    RecordGrid *m_grid;
};

} // namespace pimdesk
