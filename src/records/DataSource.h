#pragma once

#include "records/RecordSet.h"

#include <QObject>
#include <memory>

namespace pimdesk {

// A data source: a database path, a record source (a table name or an SQL text) and a re-read that
// opens the record set. Set up in that order. Windows own data sources; the exchange procedures are
// handed one. Data sources on the same path share the store's connection.
class DataSource : public QObject
{
    Q_OBJECT
public:
    explicit DataSource(QObject *parent = nullptr);
    ~DataSource() override;

    void setDatabaseName(const QString &path);
    const QString &databaseName() const { return m_databaseName; }
    void setRecordSource(const QString &recordSource);
    const QString &recordSource() const { return m_recordSource; }
    // An order over whatever record source is set (kept when the source changes); empty: the
    // source's own order. Takes effect at the next re-read.
    void setSortOrder(const SortOrder &sort) { m_sort = sort; }
    const SortOrder &sortOrder() const { return m_sort; }

    // Opens the store (creating a missing one) and reads the record set anew. Throws StoreError.
    void refresh();

    bool isOpen() const { return m_recordSet != nullptr; }
    // The record set of the last re-read; refresh() must have succeeded.
    RecordSet &recordset();
    std::shared_ptr<Store> store() const { return m_store; }

signals:
    // After every successful re-read (grids bound to the data source reload).
    void refreshed();

private:
    QString m_databaseName;
    QString m_recordSource;
    SortOrder m_sort;
    std::shared_ptr<Store> m_store;
    std::unique_ptr<RecordSet> m_recordSet;
};

} // namespace pimdesk
