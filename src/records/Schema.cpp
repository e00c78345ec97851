#include "records/Schema.h"

namespace pimdesk::schema {

// Contacts: the list window shows the fields in stored order and hides the first two, so the second
// field is one nobody reads (application), and FileAs and the three phones come third to sixth.
const TableSchema &contacts()
{
    static const TableSchema t{"Contacts",
                               {"ID",
                                "application",
                                "FileAs",
                                "H_Phone",
                                "H_Mobile",
                                "O_Phone",
                                "Title",
                                "FirstName",
                                "FirstPronunciation",
                                "MiddleName",
                                "LastName",
                                "LastPronunciation",
                                "Suffix",
                                "Nickname",
                                "O_Title",
                                "O_Department",
                                "O_Company",
                                "O_Pronunciation",
                                "O_Fax",
                                "O_Mobile",
                                "O_Pager",
                                "O_Street",
                                "O_City",
                                "O_State",
                                "O_Zip",
                                "O_Country",
                                "O_URL",
                                "O_Office",
                                "O_Profession",
                                "O_Assistant",
                                "O_Manager",
                                "Emails",
                                "H_Fax",
                                "H_Street",
                                "H_City",
                                "H_State",
                                "H_Zip",
                                "H_Country",
                                "H_URL",
                                "H_Spouse",
                                "H_Children",
                                "H_Gender",
                                "H_Birthday",
                                "H_Anniv",
                                "Notes",
                                "BusinessContact",
                                "Photo",
                                "Category",
                                "BusinessCard",
                                "outlook_index"}};
    return t;
}

// Datebook: the calendar list hides its first two columns, shows start and end, then the description
// (fifth field, the one its delete question names).
const TableSchema &datebook()
{
    static const TableSchema t{
        "Datebook",
        {"ID",         "application", "Start", "End",   "Description",      "Location",     "Categories", "Timezone",
         "Note",       "Type",        "Rtype", "Rfreq", "Rweekdays",        "Rhasenddate",  "Enddt",      "Recchildren",
         "Exceptions", "balarm",      "alarm", "sound", "qdl-private-data", "outlook_index"}};
    return t;
}

// Todo: the task list hides the ID and shows priority and status before the description (fourth field).
const TableSchema &todo()
{
    static const TableSchema t{"Todo",
                               {"ID", "Priority", "Status", "Description", "Completed", "PercentCompleted", "Hasdate",
                                "Dateyear", "Datemonth", "Dateday", "Starteddate", "Completeddate", "Categories",
                                "Notes", "qdl-private-data", "outlook_index", "application"}};
    return t;
}

const QList<const TableSchema *> &tables()
{
    static const QList<const TableSchema *> all{&contacts(), &datebook(), &todo()};
    return all;
}

const TableSchema *table(const QString &name)
{
    for (const TableSchema *t : tables())
        if (t->name.compare(name, Qt::CaseInsensitive) == 0)
            return t;
    return nullptr;
}

bool isDateTimeField(const QString &table, const QString &field)
{
    if (table.compare("Datebook", Qt::CaseInsensitive) != 0)
        return false;
    return field.compare("Start", Qt::CaseInsensitive) == 0 || field.compare("End", Qt::CaseInsensitive) == 0 ||
           field.compare("Enddt", Qt::CaseInsensitive) == 0;
}

bool indexedDescending(const QString &table, const QString &field)
{
    return table.compare("Datebook", Qt::CaseInsensitive) == 0 && field.compare("Start", Qt::CaseInsensitive) == 0;
}

QStringList createStatements(const TableSchema &table)
{
    QStringList columns;
    for (const QString &field : table.fields) {
        if (field == "ID")
            columns << "\"ID\" INTEGER";
        else
            columns << QString("\"%1\" TEXT COLLATE NOCASE").arg(field);
    }
    const QList<AddedColumn> added = [&] {
        QList<AddedColumn> own;
        for (const AddedColumn &column : addedColumns())
            if (column.table == table.name)
                own << column;
        return own;
    }();
    for (const AddedColumn &column : added)
        columns << QString("\"%1\" TEXT").arg(column.name);
    QStringList statements{
        QString("CREATE TABLE \"%1\" (%2)").arg(table.name, columns.join(", ")),
        QString("CREATE UNIQUE INDEX \"%1_ID\" ON \"%1\" (\"ID\")").arg(table.name),
    };
    for (const QString &column : identityColumns(table.name))
        statements << identityIndexStatement(table.name, column);
    // Indexes that later versions added are made with the table too.
    for (const QString &statement : addedIndexStatements())
        if (statement.contains(QString("ON \"%1\"").arg(table.name)))
            statements << statement;
    return statements;
}

QStringList addedIndexStatements()
{
    return {
        // The calendar list shows the newest start first. Kept in that order (with the column's own
        // collation, as ORDER BY uses it), the index gives the list's order without sorting the table
        // in memory, and events that start together stay in the order they were stored.
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"Datebook_Start\" ON \"Datebook\" (\"Start\" DESC)"),
        // The contact search looks for a text anywhere in the display name, which no index can seek;
        // but scanning this index instead of the table reads a small fraction of the file. The
        // contacts sorted by name (a click on the list's header) read their order from it.
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"Contacts_FileAs\" ON \"Contacts\" (\"FileAs\")"),
        // The task search compares the status and the priority (its presets set both, "All" leaves
        // out one or both): with the status first, both and the status alone seek in the index, and a
        // priority alone walks it instead of the table.
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"Todo_Status_Priority\" ON \"Todo\" (\"Status\", \"Priority\")"),
        // The task and calendar searches look for a text anywhere in the description: as for the
        // display names, the index is walked instead of the table.
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"Todo_Description\" ON \"Todo\" (\"Description\")"),
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"Datebook_Description\" ON \"Datebook\" (\"Description\")"),
        // The calendar list sorted by its end column (a click on its header) reads that order from
        // here; sorted by start, from the index above, read backwards for the oldest first.
        QStringLiteral("CREATE INDEX IF NOT EXISTS \"Datebook_End\" ON \"Datebook\" (\"End\")"),
    };
}

const QList<AddedColumn> &addedColumns()
{
    // Identities are compared exactly (binary collation), unlike the texts the user searches.
    static const QList<AddedColumn> all{
        {"Contacts", foreignUidColumn},
        {"Datebook", foreignUidColumn},
        {"Todo", foreignUidColumn},
    };
    return all;
}

QStringList addedColumnNames(const QString &table)
{
    QStringList names;
    for (const AddedColumn &column : addedColumns())
        if (column.table.compare(table, Qt::CaseInsensitive) == 0)
            names << column.name;
    return names;
}

QString addColumnStatement(const AddedColumn &column)
{
    return QString("ALTER TABLE \"%1\" ADD COLUMN \"%2\" TEXT").arg(column.table, column.name);
}

QStringList identityColumns(const QString &table)
{
    // Every added column holds another program's identity.
    return QStringList{QStringLiteral("outlook_index")} + addedColumnNames(table);
}

QString identityIndexStatement(const QString &table, const QString &column)
{
    // Only the records that have the identity are in the index: most have none (nothing from the
    // handheld has one), and an index of the whole table would be made again from every record
    // after each import into an empty table, and walked by every insert. A look-up by the identity
    // (equal to, or like, a text) implies it is not null, so the index serves it.
    return QString("CREATE INDEX IF NOT EXISTS \"%1_%2\" ON \"%1\" (\"%2\") WHERE \"%2\" IS NOT NULL")
        .arg(table, column);
}

} // namespace pimdesk::schema
