#include "records/DataSource.h"

namespace pimdesk {

DataSource::DataSource(QObject *parent) : QObject(parent) {}

DataSource::~DataSource() = default;

void DataSource::setDatabaseName(const QString &path)
{
    if (path != m_databaseName)
        m_store.reset();
    m_databaseName = path;
}

void DataSource::setRecordSource(const QString &recordSource)
{
    m_recordSource = recordSource;
}

void DataSource::refresh()
{
    if (!m_store)
        m_store = Store::shared(m_databaseName);
    auto recordSet = std::make_unique<RecordSet>(m_store, m_recordSource, m_sort);
    m_recordSet = std::move(recordSet);
    emit refreshed();
}

RecordSet &DataSource::recordset()
{
    if (!m_recordSet)
        throw StoreError(storeProblem(m_databaseName, "데이터 원본이 아직 열리지 않았습니다."));
    return *m_recordSet;
}

} // namespace pimdesk
