#include "windows/contacts/ContactEditor.h"

#include "records/Clock.h"
#include "records/ContactNames.h"
#include "records/Messages.h"
#include "records/StoreError.h"
#include "shell/EditorButtons.h"
#include "shell/Geometry.h"
#include "shell/ProgramContext.h"
#include "records/Kinds.h"
#include "shell/StoreProblem.h"
#include "shell/WindowRegistry.h"
#include "windows/contacts/ContactsWindows.h"

#include <QApplication>
#include <QButtonGroup>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLineEdit>
#include <QLocale>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>

namespace pimdesk {

namespace {

const char *const monthAbbreviations[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

} // namespace

QString contactDateText(const QDate &date)
{
    // Built as the calendar's pick builds it: day, then month, then year, each after the text so far
    // with its blanks trimmed.
    QString text = QString::number(date.day());
    text = text.trimmed() + ' ' + QLatin1String(monthAbbreviations[date.month() - 1]) + ' ';
    text = text.trimmed() + ' ' + QStringLiteral("%1").arg(date.year(), 4, 10, QLatin1Char('0'));
    return text;
}

ContactEditor::ContactEditor(ProgramContext &context, QWidget *parent) : QWidget(parent), m_context(context)
{
    m_data.setObjectName("Data1");
    m_data.setParent(this);

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName("SSTab1");
    m_tabs->addTab(buildBasicPage(), QStringLiteral("기본정보"));
    m_tabs->addTab(buildCompanyPage(), QStringLiteral("회사정보"));
    m_tabs->addTab(buildHomePage(), QStringLiteral("   집   "));
    m_tabs->addTab(buildOtherPage(), QStringLiteral(" 기  타 "));

    const EditorButtons buttons = layOutTabsAndButtons(this, m_tabs);
    connect(buttons.ok, &QPushButton::clicked, this, &ContactEditor::save);
    connect(buttons.cancel, &QPushButton::clicked, this, &ContactEditor::cancel);

    setWindowTitle(QStringLiteral("연락처수정"));
    resize(twipsToPixels(QSize(9600, 6900), this));
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { hideCalendarsUnlessFocused(now); });

    // Load: the data source knows the store; each use sets its record source.
    m_data.setDatabaseName(m_context.storePath);
}

QWidget *ContactEditor::box(const char *name) const
{
    return findChild<QWidget *>(QLatin1String(name));
}

void ContactEditor::syncGenderOptions()
{
    const QString value = m_gender->text().trimmed();
    // Neither option for "0", an empty box or anything else: the exclusive group would keep one.
    m_genderGroup->setExclusive(false);
    m_male->setChecked(value == QLatin1String("1"));
    m_female->setChecked(value == QLatin1String("2"));
    m_genderGroup->setExclusive(true);
}

void ContactEditor::genderOptionClicked(int value)
{
    m_fields.edit(m_gender, QString::number(value));
}

void ContactEditor::loadRecord()
{
    m_fields.load(m_data.recordset());
    syncGenderOptions();
    m_anniversaryCalendar->hide();
    m_birthdayCalendar->hide();
    m_tabs->setCurrentIndex(0);
}

void ContactEditor::showWithCaption(const QString &caption)
{
    setWindowTitle(caption);
    if (m_context.windows)
        m_context.windows->showWindow(windowNames::contactEditor);
    else
        show();
    if (QMdiSubWindow *frame = mdiFrame(this))
        frame->move(0, 0);
    else
        move(0, 0);
    box("Text1")->setFocus();
}

void ContactEditor::beginNew(qint64 id)
{
    m_data.setDatabaseName(m_context.storePath);
    m_data.setRecordSource(QString::fromLatin1(kindInfo(RecordKind::Contacts).table));
    m_data.refresh();
    RecordSet &record = m_data.recordset();
    record.addNew();
    record.setField("ID", id);
    loadRecord();
    showWithCaption(QStringLiteral("새로운연락처입력"));
}

bool ContactEditor::beginEdit(qint64 id)
{
    m_data.setDatabaseName(m_context.storePath);
    m_data.setRecordSource(recordByIdSql(RecordKind::Contacts, id));
    m_data.refresh();
    RecordSet &record = m_data.recordset();
    if (record.bof() && record.eof())
        return false;
    record.edit();
    loadRecord();
    showWithCaption(QStringLiteral("연락처수정"));
    return true;
}

void ContactEditor::composeName()
{
    const auto part = [this](const char *name) { return FieldBinding::text(box(name)); };
    const ContactNameParts parts{part("Combo1"), part("Text43"), part("Text38"), part("Text41"),
                                 part("Text40"), part("Combo2"), part("Text42"), part("Text39")};
    m_fields.edit(box("Text1"), composeFileAs(parts));
}

void ContactEditor::save()
{
    // The boxes show characters; the binding keeps them in the store as the documents hold them.
    RecordSet &record = m_data.recordset();
    const Answer answer = m_context.messages->show(QStringLiteral("작업내용을 저장 하시겠습니까?"),
                                                   QStringLiteral("저장 할까요?"), Buttons::OkCancel, Icon::None);
    if (answer == Answer::Ok) {
        try {
            // Only the boxes the user changed: an empty box leaves an absent value absent.
            m_fields.store(record, FieldBinding::Write::Changed);
            keepNewIdFree(record, RecordKind::Contacts);
            record.update();
        } catch (const StoreError &error) {
            // Nothing was stored: the editor stays open with everything the user typed.
            reportStoreProblem(m_context.messages, error);
            return;
        }
    } else {
        record.cancelUpdate();
    }
    hide();
    reportFinished(answer == Answer::Ok ? EditEnd::Stored : EditEnd::NotStored);
}

void ContactEditor::cancel()
{
    if (m_data.isOpen())
        m_data.recordset().cancelUpdate();
    hide();
    reportFinished(EditEnd::Cancelled);
}

void ContactEditor::abandon()
{
    if (m_data.isOpen())
        m_data.recordset().cancelUpdate();
    hide();
}

void ContactEditor::closeEvent(QCloseEvent *event)
{
    // Closing by the frame is a cancel: nothing pending is written, the list takes over again.
    if (isVisible())
        cancel();
    event->accept();
}

void ContactEditor::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Escape || event->modifiers() != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    const std::pair<QCalendarWidget *, QLineEdit *> calendars[] = {{m_anniversaryCalendar, m_anniversary},
                                                                    {m_birthdayCalendar, m_birthday}};
    for (const auto &[calendar, target] : calendars) {
        if (calendar->isVisible()) {
            calendar->hide();
            target->setFocus();
            return;
        }
    }
    cancel();
}

void ContactEditor::hideCalendarsUnlessFocused(QWidget *now)
{
    if (!now)
        return;
    for (QCalendarWidget *calendar : {m_anniversaryCalendar, m_birthdayCalendar}) {
        if (!calendar->isVisible())
            continue;
        // The calendar's month menu and year box are its own, even where they are windows of their own.
        bool inside = false;
        for (QWidget *w = now; w && !inside; w = w->parentWidget())
            inside = w == calendar;
        if (!inside)
            calendar->hide();
    }
}

void ContactEditor::openCalendar(QCalendarWidget *calendar, QLineEdit *target)
{
    // One calendar at a time.
    for (QCalendarWidget *other : {m_anniversaryCalendar, m_birthdayCalendar})
        if (other != calendar)
            other->hide();
    QDate shown = QLocale::c().toDate(target->text().trimmed(), QStringLiteral("d MMM yyyy"));
    if (!shown.isValid())
        shown = Clock::current().today();
    calendar->setSelectedDate(shown);
    calendar->setCurrentPage(shown.year(), shown.month());
    calendar->adjustSize();
    // Below the row of its box, right-aligned with it, inside the page.
    QWidget *page = calendar->parentWidget();
    const QPoint below = target->mapTo(page, QPoint(0, target->height() + 2));
    const int x = std::clamp(below.x(), 0, std::max(0, page->width() - calendar->width()));
    const int y = std::clamp(below.y(), 0, std::max(0, page->height() - calendar->height()));
    calendar->move(x, y);
    calendar->show();
    calendar->raise();
    calendar->setFocus();
}

void ContactEditor::datePicked(QCalendarWidget *calendar, QLineEdit *target, const QDate &date)
{
    if (!calendar->isVisible() || !date.isValid())
        return;
    m_fields.edit(target, contactDateText(date));
    calendar->hide();
}

} // namespace pimdesk
