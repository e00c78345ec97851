// What a user typed into an editor stays there whatever else happens meanwhile: the editor's list
// stays disabled while export and import windows come and go, a new record whose ID another writer
// took before the save is stored under the next free one, and Escape in an editor or a search
// window is its cancel command. The contacts and task windows, driven as the user drives them.
#include "shell/Geometry.h"
#include "shell/RecordGrid.h"
#include "support/TasksFixture.h"
#include "windows/calendar/CalendarWindows.h"
#include "windows/contacts/ContactsWindows.h"

#include <QHeaderView>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QToolButton>

#include <sqlite3.h>

using namespace pimdesk;

Q_DECLARE_METATYPE(pimdesk::RecordKind)

namespace {

// One kind's list and editor, and the box and field the tests type into.
struct KindWindows
{
    RecordKind kind;
    const char *list;
    const char *editor;
    const char *box;
    const char *field;
    RecordKind other; // a list opened beside it, whose pictures open the exchange windows
};

const KindWindows contacts{RecordKind::Contacts, "SUB2_1", "SUB2_2", "Text1", "FileAs", RecordKind::Tasks};
const KindWindows tasks{RecordKind::Tasks, "SUB3_1", "SUB3_2", "Text1", "Description", RecordKind::Contacts};

const KindWindows &windowsOf(RecordKind kind)
{
    return kind == RecordKind::Contacts ? contacts : tasks;
}

// Types text key by key into the focused box, as the user would (Hangul included).
void type(QWidget *box, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, box, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// Another program writing the store through a connection of its own.
bool insertFromOutside(const QString &storePath, const QString &sql)
{
    sqlite3 *db = nullptr;
    if (sqlite3_open(storePath.toUtf8().constData(), &db) != SQLITE_OK)
        return false;
    sqlite3_busy_timeout(db, 3000);
    const bool ok = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, nullptr) == SQLITE_OK;
    sqlite3_close(db);
    return ok;
}

} // namespace

class TestOpenEditors : public QObject
{
    Q_OBJECT

private slots:
    void init();
    void cleanup() { t.tearDown(); }

    void anExchangeWindowLeavesAListWithItsEditorDisabled_data();
    void anExchangeWindowLeavesAListWithItsEditorDisabled();
    void aNewRecordWhoseIdWasTakenGetsTheNextFreeOne_data();
    void aNewRecordWhoseIdWasTakenGetsTheNextFreeOne();
    void escapeIsTheCancelCommand_data();
    void escapeIsTheCancelCommand();

private:
    QWidget *window(const char *name) { return t.main->findChild<QWidget *>(name); }
    ListWindow *openList(RecordKind kind)
    {
        t.main->windows().openList(kind);
        return t.main->windows().listWindow(kind);
    }
    void addRecord(RecordKind kind, qint64 id, const QString &text)
    {
        const KindWindows &w = windowsOf(kind);
        t.store->exec(QString("INSERT INTO %1 (ID, \"%2\") VALUES (?, ?)").arg(kindInfo(kind).table, w.field),
                      {id, text});
    }
    QVariant stored(RecordKind kind, qint64 id)
    {
        const KindWindows &w = windowsOf(kind);
        return t.store->scalar(QString("SELECT \"%1\" FROM %2 WHERE ID = ?").arg(w.field, kindInfo(kind).table), {id});
    }

    test::TasksFixture t;
};

void TestOpenEditors::init()
{
    t.setUp();
    QVERIFY(QTest::qWaitForWindowActive(t.main.get()));
}

void TestOpenEditors::anExchangeWindowLeavesAListWithItsEditorDisabled_data()
{
    QTest::addColumn<RecordKind>("kind");
    QTest::addColumn<bool>("newRecord");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("exchangeWindow");
    for (RecordKind kind : {RecordKind::Contacts, RecordKind::Tasks}) {
        const char *table = kindInfo(kind).table;
        QTest::addRow("%s, new record, export", table) << kind << true << "Image2" << "SUB1_2";
        QTest::addRow("%s, new record, import", table) << kind << true << "Image1" << "SUB1_1";
        QTest::addRow("%s, stored record, export", table) << kind << false << "Image2" << "SUB1_2";
    }
}

void TestOpenEditors::anExchangeWindowLeavesAListWithItsEditorDisabled()
{
    QFETCH(RecordKind, kind);
    QFETCH(bool, newRecord);
    QFETCH(QString, picture);
    QFETCH(QString, exchangeWindow);
    const KindWindows &w = windowsOf(kind);
    addRecord(kind, 1, "first");
    addRecord(kind, 2, "second");

    ListWindow *list = openList(kind);
    QVERIFY(list && list->isVisible());
    list->grid()->setCurrentCell(1, 1);
    t.click(w.list, newRecord ? "Command1" : "Command2");
    QWidget *editor = window(w.editor);
    QVERIFY(editor && editor->isVisible());
    QVERIFY(!list->isEnabled());
    QCOMPARE(list->openWindows(), QStringList{w.editor});
    auto *box = editor->findChild<QLineEdit *>(w.box);
    box->setFocus();
    box->selectAll();
    type(box, "입력한 글 typed");

    // The user turns to another list and opens an exchange window from its picture, then closes it.
    ListWindow *other = openList(w.other);
    QVERIFY(other && other->isEnabled());
    QWidget *image = other->findChild<QWidget *>(picture);
    QVERIFY(image);
    QTest::mouseClick(image, Qt::LeftButton);
    QPointer<QWidget> exchange = window(qPrintable(exchangeWindow));
    QVERIFY(exchange && exchange->isVisible());
    QVERIFY(t.main->windows().listInUse(kind));
    QVERIFY(!t.main->windows().listInUse(w.other));
    mdiFrame(exchange)->close();
    QTRY_VERIFY(exchange.isNull());

    // Only the list nothing holds is enabled again; the editor still has its record.
    QVERIFY(other->isEnabled());
    QVERIFY(!list->isEnabled());
    QVERIFY(editor->isVisible());
    QCOMPARE(box->text(), QString("입력한 글 typed"));

    t.messages.clear();
    t.click(w.editor, "Command2");
    QCOMPARE(t.messages.texts(), QStringList{"작업내용을 저장 하시겠습니까?"});
    QVERIFY(!editor->isVisible());
    const qint64 id = newRecord ? 3 : 2;
    QCOMPARE(stored(kind, id).toString(), QString("입력한 글 typed"));
    QCOMPARE(stored(kind, 1).toString(), QString("first"));
    QVERIFY(list->isEnabled());
    QVERIFY(list->openWindows().isEmpty());
    QCOMPARE(list->currentId(), id);
}

void TestOpenEditors::aNewRecordWhoseIdWasTakenGetsTheNextFreeOne_data()
{
    QTest::addColumn<RecordKind>("kind");
    QTest::addColumn<bool>("sorted");
    for (RecordKind kind : {RecordKind::Contacts, RecordKind::Tasks}) {
        QTest::addRow("%s", kindInfo(kind).table) << kind << false;
        QTest::addRow("%s, list sorted by the typed field", kindInfo(kind).table) << kind << true;
    }
}

void TestOpenEditors::aNewRecordWhoseIdWasTakenGetsTheNextFreeOne()
{
    QFETCH(RecordKind, kind);
    QFETCH(bool, sorted);
    const KindWindows &w = windowsOf(kind);
    addRecord(kind, 1, "가 first");
    addRecord(kind, 2, "하 last");
    ListWindow *list = openList(kind);
    QVERIFY(list);
    if (sorted) {
        const int column = list->dataSource().recordset().fieldIndex(w.field);
        QTest::mouseClick(list->grid()->horizontalHeader()->viewport(), Qt::LeftButton, {},
                          QPoint(list->grid()->horizontalHeader()->sectionViewportPosition(column) + 5, 5));
        QCOMPARE(list->dataSource().recordset().sortOrder().field, QString(w.field));
    }

    t.click(w.list, "Command1");
    QWidget *editor = window(w.editor);
    QVERIFY(editor && editor->isVisible());
    auto *box = editor->findChild<QLineEdit *>(w.box);
    box->setFocus();
    type(box, "나 new");
    // Meanwhile another writer stores a record under the ID the editor was begun with, and one more.
    QVERIFY(insertFromOutside(t.storePath,
                              QString("INSERT INTO %1 (ID, \"%2\") VALUES (3, '다 taken'), (4, '라 taken too')")
                                  .arg(kindInfo(kind).table, w.field)));

    t.messages.clear();
    t.click(w.editor, "Command2");
    // Asked once, stored without a failure, under the next free ID, with what was typed.
    QCOMPARE(t.messages.texts(), QStringList{"작업내용을 저장 하시겠습니까?"});
    QVERIFY(!editor->isVisible());
    QCOMPARE(stored(kind, 5).toString(), QString("나 new"));
    QCOMPARE(stored(kind, 3).toString(), QString("다 taken"));
    QCOMPARE(stored(kind, 4).toString(), QString("라 taken too"));
    QVERIFY(list->isEnabled());
    // The list shows the new record as its current row, where its order puts it.
    QCOMPARE(list->currentId(), 5);
    if (sorted)
        QCOMPARE(list->grid()->currentRow(), 1);
}

void TestOpenEditors::escapeIsTheCancelCommand_data()
{
    QTest::addColumn<RecordKind>("kind");
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("opened");
    QTest::addColumn<QString>("box");
    QTest::newRow("contact editor") << RecordKind::Contacts << "Command1" << "SUB2_2" << "Text1";
    QTest::newRow("contact search") << RecordKind::Contacts << "Command4" << "Dialog" << "Text1";
    QTest::newRow("task editor") << RecordKind::Tasks << "Command1" << "SUB3_2" << "Text1";
    QTest::newRow("task search") << RecordKind::Tasks << "Command4" << "Dialog1" << "Text1";
    QTest::newRow("calendar search") << RecordKind::Events << "Command4" << "Dialog2" << "Text1";
}

void TestOpenEditors::escapeIsTheCancelCommand()
{
    QFETCH(RecordKind, kind);
    QFETCH(QString, command);
    QFETCH(QString, opened);
    QFETCH(QString, box);
    const QString table = QString::fromLatin1(kindInfo(kind).table);
    t.store->exec(QString("INSERT INTO %1 (ID, %2) VALUES (1, 'one')")
                      .arg(table, kind == RecordKind::Contacts ? "FileAs" : "Description"));
    ListWindow *list = openList(kind);
    QVERIFY(list);
    const QString source = list->dataSource().recordSource();
    t.click(kindInfo(kind).listWindow, qPrintable(command));
    QWidget *shown = window(qPrintable(opened));
    QVERIFY(shown && shown->isVisible());
    QVERIFY(!list->isEnabled());
    auto *line = shown->findChild<QLineEdit *>(box);
    QVERIFY(line);
    line->setFocus();
    type(line, "zz");
    t.messages.clear();

    QTest::keyClick(line, Qt::Key_Escape);
    QVERIFY(!shown->isVisible());
    QVERIFY(list->isEnabled());
    QVERIFY(t.messages.shown().isEmpty());
    // Nothing stored, nothing searched.
    QCOMPARE(t.store->count(table), qint64(1));
    if (opened.startsWith("Dialog"))
        QCOMPARE(list->dataSource().recordSource(), source);
    QCOMPARE(list->grid()->gridModel().rowCount(), 1);
}

QTEST_MAIN(TestOpenEditors)
#include "tst_openeditors.moc"
