// Boxes bound to the fields of a record: what loading shows, and what storing writes back.
#include "records/RecordSet.h"
#include "records/Store.h"
#include "shell/FieldBinding.h"

#include <QCheckBox>
#include <QComboBox>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>

using namespace pimdesk;

class TestFieldBinding : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup();

    void storesOnlyWhatTheUserChanged();
    void storesEveryFieldWhenAsked();
    void boxesOfOneFieldShowOneText();
    void listsKeepStoredTextsTheyDoNotOffer();
    void boxesShowCharactersAndTheStoreKeepsTheDocumentsForm_data();
    void boxesShowCharactersAndTheStoreKeepsTheDocumentsForm();
    void tickBoxes_data();
    void tickBoxes();

private:
    // The contact with ID 1, being edited.
    RecordSet &edited();
    QVariant stored(const QString &field) { return m_store->scalar(QString("SELECT \"%1\" FROM Contacts").arg(field)); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::shared_ptr<Store> m_store;
    std::unique_ptr<RecordSet> m_record;
    QWidget m_window;
};

void TestFieldBinding::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    m_store = Store::open(m_dir->filePath("Qtdata.mdb"));
    m_store->exec("INSERT INTO Contacts (ID, FileAs, H_Street, Title) VALUES (1, 'Kim', ?, 'Dr')",
                  {"1 Main St\r\nApt 2"});
}

void TestFieldBinding::cleanup()
{
    m_record.reset();
    m_store.reset();
    m_dir.reset();
}

RecordSet &TestFieldBinding::edited()
{
    m_record = std::make_unique<RecordSet>(m_store, "SELECT * FROM Contacts WHERE ID = 1");
    m_record->edit();
    return *m_record;
}

void TestFieldBinding::storesOnlyWhatTheUserChanged()
{
    FieldBinding fields;
    auto *name = new QLineEdit(&m_window);
    auto *street = new QLineEdit(&m_window);
    auto *notes = new QPlainTextEdit(&m_window);
    auto *caption = new QPushButton(&m_window);
    fields.bind(name, "FileAs");
    fields.bind(street, "H_Street");
    fields.bind(notes, "Notes");
    fields.bind(caption, "Title",
                {[](const QVariant &v) { return "[" + v.toString() + "]"; },
                 [](const QString &t) -> QVariant { return t.mid(1, t.size() - 2); }});
    RecordSet &record = edited();
    fields.load(record);
    QCOMPARE(name->text(), QString("Kim"));
    QVERIFY(notes->toPlainText().isEmpty());
    QCOMPARE(caption->text(), QString("[Dr]"));

    name->end(false); // a box shows the start of its text
    QTest::keyClicks(name, " Jay");
    fields.edit(caption, "[Prof]");
    fields.store(record, FieldBinding::Write::Changed);
    record.update();
    QCOMPARE(stored("FileAs").toString(), QString("Kim Jay"));
    QCOMPARE(stored("Title").toString(), QString("Prof"));
    // A value the one-line box cannot show, and an absent one, stay as they were.
    QCOMPARE(stored("H_Street").toString(), QString("1 Main St\r\nApt 2"));
    QVERIFY(stored("Notes").isNull());
}

void TestFieldBinding::storesEveryFieldWhenAsked()
{
    FieldBinding fields;
    auto *name = new QLineEdit(&m_window);
    auto *notes = new QPlainTextEdit(&m_window);
    fields.bind(name, "FileAs", {{}, [](const QString &t) -> QVariant { return t.trimmed(); }});
    fields.bind(notes, "Notes", {{}, [](const QString &t) -> QVariant { return t.isNull() ? QString("") : t; }});
    RecordSet &record = edited();
    fields.load(record);
    name->setText("  Lee  "); // by the program, not typed: Every writes it all the same
    fields.store(record, FieldBinding::Write::Every);
    record.update();
    QCOMPARE(stored("FileAs").toString(), QString("Lee"));
    QVERIFY(!stored("Notes").isNull());
    QCOMPARE(stored("Notes").toString(), QString());
}

void TestFieldBinding::boxesOfOneFieldShowOneText()
{
    FieldBinding fields;
    auto *first = new QLineEdit(&m_window);
    auto *second = new QLineEdit(&m_window);
    fields.bind(first, "H_Phone");
    fields.bind(second, "H_Phone");
    RecordSet &record = edited();
    fields.load(record);
    QTest::keyClicks(second, "02-1");
    QCOMPARE(first->text(), QString("02-1"));
    fields.edit(first, "02-2");
    QCOMPARE(second->text(), QString("02-2"));
    // What the window shows by itself stays in its box, and the box changed last is stored.
    fields.show(second, "not typed");
    QCOMPARE(first->text(), QString("02-2"));
    fields.store(record, FieldBinding::Write::Changed);
    record.update();
    QCOMPARE(stored("H_Phone").toString(), QString("02-2"));
}

void TestFieldBinding::listsKeepStoredTextsTheyDoNotOffer()
{
    FieldBinding fields;
    auto *title = new QComboBox(&m_window);
    title->addItems({"Mr", "Ms"});
    fields.bind(title, "Title");
    RecordSet &record = edited();
    fields.load(record);
    QCOMPARE(title->count(), 3);
    QCOMPARE(title->currentText(), QString("Dr"));
    fields.store(record, FieldBinding::Write::Every);
    record.update();
    QCOMPARE(stored("Title").toString(), QString("Dr"));

    // The next record offers the list's own entries again.
    m_store->exec("UPDATE Contacts SET Title = 'Ms'");
    fields.load(edited());
    QCOMPARE(title->count(), 2);
    QCOMPARE(title->currentText(), QString("Ms"));
}

void TestFieldBinding::boxesShowCharactersAndTheStoreKeepsTheDocumentsForm_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("typed"); // null: left alone
    QTest::addColumn<QString>("written");
    QTest::newRow("references shown as characters")
        << "A &amp; B &quot;c&quot; &lt;d&gt;"
        << "A & B \"c\" <d>" << QString() << "A &amp; B &quot;c&quot; &lt;d&gt;";
    // Left alone, a value keeps the form it was stored in.
    QTest::newRow("a bare ampersand left alone") << "AT&T"
                                                 << "AT&T" << QString() << "AT&T";
    QTest::newRow("a character reference left alone") << "&#44608;"
                                                      << "김" << QString() << "&#44608;";
    QTest::newRow("typed") << "old"
                           << "old"
                           << "A & B \"c\" <d> 한글"
                           << "A &amp; B &quot;c&quot; &lt;d&gt; 한글";
    QTest::newRow("a reference typed is text") << ""
                                               << ""
                                               << "&amp;"
                                               << "&amp;amp;";
}

void TestFieldBinding::boxesShowCharactersAndTheStoreKeepsTheDocumentsForm()
{
    QFETCH(QString, stored);
    QFETCH(QString, shown);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    m_store->exec("UPDATE Contacts SET FileAs = ?, Notes = ?", {stored, stored});
    for (const FieldBinding::Write which : {FieldBinding::Write::Changed, FieldBinding::Write::Every}) {
        FieldBinding fields;
        auto *name = new QLineEdit(&m_window);
        auto *notes = new QPlainTextEdit(&m_window);
        fields.bind(name, "FileAs");
        // A conversion of its own gets the store's form.
        fields.bind(notes, "Notes", {{}, [](const QString &t) -> QVariant { return t.trimmed(); }});
        RecordSet &record = edited();
        fields.load(record);
        QCOMPARE(name->text(), shown);
        QCOMPARE(notes->toPlainText(), shown);
        if (!typed.isNull()) {
            fields.edit(name, typed);
            notes->setPlainText(typed);
        }
        fields.store(record, which);
        record.update();
        QCOMPARE(this->stored("FileAs").toString(), written);
        QCOMPARE(this->stored("Notes").toString(), written);
        m_store->exec("UPDATE Contacts SET FileAs = ?, Notes = ?", {stored, stored});
    }
}

void TestFieldBinding::tickBoxes_data()
{
    QTest::addColumn<QVariant>("before");
    QTest::addColumn<int>("clicks");
    QTest::addColumn<bool>("shown");
    QTest::addColumn<QVariant>("changed"); // stored after Write::Changed
    QTest::addColumn<QVariant>("every");   // stored after Write::Every
    const QVariant null;
    QTest::newRow("absent, untouched") << null << 0 << false << null << QVariant("0");
    QTest::newRow("blank, ticked") << QVariant("") << 1 << false << QVariant("1") << QVariant("1");
    QTest::newRow("blank, ticked twice") << QVariant("") << 2 << false << QVariant("") << QVariant("0");
    QTest::newRow("on with blanks, untouched") << QVariant(" 1 ") << 0 << true << QVariant(" 1 ") << QVariant("1");
    QTest::newRow("on, unticked") << QVariant("1") << 1 << true << QVariant("0") << QVariant("0");
}

void TestFieldBinding::tickBoxes()
{
    QFETCH(QVariant, before);
    QFETCH(int, clicks);
    QFETCH(bool, shown);
    QFETCH(QVariant, changed);
    QFETCH(QVariant, every);
    for (const auto which : {FieldBinding::Write::Changed, FieldBinding::Write::Every}) {
        m_store->exec("UPDATE Contacts SET BusinessContact = ?", {before});
        FieldBinding fields;
        auto *business = new QCheckBox(&m_window);
        fields.bindCheck(business, "BusinessContact", "1", "0");
        RecordSet &record = edited();
        fields.load(record);
        QCOMPARE(business->isChecked(), shown);
        for (int i = 0; i < clicks; ++i)
            business->click();
        fields.store(record, which);
        record.update();
        QCOMPARE(stored("BusinessContact"), which == FieldBinding::Write::Changed ? changed : every);
    }
}

QTEST_MAIN(TestFieldBinding)
#include "tst_fieldbinding.moc"
