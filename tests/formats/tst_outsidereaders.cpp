// Other programs read what we write: python3-vobject reads our vCards, python3-icalendar our
// calendars, and each sees the names, phones, dates, rules, alarms and all-day dates we meant.
// Skipped where python3 or the module is missing.
#include "formats/CalendarFiles.h"
#include "formats/ContactCards.h"
#include "support/TestSupport.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;
using namespace pimdesk::formats;

namespace {

// The Debian modules belong to the system's interpreter, which may not be the first python3 on
// the path.
QString pythonWith(const QString &module)
{
    for (const QString &python : {QStringLiteral("/usr/bin/python3"), QStringLiteral("python3")}) {
        QProcess p;
        p.start(python, {"-c", "import " + module});
        if (p.waitForFinished(30000) && p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0)
            return python;
    }
    return QString();
}

// Runs the script on the file; what it prints is one JSON value.
QJsonValue run(const QString &python, const char *script, const QString &file)
{
    QProcess p;
    p.start(python, {"-c", QString::fromUtf8(script), file});
    if (!p.waitForFinished(60000))
        return QJsonValue();
    if (p.exitCode() != 0) {
        qWarning().noquote() << p.readAllStandardError();
        return QJsonValue();
    }
    return QJsonDocument::fromJson(p.readAllStandardOutput()).object().value("result");
}

const char *const vobjectScript = R"(
import json, sys, vobject
cards = []
for c in vobject.readComponents(open(sys.argv[1], encoding='utf-8').read()):
    cards.append({
        'fn': c.fn.value,
        'family': c.n.value.family, 'given': c.n.value.given,
        'tel': sorted(','.join(sorted(t.upper() for t in p.params.get('TYPE', []))) + '=' + p.value
                      for p in c.contents.get('tel', [])),
        'email': [e.value for e in c.contents.get('email', [])],
        'bday': c.bday.value if 'bday' in c.contents else None,
        'note': c.note.value if 'note' in c.contents else None,
        'org': c.org.value if 'org' in c.contents else None,
        'street': c.adr.value.street if 'adr' in c.contents else None,
        'uid': c.uid.value,
    })
print(json.dumps({'result': cards}))
)";

const char *const icalendarScript = R"(
import json, sys, icalendar
cal = icalendar.Calendar.from_ical(open(sys.argv[1], 'rb').read())
items = []
def when(v):
    d = v.dt
    if hasattr(d, 'hour'):
        return d.strftime('%Y-%m-%dT%H:%M:%S') + ' ' + str(d.utcoffset())
    return d.isoformat()
for c in cal.walk():
    if c.name == 'VEVENT':
        rule = c.get('RRULE')
        alarm = [a for a in c.walk('VALARM')]
        ex = c.get('EXDATE')
        ex = ex if isinstance(ex, list) else ([ex] if ex is not None else [])
        items.append({
            'summary': str(c.get('SUMMARY')),
            'start': when(c.get('DTSTART')), 'end': when(c.get('DTEND')),
            'freq': rule['FREQ'][0] if rule else None,
            'interval': rule.get('INTERVAL', [1])[0] if rule else None,
            'byday': [str(d) for d in rule.get('BYDAY', [])] if rule else [],
            'until': when(icalendar.vDDDTypes(rule['UNTIL'][0])) if rule and 'UNTIL' in rule else None,
            'exdates': [when(d) for e in ex for d in e.dts],
            'trigger': str(alarm[0].get('TRIGGER').dt) if alarm else None,
        })
    elif c.name == 'VTODO':
        items.append({'summary': str(c.get('SUMMARY')), 'due': when(c.get('DUE')),
                      'priority': int(c.get('PRIORITY')), 'status': str(c.get('STATUS'))})
print(json.dumps({'result': items}))
)";

} // namespace

class OutsideReadersTest : public QObject
{
    Q_OBJECT
private slots:
    void vobjectReadsOurCards_data()
    {
        QTest::addColumn<int>("version");
        // vobject does not know 2.1's quoted-printable soft line breaks.
        QTest::newRow("3.0") << int(VCardVersion::V30);
        QTest::newRow("4.0") << int(VCardVersion::V40);
    }
    void vobjectReadsOurCards()
    {
        QFETCH(int, version);
        const QString python = pythonWith("vobject");
        if (python.isEmpty())
            QSKIP("python3 with the vobject module (python3-vobject) is not installed");
        const StoreRecord contact{{"ID", "12"},
                                  {"FileAs", "김철수 &amp; 친구"},
                                  {"LastName", "김"},
                                  {"FirstName", "철수"},
                                  {"H_Phone", "02-123-4567"},
                                  {"H_Mobile", "010-1111-2222"},
                                  {"O_Fax", "02-765-4321"},
                                  {"Emails", "kim@example.com cs@example.org"},
                                  {"H_Birthday", "5 Jan 2004"},
                                  {"Notes", "첫째 줄\n둘째, 셋째; 끝"},
                                  {"O_Company", "한국전자"},
                                  {"O_Department", "영업부"},
                                  {"H_Street", "강남대로 1\n2층"}};
        QTemporaryDir dir;
        const QString file = dir.filePath("contacts.vcf");
        QVERIFY(test::writeFile(file, vcardFileFromContacts({contact, {{"ID", "13"}, {"FileAs", "두번째"}}},
                                                            VCardVersion(version))));
        const QJsonArray cards = run(python, vobjectScript, file).toArray();
        QCOMPARE(cards.size(), 2);
        const QJsonObject c = cards[0].toObject();
        QCOMPARE(c["fn"].toString(), QStringLiteral("김철수 & 친구"));
        QCOMPARE(c["family"].toString(), QStringLiteral("김"));
        QCOMPARE(c["given"].toString(), QStringLiteral("철수"));
        QCOMPARE(c["tel"].toArray(),
                 QJsonArray({"CELL=010-1111-2222", "FAX,WORK=02-765-4321", "HOME,VOICE=02-123-4567"}));
        QCOMPARE(c["email"].toArray(), QJsonArray({"kim@example.com", "cs@example.org"}));
        QCOMPARE(c["bday"].toString(), version == int(VCardVersion::V30) ? "2004-01-05" : "20040105");
        QCOMPARE(c["note"].toString(), QStringLiteral("첫째 줄\n둘째, 셋째; 끝"));
        QCOMPARE(c["org"].toArray(), QJsonArray({QStringLiteral("한국전자"), QStringLiteral("영업부")}));
        QCOMPARE(c["street"].toString(), QStringLiteral("강남대로 1\n2층"));
        QCOMPARE(c["uid"].toString(), QStringLiteral("pimdesk-contact-12"));
        QCOMPARE(cards[1].toObject()["fn"].toString(), QStringLiteral("두번째"));
    }

    void icalendarReadsOurCalendar()
    {
        const QString python = pythonWith("icalendar");
        if (python.isEmpty())
            QSKIP("python3 with the icalendar module (python3-icalendar) is not installed");
        const StoreRecord weekly{{"ID", "1"},
                                 {"Description", "주간 회의, 3층"},
                                 {"Type", "Timed"},
                                 {"Start", "2024-03-04 09:30:00"},
                                 {"End", "2024-03-04 11:00:00"},
                                 {"Rtype", "Weekly"},
                                 {"Rfreq", "2"},
                                 {"Rweekdays", "5"},
                                 {"Rhasenddate", "1"},
                                 {"Enddt", "2024-06-26 00:00:00"},
                                 {"Exceptions", "20240318"},
                                 {"balarm", "true"},
                                 {"alarm", "15"},
                                 {"sound", "loud"}};
        const StoreRecord allDay{{"ID", "2"},
                                 {"Description", "설날"},
                                 {"Type", "AllDay"},
                                 {"Start", "2024-02-09 00:00:00"},
                                 {"End", "2024-02-11 23:59:59"},
                                 {"Rtype", "Yearly"},
                                 {"Rfreq", "1"},
                                 {"Rhasenddate", "0"}};
        const StoreRecord task{{"ID", "3"}, {"Description", "보고서"}, {"Priority", "2"}, {"Status", "InProgress"},
                               {"Hasdate", "1"}, {"Dateyear", "2024"}, {"Datemonth", "7"}, {"Dateday", "31"}};
        CalendarOptions options;
        options.localZone = "Asia/Seoul";
        QTemporaryDir dir;
        const QString file = dir.filePath("calendar.ics");
        QVERIFY(test::writeFile(file, calendarFileFromRecords({weekly, allDay}, {task}, options)));
        const QJsonArray items = run(python, icalendarScript, file).toArray();
        QCOMPARE(items.size(), 3);
        const QJsonObject w = items[0].toObject();
        QCOMPARE(w["summary"].toString(), QStringLiteral("주간 회의, 3층"));
        QCOMPARE(w["start"].toString(), QStringLiteral("2024-03-04T09:30:00 9:00:00"));
        QCOMPARE(w["end"].toString(), QStringLiteral("2024-03-04T11:00:00 9:00:00"));
        QCOMPARE(w["freq"].toString(), QStringLiteral("WEEKLY"));
        QCOMPARE(w["interval"].toInt(), 2);
        QCOMPARE(w["byday"].toArray(), QJsonArray({"MO", "WE"}));
        QCOMPARE(w["until"].toString(), QStringLiteral("2024-06-26T14:59:59 0:00:00")); // the end of the last day in Seoul
        QCOMPARE(w["exdates"].toArray(), QJsonArray({"2024-03-18T09:30:00 9:00:00"}));
        QCOMPARE(w["trigger"].toString(), QStringLiteral("-1 day, 23:45:00")); // fifteen minutes before
        const QJsonObject a = items[1].toObject();
        QCOMPARE(a["start"].toString(), QStringLiteral("2024-02-09"));
        QCOMPARE(a["end"].toString(), QStringLiteral("2024-02-12")); // exclusive: the day after the last
        QCOMPARE(a["freq"].toString(), QStringLiteral("YEARLY"));
        const QJsonObject t = items[2].toObject();
        QCOMPARE(t["due"].toString(), QStringLiteral("2024-07-31"));
        QCOMPARE(t["priority"].toInt(), 3);
        QCOMPARE(t["status"].toString(), QStringLiteral("IN-PROCESS"));
    }
};

QTEST_GUILESS_MAIN(OutsideReadersTest)
#include "tst_outsidereaders.moc"
