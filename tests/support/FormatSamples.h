#pragma once

// Records with every field holding a value of its kind, in the store's form (entities as the
// handheld's documents keep them, line breaks, Korean text): what the file formats' tests and the
// file commands' tests send through vCard and iCalendar and expect back unchanged.

#include "records/Schema.h"

#include <QMap>
#include <QString>

namespace pimdesk::test {

using SampleRecord = QMap<QString, QString>;

inline SampleRecord everyContactField()
{
    SampleRecord r;
    for (const QString &field : schema::contacts().fields)
        r.insert(field, QStringLiteral("%1 값 &amp; &lt;%2&gt;").arg(field, field.toLower()));
    r["ID"] = "42";
    r["FileAs"] = "김 철수 &quot;CS&quot;";
    r["Notes"] = "첫째 줄\n둘째 줄, 쉼표; 세미콜론 \\ 역슬래시";
    r["Emails"] = "kim@example.com chulsoo@example.org";
    r["H_Birthday"] = "5 Jan 2004";
    r["H_Anniv"] = "29 Feb";
    r["H_Gender"] = "2";
    r["Photo"] = "data:image/png;base64,iVBORw0KGgo=";
    r["H_Street"] = "강남대로 1\n2층";
    r["O_URL"] = "http://example.com/?a=1&amp;b=2";
    return r;
}

inline SampleRecord everyEventField()
{
    SampleRecord e;
    for (const QString &field : schema::datebook().fields)
        e.insert(field, QStringLiteral("%1 값 &amp; &lt;x&gt;").arg(field));
    e["ID"] = "7";
    e["Description"] = "주간 회의, &quot;본사&quot;; 3층";
    e["Note"] = "첫째 줄\n둘째 줄 \\ 끝";
    e["Categories"] = "Business, 회의";
    e["Start"] = "2024-03-04 09:30:00";
    e["End"] = "2024-03-04 11:00:00";
    e["Type"] = "Timed";
    e["Rtype"] = "Weekly";
    e["Rfreq"] = "2";
    e["Rweekdays"] = "5"; // Monday and Wednesday
    e["Rhasenddate"] = "1";
    e["Enddt"] = "2024-06-26 00:00:00";
    e["Exceptions"] = "20240318 20240417";
    e["balarm"] = "true";
    e["alarm"] = "15";
    e["sound"] = "silent";
    return e;
}

inline SampleRecord everyTaskField()
{
    SampleRecord t;
    for (const QString &field : schema::todo().fields)
        t.insert(field, QStringLiteral("%1 값 &amp; &lt;x&gt;").arg(field));
    t["ID"] = "9";
    t["Priority"] = "2";
    t["Status"] = "Waiting";
    t["Completed"] = "0";
    t["PercentCompleted"] = "40";
    t["Hasdate"] = "1";
    t["Dateyear"] = "2024";
    t["Datemonth"] = "7";
    t["Dateday"] = "31";
    t["Starteddate"] = "2024-07-01";
    t["Completeddate"] = "2024-07-02";
    t["Categories"] = "Personal";
    return t;
}

} // namespace pimdesk::test
