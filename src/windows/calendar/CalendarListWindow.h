#pragma once

#include "records/DataSource.h"
#include "shell/ListWindow.h"

namespace pimdesk {

class RecordGrid;
struct ProgramContext;

// The calendar list (SUB4_1): every event of the Datebook table in a grid, newest start first, or
// what the calendar search selected. From here the user views an event (SUB4_2), deletes events,
// searches (Dialog2) and reaches the export and import windows of the handheld. Events are not
// made or changed here: they come from the handheld and from Outlook.
class CalendarListWindow : public ListWindow
{
    Q_OBJECT
public:
    explicit CalendarListWindow(ProgramContext &context, QWidget *parent = nullptr);

    DataSource &dataSource() override { return m_data1; }
    RecordGrid *grid() const { return m_grid; }

    // Shows another record source in the grid. When it cannot be read the user is told and the
    // grid keeps what it showed; returns whether the new source is shown.
    bool showRecordSource(const QString &recordSource);

    // The grid's columns: 0 holds the event's ID, 4 its description.
    static constexpr int idColumn = 0;
    static constexpr int descriptionColumn = 4;

private:
    void view();
    void remove();
    void search();
    // Points Data2 at the event of the current row; false when no stored event has that ID.
    bool fetchCurrentEvent();
    void reportStoreProblem(const QString &message);

    ProgramContext &m_context;
    DataSource m_data1;
    DataSource m_data2;
    RecordGrid *m_grid;
    int m_rowAfterReread = 0;
};

} // namespace pimdesk
