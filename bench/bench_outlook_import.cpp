// Outlook import: 10,000 and 100,000 contacts and appointments from an Outlook standing in memory
// (items made on demand, as a data-file back end reads them), imported into an empty store and again
// into the store that holds them (every item an update). Prints records per second and peak memory,
// and beside them a baseline measured in the same run on the same rows: plain SQLite inserts of the
// same field values through one prepared statement in one transaction, the floor of any import.
//
//   bench_outlook_import [--sizes 10000,100000]
//
// Each size and kind runs in a child process of this program, so its peak memory (VmHWM) is its own.

#include "BenchReport.h"
#include "outlook/OutlookImport.h"
#include "records/Clock.h"
#include "records/DataSource.h"
#include "records/Messages.h"
#include "records/Store.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <sqlite3.h>

#include <cstdio>
#include <ctime>

using namespace pimdesk;
using namespace pimdesk::outlook;

namespace {

// CPU time of this process: the machine is shared, so wall time alone says little.
double cpuSeconds()
{
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return double(t.tv_sec) + t.tv_nsec / 1e9;
}

const char *const familyNames[] = {"김", "이", "박", "최", "정", "강", "조", "윤", "장", "임"};
const char *const givenNames[] = {"민준", "서연", "도윤", "지우", "하준", "서윤", "시우", "민서", "주원", "하은"};

QString entryId(int i)
{
    return QString("00000000A41D63DBC53B8E4AB8071E15E55750CE%1").arg(i, 8, 16, QChar('0')).toUpper();
}

struct GeneratedContact : ContactItem
{
    int i;
    explicit GeneratedContact(int n) : i(n) {}
    QString n() const { return QString::number(i); }
    QString EntryID() const override { return entryId(i); }
    QString Subject() const override { return LastName() + FirstName(); }
    QString Body() const override { return i % 4 ? "메모 " + n() : QString("여러 줄 메모\r\n둘째 줄"); }
    QString Categories() const override { return i % 5 ? QString() : QString("업무"); }
    QString Title() const override { return {}; }
    QString FirstName() const override { return QString::fromUtf8(givenNames[(i / 10) % 10]); }
    QString MiddleName() const override { return {}; }
    QString LastName() const override { return QString::fromUtf8(familyNames[i % 10]); }
    QString Suffix() const override { return {}; }
    QString NickName() const override { return {}; }
    QString Email1Address() const override { return "user" + n() + "@example.kr"; }
    QString CompanyName() const override { return "Norvel Corp " + QString::number(i % 300); }
    QString JobTitle() const override { return "과장"; }
    QString BusinessTelephoneNumber() const override { return "02-555-" + n().rightJustified(4, '0'); }
    QString MobileTelephoneNumber() const override { return "010-2" + n().rightJustified(7, '0'); }
    QString BusinessFaxTelephoneNumber() const override { return "02-556-" + n().rightJustified(4, '0'); }
    QString PagerNumber() const override { return {}; }
    QString BusinessAddressStreet() const override { return "테헤란로 " + QString::number(i % 500); }
    QString BusinessAddressCity() const override { return "서울"; }
    QString BusinessAddressState() const override { return {}; }
    QString BusinessAddressPostalCode() const override { return QString::number(10000 + i % 90000); }
    QString BusinessAddressCountry() const override { return "대한민국"; }
    QString BusinessHomePage() const override { return {}; }
    QString Department() const override { return "영업" + QString::number(i % 20) + "팀"; }
    QString OfficeLocation() const override { return {}; }
    QString Profession() const override { return {}; }
    QString ManagerName() const override { return {}; }
    QString AssistantName() const override { return {}; }
    QString HomeTelephoneNumber() const override { return "031-" + n().rightJustified(7, '0'); }
    QString HomeFaxTelephoneNumber() const override { return {}; }
    QString HomeAddressStreet() const override { return "수원시 팔달구 " + QString::number(i % 999) + "번지"; }
    QString HomeAddressCity() const override { return "수원"; }
    QString HomeAddressState() const override { return {}; }
    QString HomeAddressPostalCode() const override { return {}; }
    QString HomeAddressCountry() const override { return {}; }
    QString PersonalHomePage() const override { return {}; }
    QString Spouse() const override { return {}; }
    QString Children() const override { return {}; }
    QDateTime Anniversary() const override { return noDate(); }
    int Gender() const override { return 1 + i % 2; }
    QDateTime Birthday() const override { return QDateTime(QDate(1950 + i % 50, 1 + i % 12, 15), QTime(0, 0)); }
    QString FileAs() const override { return LastName() + ", " + FirstName(); }
};

struct GeneratedPattern : RecurrencePattern
{
    int RecurrenceType() const override { return olRecursWeekly; }
    int Occurrences() const override { return 10; }
    int DayOfWeekMask() const override { return olMonday | olWednesday; }
    int Instance() const override { return 0; }
    bool NoEndDate() const override { return false; }
    QDateTime PatternEndDate() const override { return QDateTime(QDate(2009, 1, 1), QTime(0, 0)); }
};

struct GeneratedAppointment : AppointmentItem
{
    int i;
    explicit GeneratedAppointment(int n) : i(n) {}
    QString EntryID() const override { return entryId(i); }
    QString Subject() const override { return "주간 회의 " + QString::number(i); }
    QString Body() const override
    {
        return i % 3 ? "안건 " + QString::number(i) : QString("안건:\r\n1. 예산\r\n2. 일정");
    }
    QString Categories() const override { return {}; }
    QDateTime LastModificationTime() const override { return QDateTime(QDate(2008, 3, 7), QTime(12, 0)); }
    QString Location() const override { return QString::number(i % 12) + "층 회의실"; }
    QDateTime Start() const override { return QDateTime(QDate(2006, 1, 1), QTime(9, 0)).addSecs(qint64(i) * 3600); }
    QDateTime End() const override { return Start().addSecs(1800); }
    bool AllDayEvent() const override { return false; }
    bool ReminderSet() const override { return i % 2; }
    int RecurrenceState() const override { return i % 7 ? olApptNotRecurring : olApptMaster; }
    std::shared_ptr<RecurrencePattern> GetRecurrencePattern() override { return std::make_shared<GeneratedPattern>(); }
};

class GeneratedOutlook : public Application, public NameSpace, public MAPIFolder, public outlook::Items
{
public:
    GeneratedOutlook(int folder, int count) : m_folder(folder), m_count(count) {}
    std::shared_ptr<NameSpace> GetNamespace(const QString &) override { return self(); }
    std::shared_ptr<MAPIFolder> GetDefaultFolder(int) override { return self(); }
    std::shared_ptr<outlook::Items> Items() override { return self(); }
    int Count() override { return m_count; }
    std::shared_ptr<outlook::Item> Item(int index) override
    {
        if (m_folder == olFolderContacts)
            return std::make_shared<GeneratedContact>(index);
        return std::make_shared<GeneratedAppointment>(index);
    }
    std::shared_ptr<GeneratedOutlook> self()
    {
        return std::shared_ptr<GeneratedOutlook>(std::shared_ptr<void>(), this);
    }

private:
    int m_folder;
    int m_count;
};

// The baseline: the same field values (a copy of the table the import filled) inserted into a fresh
// table of the same layout with one prepared statement in one transaction.
std::pair<double, double> baselineSeconds(Store &store, const QString &table)
{
    store.exec(QString("CREATE TABLE baseline AS SELECT * FROM \"%1\" WHERE 0").arg(table));
    store.exec("CREATE UNIQUE INDEX baseline_id ON baseline (ID)");
    store.exec("CREATE INDEX baseline_oi ON baseline (outlook_index)");
    const QStringList columns = store.columnNames(table);
    QList<QVariantList> rows;
    {
        Store::Query q(store, QString("SELECT * FROM \"%1\"").arg(table));
        while (q.next()) {
            QVariantList row;
            for (int c = 0; c < q.columnCount(); ++c)
                row << q.value(c);
            rows << row;
        }
    }
    QStringList marks(columns.size(), "?");
    const QString insert = "INSERT INTO baseline VALUES (" + marks.join(", ") + ")";
    QElapsedTimer timer;
    timer.start();
    const double cpu = cpuSeconds();
    Store::Transaction transaction(store);
    for (const QVariantList &row : rows)
        store.exec(insert, row);
    transaction.commit();
    return {timer.nsecsElapsed() / 1e9, cpuSeconds() - cpu};
}

int runChild(const QString &kind, int size)
{
    QTemporaryDir dir;
    const QString path = Store::pathInDirectory(dir.path());
    const bool contacts = kind == "contacts";
    auto outlook = std::make_shared<GeneratedOutlook>(contacts ? olFolderContacts : olFolderCalendar, size);
    DataSource data1, data2;
    SilentMessages messages;
    ImportContext context{[outlook] { return std::static_pointer_cast<Application>(outlook->self()); },
                          path,
                          &data1,
                          &data2,
                          &messages,
                          [](RecordKind, const QString &, double) {}};
    const RangeBoxes all{"1970", "01", "02", "2038", "01", "18"};
    const auto run = [&]() {
        QElapsedTimer timer;
        timer.start();
        const double cpu = cpuSeconds();
        const KindOutcome outcome = contacts ? ContactsFromOutlook(context) : DatebookFromOutlook(context, all);
        const double seconds = timer.nsecsElapsed() / 1e9;
        const double cpuUsed = cpuSeconds() - cpu;
        if (!outcome.ok || outcome.added + outcome.updated != size) {
            std::fprintf(stderr, "import failed: %s\n", qPrintable(outcome.failure));
            std::exit(1);
        }
        return std::pair{seconds, cpuUsed};
    };
    const auto [addSeconds, addCpu] = run();
    const auto [updateSeconds, updateCpu] = run();
    // The import's peak, before the baseline reads the rows back into memory.
    const double peakMb = bench::processPeakKilobytes() / 1024.0;
    auto store = Store::shared(path);
    const auto [base, baseCpu] = baselineSeconds(*store, contacts ? "Contacts" : "Datebook");
    std::printf("%-12s %7d  add: %6.2f s wall, %6.2f s cpu, %7.0f rec/s cpu (%5.2fx baseline cpu)  "
                "update: %6.2f s wall, %6.2f s cpu, %7.0f rec/s cpu (%5.2fx)  baseline %5.2f s wall %5.2f s cpu  "
                "peak %6.1f MB\n",
                qPrintable(kind), size, addSeconds, addCpu, size / addCpu, addCpu / baseCpu, updateSeconds, updateCpu,
                size / updateCpu, updateCpu / baseCpu, base, baseCpu, peakMb);
    std::fflush(stdout);
    bench::report(qPrintable(QString("Outlook import %1 into empty store").arg(kind)), size, addSeconds, peakMb, base,
                  "SQLite prepared INSERT");
    bench::report(qPrintable(QString("Outlook import %1 into full store").arg(kind)), size, updateSeconds, peakMb, base,
                  "SQLite prepared INSERT");
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    settleLocalTimeZone(); // as the program does at start
    QCoreApplication app(argc, argv);
    QStringList args = app.arguments();
    if (args.size() >= 4 && args.at(1) == "--child")
        return runChild(args.at(2), args.at(3).toInt());

    QList<int> sizes{10000, 100000};
    const int at = int(args.indexOf("--sizes"));
    if (at > 0 && at + 1 < args.size()) {
        sizes.clear();
        for (const QString &s : args.at(at + 1).split(','))
            sizes << s.toInt();
    }
    std::printf("Outlook import from an in-memory Outlook (baseline: the same rows by plain SQLite inserts)\n");
    std::fflush(stdout);
    for (const char *kind : {"contacts", "appointments"}) {
        for (int size : sizes) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedChannels);
            child.start(app.applicationFilePath(), {"--child", kind, QString::number(size)});
            child.waitForFinished(-1);
            if (child.exitCode() != 0)
                return 1;
        }
    }
    return 0;
}
