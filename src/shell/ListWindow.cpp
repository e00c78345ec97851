#include "shell/ListWindow.h"

#include "records/DataSource.h"

#include <QCloseEvent>

namespace pimdesk {

ListWindow::ListWindow(RecordKind kind, QWidget *parent) : QWidget(parent), m_kind(kind) {}

void ListWindow::open(const QString &databasePath, const QString &recordSource)
{
    DataSource &source = dataSource();
    source.setDatabaseName(databasePath);
    source.setRecordSource(recordSource);
    source.refresh();
}

void ListWindow::closeList()
{
    hide();
    emit closed();
}

void ListWindow::closeEvent(QCloseEvent *event)
{
    QWidget::closeEvent(event);
    if (event->isAccepted())
        emit closed();
}

} // namespace pimdesk
