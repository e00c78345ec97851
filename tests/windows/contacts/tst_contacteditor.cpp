// The contact editor, opened from the list as the user opens it: every box shows and writes its
// field, the name is composed, the calendars write their dates, and saving asks first.
#include "support/ContactsFixture.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QPlainTextEdit>
#include <QRadioButton>
#include <QTabWidget>
#include <QTableView>
#include <QToolButton>

using namespace pimdesk;

namespace {

// Every bound box and its field; the second box of a field shown twice comes last.
const QList<std::pair<const char *, const char *>> boundBoxes = {
    {"Text1", "FileAs"},
    {"Text2", "Emails"},
    {"Text3", "H_Phone"},
    {"Text4", "O_Phone"},
    {"Text44", "H_Mobile"},
    {"Combo1", "Title"},
    {"Text43", "FirstName"},
    {"Text42", "FirstPronunciation"},
    {"Text41", "MiddleName"},
    {"Text40", "LastName"},
    {"Text39", "LastPronunciation"},
    {"Combo2", "Suffix"},
    {"Text38", "Nickname"},
    {"Text5", "O_Company"},
    {"Text6", "O_Pronunciation"},
    {"Text7", "O_Title"},
    {"Text9", "O_Mobile"},
    {"Text10", "O_Fax"},
    {"Text11", "O_Pager"},
    {"Text12", "O_Street"},
    {"Text13", "O_City"},
    {"Text14", "O_State"},
    {"Text15", "O_Zip"},
    {"Text16", "O_Country"},
    {"Text17", "O_URL"},
    {"Text18", "O_Department"},
    {"Text19", "O_Office"},
    {"Text20", "O_Profession"},
    {"Text21", "O_Manager"},
    {"Text22", "O_Assistant"},
    {"Text25", "H_Street"},
    {"Text24", "H_City"},
    {"Text23", "H_State"},
    {"Text31", "H_Zip"},
    {"Text30", "H_Country"},
    {"Text26", "H_Fax"},
    {"Text29", "H_URL"},
    {"Text32", "H_Spouse"},
    {"Text33", "H_Children"},
    {"Text35", "H_Gender"},
    {"Text34", "H_Anniv"},
    {"Text37", "H_Birthday"},
    {"Text36", "Notes"},
    {"Text28", "H_Phone"},
    {"Text8", "O_Phone"},
    {"Text27", "H_Mobile"},
};

QString textOf(QWidget *box)
{
    if (auto *line = qobject_cast<QLineEdit *>(box))
        return line->text();
    if (auto *combo = qobject_cast<QComboBox *>(box))
        return combo->currentText();
    return qobject_cast<QPlainTextEdit *>(box)->toPlainText();
}

// Replaces what a box holds by typing, as the user would after selecting it all.
void retype(QWidget *box, const QString &text)
{
    if (auto *combo = qobject_cast<QComboBox *>(box))
        box = combo->lineEdit();
    if (auto *line = qobject_cast<QLineEdit *>(box))
        line->selectAll();
    else
        qobject_cast<QPlainTextEdit *>(box)->selectAll();
    if (text.isEmpty())
        QTest::keyClick(box, Qt::Key_Delete);
    else
        test::ContactsFixture::type(box, text);
}

} // namespace

class TestContactEditor : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(f.setUp()); }
    void cleanup() { f.tearDown(); }

    void everyBoxShowsAndWritesItsField();
    void twoBoxesOfOneFieldShowOneText();
    void quotesAreKeptAsReferences_data();
    void quotesAreKeptAsReferences();
    void composesTheDisplayName_data();
    void composesTheDisplayName();
    void calendarsWriteTheDayPicked_data();
    void calendarsWriteTheDayPicked();
    void onlyOneCalendarAndOnlyWhileItHasTheFocus();
    void businessContactAndGender_data();
    void businessContactAndGender();
    void cancelWritesNothing();
    void untouchedValuesKeepTheirForm();
    void marksAreStoredInTheDocumentsFormAndShownAsTyped();
    void aFailedSaveKeepsWhatWasTyped();
    void newContactKeepsUntouchedFieldsAbsent();

private:
    QWidget *edit(qint64 id);
    QWidget *box(const char *name) { return f.control<QWidget>("SUB2_2", name); }
    void save(Answer answer);
    test::ContactsFixture f;
};

QWidget *TestContactEditor::edit(qint64 id)
{
    f.openList();
    const RecordGrid *grid = f.grid();
    for (int row = 0; row < grid->gridModel().rowCount(); ++row)
        if (grid->gridModel().cellText(row, 0).toLongLong() == id)
            f.selectRow(row);
    QTest::mouseClick(f.control<QToolButton>("SUB2_1", "Command2"), Qt::LeftButton);
    QWidget *editor = f.widget("SUB2_2");
    return editor && editor->isVisible() ? editor : nullptr;
}

void TestContactEditor::save(Answer answer)
{
    f.messages.answerNext(answer);
    QTest::mouseClick(f.control<QPushButton>("SUB2_2", "Command2"), Qt::LeftButton);
}

void TestContactEditor::everyBoxShowsAndWritesItsField()
{
    QVariantMap fields;
    for (const auto &[name, field] : boundBoxes)
        fields.insert(field, QString("v-%1").arg(field));
    f.addContact(5, fields);
    QVERIFY(edit(5));
    auto *tabs = f.control<QTabWidget>("SUB2_2", "SSTab1");
    QStringList pages;
    for (int i = 0; i < tabs->count(); ++i)
        pages << tabs->tabText(i);
    QCOMPARE(pages, (QStringList{"기본정보", "회사정보", "   집   ", " 기  타 "}));
    const auto entries = [this](const char *name) {
        QStringList items;
        auto *combo = f.control<QComboBox>("SUB2_2", name);
        for (int i = 0; i < combo->count(); ++i)
            items << combo->itemText(i);
        return items;
    };
    QCOMPARE(entries("Combo1"), (QStringList{"", "Mr", "Mrs", "Ms", "Miss", "Dr", "Prof"}));
    QCOMPARE(entries("Combo2"), (QStringList{"", "Jr", "Sr", "I", "II", "III", "IV", "V"}));
    for (const auto &[name, field] : boundBoxes)
        QVERIFY2(textOf(box(name)) == QString("v-%1").arg(field), name);

    for (int i = 0; i < boundBoxes.size() - 3; ++i)
        retype(box(boundBoxes[i].first), QString("n-%1").arg(boundBoxes[i].second));
    save(Answer::Ok);
    QVERIFY(!f.widget("SUB2_2")->isVisible());
    QVERIFY(f.widget("SUB2_1")->isEnabled());
    for (const auto &[name, field] : boundBoxes)
        QCOMPARE(f.stored(5, field).toString(), QString("n-%1").arg(field));
    // The list shows the change.
    QCOMPARE(f.grid()->gridModel().cellText(0, 2), QString("n-FileAs"));
}

void TestContactEditor::twoBoxesOfOneFieldShowOneText()
{
    f.addContact(3, {{"H_Phone", "1"}, {"O_Phone", "2"}, {"H_Mobile", "3"}});
    QVERIFY(edit(3));
    const std::pair<const char *, const char *> twins[] = {
        {"Text3", "Text28"}, {"Text4", "Text8"}, {"Text44", "Text27"}};
    for (const auto &[first, second] : twins) {
        retype(box(first), "first");
        QCOMPARE(textOf(box(second)), QString("first"));
        retype(box(second), "second");
        QCOMPARE(textOf(box(first)), QString("second"));
    }
    retype(box("Text44"), "last");
    save(Answer::Ok);
    QCOMPARE(f.stored(3, "H_Phone").toString(), QString("second"));
    QCOMPARE(f.stored(3, "O_Phone").toString(), QString("second"));
    QCOMPARE(f.stored(3, "H_Mobile").toString(), QString("last"));
}

void TestContactEditor::quotesAreKeptAsReferences_data()
{
    QTest::addColumn<int>("answer");
    QTest::newRow("saved") << int(Answer::Ok);
    QTest::newRow("question cancelled") << int(Answer::Cancel);
}

void TestContactEditor::quotesAreKeptAsReferences()
{
    QFETCH(int, answer);
    f.addContact(2, {{"FileAs", "Kim"}, {"Notes", "plain"}});
    QVERIFY(edit(2));
    retype(box("Text1"), "Kim \"Jay\"");
    retype(box("Text36"), "say \"hi\"\nbye");
    retype(box("Combo2"), "\"Jr\"");
    save(Answer(answer));
    QCOMPARE(f.messages.texts(), QStringList{"작업내용을 저장 하시겠습니까?"});
    QCOMPARE(f.messages.shown()[0].title, QString("저장 할까요?"));
    QCOMPARE(f.messages.shown()[0].buttons, Buttons::OkCancel);
    // The boxes show the text as typed, whatever the answer; the editor is done either way.
    QCOMPARE(textOf(box("Text1")), QString("Kim \"Jay\""));
    QVERIFY(!f.widget("SUB2_2")->isVisible());
    QVERIFY(f.widget("SUB2_1")->isEnabled());
    if (Answer(answer) == Answer::Ok) {
        QCOMPARE(f.stored(2, "FileAs").toString(), QString("Kim &quot;Jay&quot;"));
        QCOMPARE(f.stored(2, "Notes").toString(), QString("say &quot;hi&quot;\nbye"));
        QCOMPARE(f.stored(2, "Suffix").toString(), QString("&quot;Jr&quot;"));
    } else {
        QCOMPARE(f.stored(2, "FileAs").toString(), QString("Kim"));
        QCOMPARE(f.stored(2, "Notes").toString(), QString("plain"));
        QVERIFY(f.stored(2, "Suffix").isNull());
    }
}

void TestContactEditor::composesTheDisplayName_data()
{
    QTest::addColumn<QStringList>("parts"); // title, first, nickname, middle, last, suffix, 1st and last reading
    QTest::addColumn<QString>("name");
    QTest::newRow("title, first, nickname, last")
        << QStringList{"Dr", "Gil", "GD", "", "Hong", "", "", ""} << "Dr Gil (GD) Hong";
    QTest::newRow("with both readings") << QStringList{"Dr", "Gil", "GD", "", "Hong", "", "gil", "hong"}
                                        << "Dr Gil (GD) Hong \"gil hong\"";
    QTest::newRow("only the last name") << QStringList{"", "", "", "", "Hong", "", "", ""} << "Hong";
    QTest::newRow("blanks are absent") << QStringList{"  ", " Gil ", " ", "", "  Hong", " ", "", "  "} << "Gil Hong";
    QTest::newRow("middle and suffix") << QStringList{"Mr", "John", "", "Q", "Public", "Jr", "", ""}
                                       << "Mr John Q Public Jr";
    QTest::newRow("first reading only") << QStringList{"", "길동", "", "", "", "", "gil", ""} << "길동 \"gil";
    QTest::newRow("last reading only") << QStringList{"", "", "", "", "", "", "", "hong"} << "hong\"";
    QTest::newRow("nothing") << QStringList{"", "", "", "", "", "", "", ""} << "";
}

void TestContactEditor::composesTheDisplayName()
{
    QFETCH(QStringList, parts);
    QFETCH(QString, name);
    f.addContact(1, {{"FileAs", "old name"}});
    QVERIFY(edit(1));
    const char *boxes[] = {"Combo1", "Text43", "Text38", "Text41", "Text40", "Combo2", "Text42", "Text39"};
    for (int i = 0; i < 8; ++i)
        retype(box(boxes[i]), parts[i]);
    QTest::mouseClick(f.control<QPushButton>("SUB2_2", "OKButton"), Qt::LeftButton);
    QCOMPARE(textOf(box("Text1")), name);
    QCOMPARE(f.stored(1, "FileAs").toString(), QString("old name")); // only shown until saved
}

void TestContactEditor::calendarsWriteTheDayPicked_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("calendar");
    QTest::addColumn<QString>("target");
    QTest::addColumn<QDate>("date");
    QTest::addColumn<QString>("text");
    QTest::newRow("birthday") << "Command4"
                              << "MonthView2"
                              << "Text37" << QDate(2005, 3, 3) << "3 Mar 2005";
    QTest::newRow("anniversary") << "Command3"
                                 << "MonthView1"
                                 << "Text34" << QDate(1999, 12, 17) << "17 Dec 1999";
}

void TestContactEditor::calendarsWriteTheDayPicked()
{
    QFETCH(QString, button);
    QFETCH(QString, calendar);
    QFETCH(QString, target);
    QFETCH(QDate, date);
    QFETCH(QString, text);
    // The calendar opens on the date its box holds.
    f.addContact(1, {{"H_Birthday", QString("1 %1").arg(date.toString("MMM yyyy"))},
                     {"H_Anniv", QString("1 %1").arg(date.toString("MMM yyyy"))}});
    QVERIFY(edit(1));
    f.control<QTabWidget>("SUB2_2", "SSTab1")->setCurrentIndex(2);
    QTest::mouseClick(f.control<QPushButton>("SUB2_2", qPrintable(button)), Qt::LeftButton);
    auto *month = f.control<QCalendarWidget>("SUB2_2", qPrintable(calendar));
    QVERIFY(month->isVisible());
    QCOMPARE(month->monthShown(), date.month());
    QCOMPARE(month->yearShown(), date.year());

    // Click the day's cell: the first cell of this month showing its number.
    auto *view = month->findChild<QTableView *>();
    QModelIndex cell;
    bool inMonth = false;
    for (int r = 1; r < view->model()->rowCount() && !cell.isValid(); ++r) {
        for (int c = 0; c < view->model()->columnCount() && !cell.isValid(); ++c) {
            const int day = view->model()->index(r, c).data().toInt();
            inMonth = inMonth || day == 1;
            if (inMonth && day == date.day())
                cell = view->model()->index(r, c);
        }
    }
    QVERIFY(cell.isValid());
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, view->visualRect(cell).center());
    QCOMPARE(textOf(box(qPrintable(target))), text);
    QVERIFY(!month->isVisible());
}

void TestContactEditor::onlyOneCalendarAndOnlyWhileItHasTheFocus()
{
    f.addContact(1, {{"FileAs", "홍길동"}});
    QVERIFY(edit(1));
    QVERIFY(QTest::qWaitForWindowActive(f.main.get()));
    f.control<QTabWidget>("SUB2_2", "SSTab1")->setCurrentIndex(2);
    auto *anniversary = f.control<QCalendarWidget>("SUB2_2", "MonthView1");
    auto *birthday = f.control<QCalendarWidget>("SUB2_2", "MonthView2");

    QTest::mouseClick(f.control<QPushButton>("SUB2_2", "Command3"), Qt::LeftButton);
    QVERIFY(anniversary->isVisible());
    QVERIFY(anniversary->hasFocus() || anniversary->isAncestorOf(QApplication::focusWidget()));
    // The other calendar's button: that one opens, this one closes.
    QTest::mouseClick(f.control<QPushButton>("SUB2_2", "Command4"), Qt::LeftButton);
    QVERIFY(birthday->isVisible());
    QVERIFY(!anniversary->isVisible());
    // Moving within the calendar keeps it open; the focus going to a box closes it.
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Right);
    QVERIFY(birthday->isVisible());
    box("Text25")->setFocus();
    QVERIFY(!birthday->isVisible());
    QVERIFY(!anniversary->isVisible());

    // Escape closes an open calendar only; the next one is the editor's cancel.
    QTest::mouseClick(f.control<QPushButton>("SUB2_2", "Command3"), Qt::LeftButton);
    QVERIFY(anniversary->isVisible());
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!anniversary->isVisible());
    QVERIFY(f.widget("SUB2_2")->isVisible());
    QCOMPARE(QApplication::focusWidget(), box("Text34"));
    QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
    QVERIFY(!f.widget("SUB2_2")->isVisible());
    QVERIFY(f.widget("SUB2_1")->isEnabled());
    QCOMPARE(f.stored(1, "H_Anniv"), QVariant());
}

void TestContactEditor::businessContactAndGender_data()
{
    QTest::addColumn<QVariant>("business");
    QTest::addColumn<QVariant>("gender");
    QTest::addColumn<QString>("change"); // what the user does, letters in order
    QTest::addColumn<QString>("shown");  // Check1, Option1, Option2 as 0/1 before the change
    QTest::addColumn<QVariant>("businessAfter");
    QTest::addColumn<QVariant>("genderAfter");
    const QVariant null;
    QTest::newRow("handheld record untouched") << QVariant("0") << QVariant("0") << ""
                                               << "000" << QVariant("0") << QVariant("0");
    QTest::newRow("absent values untouched") << null << null << ""
                                             << "000" << null << null;
    QTest::newRow("female business untouched") << QVariant("1") << QVariant("2") << ""
                                               << "101" << QVariant("1") << QVariant("2");
    QTest::newRow("tick and male") << QVariant("") << null << "cm"
                                   << "000" << QVariant("1") << QVariant("1");
    QTest::newRow("untick and female") << QVariant("1") << QVariant("1") << "cf"
                                       << "110" << QVariant("0") << QVariant("2");
    QTest::newRow("tick twice") << QVariant("") << QVariant("") << "cc"
                                << "000" << QVariant("") << QVariant("");
    QTest::newRow("gender typed") << null << QVariant("2") << "t"
                                  << "001" << null << QVariant("1");
}

void TestContactEditor::businessContactAndGender()
{
    QFETCH(QVariant, business);
    QFETCH(QVariant, gender);
    QFETCH(QString, change);
    QFETCH(QString, shown);
    QFETCH(QVariant, businessAfter);
    QFETCH(QVariant, genderAfter);
    f.addContact(4, {{"BusinessContact", business}, {"H_Gender", gender}});
    QVERIFY(edit(4));
    auto *check = f.control<QCheckBox>("SUB2_2", "Check1");
    auto *male = f.control<QRadioButton>("SUB2_2", "Option1");
    auto *female = f.control<QRadioButton>("SUB2_2", "Option2");
    const auto state = [&] {
        return QString("%1%2%3").arg(int(check->isChecked())).arg(int(male->isChecked())).arg(int(female->isChecked()));
    };
    QCOMPARE(state(), shown);

    f.control<QTabWidget>("SUB2_2", "SSTab1")->setCurrentIndex(2);
    for (const QChar step : change) {
        if (step == 'c') {
            f.control<QTabWidget>("SUB2_2", "SSTab1")->setCurrentIndex(0);
            QTest::mouseClick(check, Qt::LeftButton, {}, QPoint(4, check->height() / 2));
            f.control<QTabWidget>("SUB2_2", "SSTab1")->setCurrentIndex(2);
        } else if (step == 'm' || step == 'f') {
            QRadioButton *option = step == 'm' ? male : female;
            QTest::mouseClick(option, Qt::LeftButton, {}, QPoint(4, option->height() / 2));
            QCOMPARE(textOf(box("Text35")), QString(step == 'm' ? "1" : "2"));
        } else if (step == 't') {
            retype(box("Text35"), "1");
            QVERIFY(male->isChecked() && !female->isChecked());
        }
    }
    save(Answer::Ok);
    QCOMPARE(f.stored(4, "BusinessContact"), businessAfter);
    QCOMPARE(f.stored(4, "H_Gender"), genderAfter);
}

void TestContactEditor::cancelWritesNothing()
{
    f.addContact(6, {{"FileAs", "그대로"}});
    for (const bool byFrame : {false, true}) {
        QWidget *editor = edit(6);
        QVERIFY(editor);
        retype(box("Text1"), "바뀐 이름");
        if (byFrame)
            mdiFrame(editor)->close();
        else
            QTest::mouseClick(f.control<QPushButton>("SUB2_2", "Command1"), Qt::LeftButton);
        QVERIFY(!editor->isVisible());
        QVERIFY(f.widget("SUB2_1")->isEnabled());
        QCOMPARE(f.main->mdiArea()->activeSubWindow(), mdiFrame(f.widget("SUB2_1")));
        QCOMPARE(f.stored(6, "FileAs").toString(), QString("그대로"));
        QVERIFY(f.messages.shown().isEmpty());
    }
    // Opened again, it shows the stored record, not what was typed.
    QVERIFY(edit(6));
    QCOMPARE(textOf(box("Text1")), QString("그대로"));
}

void TestContactEditor::untouchedValuesKeepTheirForm()
{
    // Outlook hands over addresses with line breaks, which a one-line box cannot show.
    f.addContact(8, {{"H_Street", "1 Main St\r\nApt 2"}, {"Emails", "a@b.c"}, {"H_Birthday", "2004-01-05"}});
    QVERIFY(edit(8));
    retype(box("Text1"), "New name");
    save(Answer::Ok);
    QCOMPARE(f.stored(8, "FileAs").toString(), QString("New name"));
    QCOMPARE(f.stored(8, "H_Street").toString(), QString("1 Main St\r\nApt 2"));
    QCOMPARE(f.stored(8, "H_Birthday").toString(), QString("2004-01-05"));
    QVERIFY(f.stored(8, "Notes").isNull());
}

void TestContactEditor::marksAreStoredInTheDocumentsFormAndShownAsTyped()
{
    // Stored before: references the handheld wrote, and a bare "&" from before the store kept the
    // documents' form. Boxes left alone write back what was stored.
    f.addContact(
        4, {{"FileAs", "old"}, {"O_Company", "AT&T &#44608;"}, {"H_City", "Seoul &amp; Busan"}, {"Notes", "x &lt; y"}});
    QVERIFY(edit(4));
    QCOMPARE(textOf(box("Text5")), QString("AT&T 김"));
    QCOMPARE(textOf(box("Text24")), QString("Seoul & Busan"));
    QCOMPARE(textOf(box("Text36")), QString("x < y"));
    retype(box("Text1"), "A & B \"c\" <d>");
    retype(box("Text13"), "한글 & 'x'");
    save(Answer::Ok);
    QCOMPARE(f.stored(4, "FileAs").toString(), QString("A &amp; B &quot;c&quot; &lt;d&gt;"));
    QCOMPARE(f.stored(4, "O_City").toString(), QString("한글 &amp; 'x'"));
    QCOMPARE(f.stored(4, "O_Company").toString(), QString("AT&T &#44608;"));
    QCOMPARE(f.stored(4, "H_City").toString(), QString("Seoul &amp; Busan"));
    QCOMPARE(f.stored(4, "Notes").toString(), QString("x &lt; y"));

    // The list shows the characters, and so does the editor opened again.
    int row = -1;
    for (int r = 0; r < f.grid()->gridModel().rowCount(); ++r)
        if (f.grid()->gridModel().cellText(r, 0).toLongLong() == 4)
            row = r;
    QVERIFY(row >= 0);
    QCOMPARE(f.grid()->gridModel().cellText(row, 2), QString("A & B \"c\" <d>"));
    QVERIFY(edit(4));
    QCOMPARE(textOf(box("Text1")), QString("A & B \"c\" <d>"));
    QCOMPARE(textOf(box("Text13")), QString("한글 & 'x'"));
    save(Answer::Ok);
    QCOMPARE(f.stored(4, "FileAs").toString(), QString("A &amp; B &quot;c&quot; &lt;d&gt;"));
}

void TestContactEditor::aFailedSaveKeepsWhatWasTyped()
{
    f.addContact(9, {{"FileAs", "before"}});
    QWidget *editor = edit(9);
    QVERIFY(editor);
    retype(box("Text1"), "after");
    f.store->exec("PRAGMA query_only = 1"); // the store refuses every write from here on
    save(Answer::Ok);
    QCOMPARE(f.messages.shown().size(), 2);
    QCOMPARE(f.messages.shown()[1].icon, Icon::Critical);
    QVERIFY(editor->isVisible());
    QVERIFY(!f.widget("SUB2_1")->isEnabled());
    QCOMPARE(textOf(box("Text1")), QString("after"));

    f.store->exec("PRAGMA query_only = 0");
    save(Answer::Ok);
    QCOMPARE(f.stored(9, "FileAs").toString(), QString("after"));
    QVERIFY(!editor->isVisible());
    QVERIFY(f.widget("SUB2_1")->isEnabled());
}

void TestContactEditor::newContactKeepsUntouchedFieldsAbsent()
{
    f.openList();
    QTest::mouseClick(f.control<QToolButton>("SUB2_1", "Command1"), Qt::LeftButton);
    for (const auto &[name, field] : boundBoxes)
        QVERIFY2(textOf(box(name)).isEmpty(), name);
    retype(box("Text43"), "Gil");
    save(Answer::Ok);
    QCOMPARE(f.storedIds(), QList<qint64>{1});
    QCOMPARE(f.stored(1, "FirstName").toString(), QString("Gil"));
    for (const char *field : {"FileAs", "Title", "Emails", "BusinessContact", "H_Gender", "Notes"})
        QVERIFY2(f.stored(1, field).isNull(), field);
}

QTEST_MAIN(TestContactEditor)
#include "tst_contacteditor.moc"
