#include "records/Kinds.h"
#include "records/RecordIds.h"
#include "records/RecordSet.h"
#include "records/Store.h"

#include <QTemporaryDir>
#include <QTest>

#include <limits>

using namespace pimdesk;

Q_DECLARE_METATYPE(pimdesk::RecordKind)

namespace {

constexpr qint64 largest = std::numeric_limits<qint64>::max();
constexpr qint64 smallest = std::numeric_limits<qint64>::min();

} // namespace

// The IDs a new record gets and the record source that finds a record by its ID, for every kind.
class RecordIdsTest : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    std::shared_ptr<Store> m_store;
    int m_stores = 0;

    // Stores records with these IDs (given as SQL literals, so that texts and fractions can be
    // put there as another program might).
    void storeIds(RecordKind kind, const QStringList &ids)
    {
        for (const QString &id : ids)
            m_store->exec(QString("INSERT INTO %1 (ID) VALUES (%2)").arg(kindInfo(kind).table, id));
    }

private slots:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_store = Store::open(m_dir.filePath(QString("store-%1.mdb").arg(++m_stores)));
    }

    void nextIdIsFreeAndAboveTheLargest_data()
    {
        QTest::addColumn<RecordKind>("kind");
        QTest::addColumn<QStringList>("stored");
        QTest::addColumn<qint64>("expected");
        for (RecordKind kind : allKinds) {
            const QByteArray k = kindInfo(kind).table;
            QTest::newRow(k + ": empty table") << kind << QStringList{} << qint64(1);
            QTest::newRow(k + ": above the largest") << kind << QStringList{"3", "17", "5"} << qint64(18);
        }
        QTest::newRow("negative IDs from the handheld") << RecordKind::Tasks << QStringList{"-40", "-7"} << qint64(-6);
        QTest::newRow("a text above the numbers") << RecordKind::Contacts << QStringList{"4", "'x'", "9"} << qint64(10);
        QTest::newRow("a fraction") << RecordKind::Contacts << QStringList{"2", "2.5"} << qint64(3);
        QTest::newRow("only texts") << RecordKind::Events << QStringList{"'a'"} << qint64(1);
        QTest::newRow("the largest ID is taken: a gap above the smallest")
            << RecordKind::Contacts << QStringList{"1", "2", "4", QString::number(largest)} << qint64(3);
        QTest::newRow("the largest ID is taken: below the smallest")
            << RecordKind::Events << QStringList{QString::number(largest - 1), QString::number(largest)}
            << qint64(largest - 2);
        QTest::newRow("both ends taken") << RecordKind::Tasks
                                         << QStringList{QString::number(smallest), QString::number(largest)}
                                         << qint64(smallest + 1);
    }

    void nextIdIsFreeAndAboveTheLargest()
    {
        QFETCH(RecordKind, kind);
        QFETCH(QStringList, stored);
        QFETCH(qint64, expected);
        storeIds(kind, stored);
        QCOMPARE(nextId(*m_store, kind), expected);
    }

    void freeIdKeepsTheChosenOneUnlessItIsTaken()
    {
        for (RecordKind kind : allKinds) {
            storeIds(kind, {"3", "7"});
            QCOMPARE(freeId(*m_store, kind, 8), qint64(8));
            QCOMPARE(freeId(*m_store, kind, 5), qint64(5));
            // Taken since it was chosen (another writer): the next free one.
            QCOMPARE(freeId(*m_store, kind, 7), qint64(8));
            QCOMPARE(freeId(*m_store, kind, 3), qint64(8));
        }
    }

    void recordByIdSqlSelectsThatRecord_data()
    {
        QTest::addColumn<RecordKind>("kind");
        QTest::addColumn<qint64>("id");
        for (RecordKind kind : allKinds) {
            const QByteArray k = kindInfo(kind).table;
            QTest::newRow(k + " 12") << kind << qint64(12);
            QTest::newRow(k + " -12") << kind << qint64(-12);
            QTest::newRow(k + " largest") << kind << largest;
        }
    }

    void recordByIdSqlSelectsThatRecord()
    {
        QFETCH(RecordKind, kind);
        QFETCH(qint64, id);
        storeIds(kind, {"1", "-1", "12", "-12", "120", QString::number(largest)});
        RecordSet records(m_store, recordByIdSql(kind, id));
        QCOMPARE(records.recordCount(), 1);
        QCOMPARE(records.field("ID").toLongLong(), id);
    }

    void recordByIdSqlIsWrittenAsEver()
    {
        // A blank where the minus sign would be.
        QCOMPARE(recordByIdSql(RecordKind::Contacts, 12), QString("SELECT * FROM Contacts WHERE ID =  12"));
        QCOMPARE(recordByIdSql(RecordKind::Tasks, -3), QString("SELECT * FROM Todo WHERE ID = -3"));
        QCOMPARE(recordByIdSql(RecordKind::Events, 0), QString("SELECT * FROM Datebook WHERE ID =  0"));
    }
};

QTEST_GUILESS_MAIN(RecordIdsTest)
#include "tst_recordids.moc"
