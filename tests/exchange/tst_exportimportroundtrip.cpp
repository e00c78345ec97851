#include "exchange/DeviceExport.h"
#include "exchange/ImportFromDevice.h"
#include "records/Store.h"
#include "support/ScriptedMessages.h"
#include "support/TestSupport.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;

namespace {

// The fields each writer puts on the handheld.
const QStringList contactFields{"Title",           "FirstName",      "FirstPronunciation",
                                "MiddleName",      "LastName",       "Suffix",
                                "FileAs",          "O_Title",        "O_Department",
                                "O_Company",       "O_Phone",        "O_Fax",
                                "O_Mobile",        "Emails",         "H_Phone",
                                "H_Fax",           "H_Mobile",       "O_Street",
                                "O_City",          "O_State",        "O_Zip",
                                "O_Country",       "O_Pager",        "O_URL",
                                "O_Office",        "O_Profession",   "O_Assistant",
                                "O_Manager",       "H_Street",       "H_City",
                                "H_State",         "H_Zip",          "H_Country",
                                "H_URL",           "H_Spouse",       "H_Gender",
                                "H_Birthday",      "H_Anniv",        "Nickname",
                                "H_Children",      "Notes",          "LastPronunciation",
                                "O_Pronunciation", "BusinessContact"};
const QStringList taskFields{"Categories",       "Hasdate",       "Description", "Priority",        "Completed",
                             "PercentCompleted", "Dateyear",      "Datemonth",   "Dateday",         "Status",
                             "Starteddate",      "Completeddate", "Notes",       "qdl-private-data"};
const QStringList eventFields{"Categories", "Description", "Location", "Timezone",        "Note",
                              "Start",      "End",         "Type",     "Rtype",           "Rfreq",
                              "Rweekdays",  "Rhasenddate", "Enddt",    "Recchildren",     "Exceptions",
                              "balarm",     "sound",       "alarm",    "qdl-private-data"};

const QStringList timeFields{"Start", "End", "Enddt"};

QString sampleValue(const QString &field, int record)
{
    if (timeFields.contains(field))
        return QString("20%1-0%2-1%3 0%4:3%5:5%6")
            .arg(10 + record)
            .arg(1 + record % 9)
            .arg(record % 10)
            .arg(record % 10)
            .arg(record % 10)
            .arg(record % 10);
    // Texts as the store keeps them: the four characters the documents escape in their entities.
    if (field == "Notes" || field == "Note" || field == "H_Street")
        return QString("첫 줄 %1\r\n둘째 줄 &amp; 'quoted' &quot;q&quot;\n셋째\t줄 &lt;b&gt;").arg(record);
    return QString("%1 값 %2 &amp; &quot;A&quot; &lt;B&gt; ' 한글 &#44608;").arg(field).arg(record);
}

struct Table
{
    const char *name;
    RecordKind kind;
    const QStringList &fields;
};

const QList<Table> tables{{"Contacts", RecordKind::Contacts, contactFields},
                          {"Datebook", RecordKind::Events, eventFields},
                          {"Todo", RecordKind::Tasks, taskFields}};

// Every exported field of every record, by ID.
QMap<qint64, QStringList> exportedFields(Store &store, const Table &table)
{
    QStringList columns;
    for (const QString &f : table.fields)
        columns << "\"" + f + "\"";
    QMap<qint64, QStringList> rows;
    Store::Query q(store, QString("SELECT ID, %1 FROM \"%2\"").arg(columns.join(", "), table.name));
    while (q.next()) {
        QStringList values;
        for (int c = 1; c < q.columnCount(); ++c)
            values << (q.isNull(c) ? QString("<null>") : q.text(c));
        rows.insert(q.value(0).toLongLong(), values);
    }
    return rows;
}

void fill(Store &store)
{
    const QList<qint64> ids{-1104328971, 1, 2, 77};
    for (const Table &table : tables) {
        for (int r = 0; r < ids.size(); ++r) {
            QStringList columns{"ID"};
            QStringList marks{"?"};
            QVariantList values{ids[r]};
            for (const QString &f : table.fields) {
                columns << "\"" + f + "\"";
                marks << "?";
                values << sampleValue(f, r);
            }
            store.exec(
                QString("INSERT INTO \"%1\" (%2) VALUES (%3)").arg(table.name, columns.join(", "), marks.join(", ")),
                values);
        }
    }
}

// What xmllint says of a document: nothing when it is well formed.
QString xmllint(const QString &path)
{
    QProcess lint;
    lint.start("xmllint", {"--noout", path});
    if (!lint.waitForFinished(60000))
        return "xmllint did not finish";
    const QString said = QString::fromUtf8(lint.readAllStandardError());
    return lint.exitCode() == 0 ? said : said + QString(" (exit %1)").arg(lint.exitCode());
}

} // namespace

class TestExportImportRoundTrip : public QObject
{
    Q_OBJECT
private slots:
    void everyExportedFieldComesBackUnchanged()
    {
        QTemporaryDir dir;
        const QString dataA = dir.filePath("A"), dataB = dir.filePath("B"), root = dir.filePath("k7m");
        QVERIFY(QDir().mkpath(root + "/Qtopia/Applications"));
        const std::shared_ptr<Store> a = Store::open(Store::pathInDirectory(dataA));
        const std::shared_ptr<Store> b = Store::open(Store::pathInDirectory(dataB));
        fill(*a);
        const QList<RecordKind> kinds{RecordKind::Contacts, RecordKind::Events, RecordKind::Tasks};

        ScriptedMessages messages;
        QCOMPARE(exportToDevice(*a, dataA, root, kinds, messages, nullptr, {}).completed, kinds);
        messages.clear();
        // Every document is one that an XML reader accepts.
        for (const char *document : {"addressbook/addressbook.xml", "datebook/datebook.xml", "todolist/todolist.xml"})
            QCOMPARE(xmllint(root + "/Qtopia/Applications/" + document), QString());
        // Into an empty store, and into the store the documents came from.
        for (const auto &[data, store] : {std::pair{dataB, b}, std::pair{dataA, a}}) {
            const ImportOutcome outcome = importFromDevice(*store, data, root, kinds, messages, nullptr);
            QVERIFY(outcome.allCompleted);
            QCOMPARE(messages.texts(),
                     (QStringList{importCompletedText(RecordKind::Contacts), importCompletedText(RecordKind::Events),
                                  importCompletedText(RecordKind::Tasks)}));
            messages.clear();
        }
        for (const Table &table : tables) {
            const QMap<qint64, QStringList> original = exportedFields(*a, table);
            QCOMPARE(original.size(), 4);
            QCOMPARE(exportedFields(*b, table), original);
        }
        // The store the documents came from is as it was.
        QTemporaryDir fresh;
        const std::shared_ptr<Store> c = Store::open(Store::pathInDirectory(fresh.path()));
        fill(*c);
        for (const Table &table : tables)
            QCOMPARE(exportedFields(*a, table), exportedFields(*c, table));
    }

    void whatTheWritersChangeOnTheWay()
    {
        QTemporaryDir dir;
        const QString data = dir.filePath("A"), root = dir.filePath("k7m");
        QVERIFY(QDir().mkpath(root + "/Qtopia/Applications"));
        const std::shared_ptr<Store> store = Store::open(Store::pathInDirectory(data));
        // Angle brackets and quotes come back as the references the writer made of them; blanks
        // around a value are trimmed; a contact without gender or business flag gets "0".
        store->exec("INSERT INTO Contacts (ID, FileAs, Notes) VALUES (1, '  <Kim> \"K\"  ', NULL)");
        // A bare "&" (typed before the store kept the documents' form) comes back as "&amp;",
        // which shows as the same character; a reference stays as it was.
        store->exec("INSERT INTO Contacts (ID, FileAs, O_Company) VALUES (2, 'AT&T', '&#44608; &amp; & &bogus; &#0;')");
        // A double quote in a field the writer leaves unescaped is read back whole, unless an "="
        // makes it look like another attribute: then the task is skipped and counted, and the
        // store keeps what it had.
        store->exec("INSERT INTO Todo (ID, Description, \"qdl-private-data\") VALUES (5, 'ok', 'a\"b')");
        store->exec("INSERT INTO Todo (ID, Description, \"qdl-private-data\") VALUES (6, 'fine', 'k=\"v\"')");
        store->exec("INSERT INTO Todo (ID, Description) VALUES (7, 'plain')");
        ScriptedMessages messages;
        const QList<RecordKind> kinds{RecordKind::Contacts, RecordKind::Tasks};
        QCOMPARE(exportToDevice(*store, data, root, kinds, messages, nullptr, {}).completed, kinds);
        store->exec("DELETE FROM Contacts");
        store->exec("UPDATE Todo SET Description = 'changed'");
        messages.clear();
        QVERIFY(importFromDevice(*store, data, root, kinds, messages, nullptr).allCompleted);
        QCOMPARE(messages.texts(),
                 (QStringList{importCompletedText(RecordKind::Contacts),
                              importCompletedText(RecordKind::Tasks) + "\r" + skippedRecordsText(1)}));
        QCOMPARE(store->scalar("SELECT FileAs FROM Contacts WHERE ID = 1").toString(),
                 QString("&lt;Kim&gt; &quot;K&quot;"));
        QCOMPARE(store->scalar("SELECT Notes FROM Contacts WHERE ID = 1").toString(), QString(""));
        QCOMPARE(store->scalar("SELECT FileAs FROM Contacts WHERE ID = 2").toString(), QString("AT&amp;T"));
        QCOMPARE(store->scalar("SELECT O_Company FROM Contacts WHERE ID = 2").toString(),
                 QString("&#44608; &amp; &amp; &amp;bogus; &amp;#0;"));
        QCOMPARE(store->scalar("SELECT H_Gender FROM Contacts WHERE ID = 1").toString(), QString("0"));
        QCOMPARE(store->scalar("SELECT BusinessContact FROM Contacts WHERE ID = 1").toString(), QString("0"));
        QCOMPARE(store->scalar("SELECT Description FROM Todo WHERE ID = 5").toString(), QString("ok"));
        QCOMPARE(store->scalar("SELECT \"qdl-private-data\" FROM Todo WHERE ID = 5").toString(), QString("a\"b"));
        QCOMPARE(store->scalar("SELECT Description FROM Todo WHERE ID = 6").toString(), QString("changed"));
        QCOMPARE(store->scalar("SELECT Description FROM Todo WHERE ID = 7").toString(), QString("plain"));
    }
};

QTEST_GUILESS_MAIN(TestExportImportRoundTrip)
#include "tst_exportimportroundtrip.moc"
