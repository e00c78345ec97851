#include "records/DataSource.h"
#include "records/Store.h"
#include "shell/RecordGrid.h"

#include <QAbstractItemModelTester>
#include <QHeaderView>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;

class RecordGridTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString storeWithContacts(int count)
    {
        const QString path = m_dir.filePath(QString("%1.mdb").arg(QTest::currentTestFunction()));
        auto store = Store::open(path);
        RecordSet rs(store, "Contacts");
        for (int id = 1; id <= count; ++id) {
            rs.addNew();
            rs.setField("ID", id);
            rs.setField("FileAs", QString("이름 %1").arg(id));
            rs.update();
        }
        return path;
    }

private slots:
    void followsItsDataSource()
    {
        DataSource source;
        RecordGrid grid(source);
        QAbstractItemModelTester tester(&grid.gridModel(), QAbstractItemModelTester::FailureReportingMode::QtTest);
        QCOMPARE(grid.gridModel().rowCount(), 0); // not yet read: an empty grid, no failure

        source.setDatabaseName(storeWithContacts(5));
        source.setRecordSource("SELECT * FROM Contacts ORDER BY ID DESC");
        source.refresh();
        QCOMPARE(grid.gridModel().rowCount(), 5);
        QCOMPARE(grid.gridModel().headerData(2, Qt::Horizontal).toString(), QString("FileAs"));
        QCOMPARE(grid.gridModel().cellText(0, 2), QString("이름 5"));

        grid.gridModel().setHeaderText(2, "이름");
        QCOMPARE(grid.gridModel().headerData(2, Qt::Horizontal).toString(), QString("이름"));

        grid.setCurrentCell(3, 0);
        QCOMPARE(grid.currentRow(), 3);
        QCOMPARE(grid.currentRowText(0), QString("2"));
        grid.setCurrentCell(99, 0); // outside the set: the current cell stays
        QCOMPARE(grid.currentRow(), 3);

        // A record deleted through the set is gone from the grid after the re-read, and a cell
        // read in between shows nothing rather than failing.
        source.recordset().setPosition(4);
        source.recordset().remove();
        QCOMPARE(grid.gridModel().cellText(4, 2), QString());
        source.refresh();
        QCOMPARE(grid.gridModel().rowCount(), 4);
    }

    void widthsInTwipsSurviveARead()
    {
        DataSource source;
        source.setDatabaseName(storeWithContacts(3));
        source.setRecordSource("Contacts");
        RecordGrid grid(source);
        grid.setColumnWidthTwips(0, 0);
        grid.setColumnWidthTwips(2, 1440);
        source.refresh();
        QVERIFY(grid.isColumnHidden(0));
        QVERIFY(!grid.isColumnHidden(1));
        QCOMPARE(grid.columnWidth(2), grid.logicalDpiX());

        // The store's own bookkeeping column (other programs' identities) is never shown; every
        // field of the record is, whether a width was given or not.
        const int columns = grid.gridModel().columnCount();
        QCOMPARE(grid.gridModel().headerData(columns - 1, Qt::Horizontal).toString(), QString("foreign_uid"));
        QVERIFY(grid.isColumnHidden(columns - 1));
        QVERIFY(!grid.isColumnHidden(columns - 2));
    }
};

QTEST_MAIN(RecordGridTest)
#include "tst_recordgrid.moc"
