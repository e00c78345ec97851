#include "windows/tasks/TaskEditor.h"

#include "records/Clock.h"
#include "records/DataSource.h"
#include "records/Messages.h"
#include "records/RecordSet.h"
#include "records/StoreError.h"
#include "records/StoreText.h"
#include "shell/EditorButtons.h"
#include "shell/Geometry.h"
#include "shell/ProgramContext.h"
#include "records/Kinds.h"
#include "shell/StoreProblem.h"
#include "shell/WindowRegistry.h"
#include "windows/tasks/TaskFields.h"
#include "windows/tasks/TaskWindows.h"

#include <QApplication>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace pimdesk {

namespace {

using namespace tasks;

QLabel *label(const QString &text, const char *name, QWidget *parent)
{
    auto *l = new QLabel(text, parent);
    l->setObjectName(name);
    return l;
}

QString today()
{
    return dateCaption(Clock::current().today());
}

// Fields are written as text; an empty value is an empty text, not a missing one.
QString stored(const QString &text)
{
    return text.isNull() ? QStringLiteral("") : text;
}

} // namespace

TaskEditor::TaskEditor(ProgramContext &context, QWidget *parent) : QWidget(parent), m_context(context)
{
    m_task.setParent(this);
    setObjectName(taskWindowNames::editor);
    setWindowTitle(QStringLiteral("작업"));

    m_tabs = new QTabWidget(this);
    m_tabs->setObjectName("SSTab1");
    auto *taskPage = new QWidget;
    taskPage->setObjectName("TaskPage");
    auto *notesPage = new QWidget;
    notesPage->setObjectName("NotesPage");
    m_tabs->addTab(taskPage, QStringLiteral("Task"));
    m_tabs->addTab(notesPage, QStringLiteral("Notes"));

    m_description = new QLineEdit(taskPage);
    m_description->setObjectName("Text1");
    m_priority = new QComboBox(taskPage);
    m_priority->setObjectName("Combo1");
    m_status = new QComboBox(taskPage);
    m_status->setObjectName("Combo2");
    m_percent = new QLineEdit(taskPage);
    m_percent->setObjectName("Text2");
    m_percent->setMaximumWidth(60);
    m_spinner = new QWidget(taskPage);
    m_spinner->setObjectName("UpDown1");
    m_up = new QToolButton(m_spinner);
    m_up->setObjectName("UpDown1Up");
    m_up->setArrowType(Qt::UpArrow);
    m_down = new QToolButton(m_spinner);
    m_down->setObjectName("UpDown1Down");
    m_down->setArrowType(Qt::DownArrow);
    for (QToolButton *button : {m_up, m_down}) {
        button->setAutoRepeat(true);
        button->setFixedSize(18, 12);
    }
    auto *spinLayout = new QVBoxLayout(m_spinner);
    spinLayout->setContentsMargins(0, 0, 0, 0);
    spinLayout->setSpacing(0);
    spinLayout->addWidget(m_up);
    spinLayout->addWidget(m_down);
    m_due = new QCheckBox(QStringLiteral("Due"), taskPage);
    m_due->setObjectName("Check1");
    m_dueDate = new QPushButton(taskPage);
    m_dueDate->setObjectName("Command3");
    m_startDate = new QPushButton(taskPage);
    m_startDate->setObjectName("Command4");
    m_doneDate = new QPushButton(taskPage);
    m_doneDate->setObjectName("Command5");
    for (QPushButton *button : {m_dueDate, m_startDate, m_doneDate})
        button->setMinimumWidth(110);
    m_category = new QComboBox(taskPage);
    m_category->setObjectName("Combo3");
    m_category->setEditable(true);

    auto *percentRow = new QHBoxLayout;
    percentRow->setSpacing(2);
    percentRow->addWidget(m_percent);
    percentRow->addWidget(m_spinner);
    percentRow->addWidget(label(QStringLiteral("%"), "Label8", taskPage));
    percentRow->addStretch(1);

    auto *form = new QGridLayout(taskPage);
    form->setColumnStretch(3, 1);
    form->addWidget(label(QStringLiteral("Description"), "Label1", taskPage), 0, 0);
    form->addWidget(m_description, 0, 1, 1, 3);
    form->addWidget(label(QStringLiteral("Priority"), "Label2", taskPage), 1, 0);
    form->addWidget(m_priority, 1, 1);
    form->addWidget(label(QStringLiteral("Status"), "Label3", taskPage), 2, 0);
    form->addWidget(m_status, 2, 1);
    form->addLayout(percentRow, 2, 2, 1, 2);
    form->addWidget(m_due, 3, 0);
    form->addWidget(m_dueDate, 3, 1);
    form->addWidget(label(QStringLiteral("Started Date"), "Label4", taskPage), 4, 0);
    form->addWidget(m_startDate, 4, 1);
    form->addWidget(label(QStringLiteral("Completed Date"), "Label5", taskPage), 5, 0);
    form->addWidget(m_doneDate, 5, 1);
    form->addWidget(label(QStringLiteral("Category"), "Label6", taskPage), 6, 0);
    form->addWidget(m_category, 6, 1, 1, 3);
    form->setRowStretch(7, 1);

    m_notes = new QPlainTextEdit(notesPage);
    m_notes->setObjectName("Text3");
    auto *notesLayout = new QVBoxLayout(notesPage);
    notesLayout->addWidget(m_notes);

    const auto [ok, cancelButton] = layOutTabsAndButtons(this, m_tabs);
    ok->setDefault(true);

    // Over everything else in the editor, shown below the date button that opens it.
    m_calendar = new QCalendarWidget(this);
    m_calendar->setObjectName("MonthView1");
    m_calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
    m_calendar->setAutoFillBackground(true);
    m_calendar->hide();

    connect(ok, &QPushButton::clicked, this, &TaskEditor::save);
    connect(cancelButton, &QPushButton::clicked, this, &TaskEditor::cancel);
    connect(m_due, &QCheckBox::toggled, m_dueDate, &QWidget::setEnabled);
    // Only the user's choice of a status changes the other controls; the list filling the editor
    // leaves them as they are.
    connect(m_status, &QComboBox::activated, this, [this] { applyStatusRules(m_status->currentText()); });
    connect(m_up, &QToolButton::clicked, this, [this] { step(+1); });
    connect(m_down, &QToolButton::clicked, this, [this] { step(-1); });
    connect(m_dueDate, &QPushButton::clicked, this, [this] { openCalendar(DueDate); });
    connect(m_startDate, &QPushButton::clicked, this, [this] { openCalendar(StartDate); });
    connect(m_doneDate, &QPushButton::clicked, this, [this] { openCalendar(CompletionDate); });
    // The calendar belongs to the date buttons of the task page.
    connect(m_tabs, &QTabWidget::currentChanged, m_calendar, &QWidget::hide);
    connect(m_calendar, &QCalendarWidget::clicked, this, &TaskEditor::pickDate);
    connect(m_calendar, &QCalendarWidget::activated, this, &TaskEditor::pickDate);
    connect(qApp, &QApplication::focusChanged, this,
            [this](QWidget *, QWidget *now) { hideCalendarUnlessFocused(now); });

    // Load.
    m_priority->addItems(priorityChoices());
    m_priority->setCurrentText(QString::fromLatin1(defaultPriority));
    m_status->addItems(statusChoices());
    m_status->setCurrentText(QString::fromLatin1(defaultStatus));
    m_dueDate->setText(today());
    m_startDate->setText(QString::fromLatin1(noStartDate));
    m_doneDate->setText(today());
    m_dueDate->setEnabled(false);
    m_startDate->setEnabled(false);
    m_doneDate->setEnabled(false);
    bindFields();

    resize(twipsToPixels(QSize(7400, 6300), this));
}

void TaskEditor::bindFields()
{
    // Every field is written back on a save, as text: an empty value is an empty text, not a
    // missing one. Texts the user types are kept without their surrounding blanks.
    const auto text = [](const QString &shown) -> QVariant { return stored(shown); };
    const auto trimmed = [](const QString &shown) -> QVariant { return stored(shown.trimmed()); };
    m_fields.bind(m_priority, "Priority",
                  {[](const QVariant &value) { return priorityChoice(value); },
                   [](const QString &shown) -> QVariant { return stored(shown.trimmed().left(1)); }});
    m_fields.bind(m_description, "Description", {fieldText, trimmed});
    m_fields.bind(m_percent, "PercentCompleted", {fieldText, trimmed});
    m_fields.bind(m_category, "Categories", {fieldText, text});
    m_fields.bindCheck(m_due, "Hasdate", "1", "0");
    m_fields.bind(m_status, "Status",
                  {[](const QVariant &value) {
                       const QString status = fieldText(value);
                       return status.trimmed().isEmpty() ? QString::fromLatin1(defaultStatus) : status;
                   },
                   text});
    m_fields.bind(m_startDate, "Starteddate",
                  {[](const QVariant &value) {
                       const QString started = fieldText(value);
                       return started.trimmed().isEmpty() ? QString::fromLatin1(noStartDate) : started;
                   },
                   trimmed});
    m_fields.bind(m_doneDate, "Completeddate", {fieldText, trimmed});
}

void TaskEditor::beginNew(qint64 id)
{
    m_task.setDatabaseName(m_context.storePath);
    m_task.setRecordSource(QString::fromLatin1(kindInfo(RecordKind::Tasks).table));
    m_task.refresh();
    RecordSet &task = m_task.recordset();
    task.addNew();
    task.setField("ID", id);
    // A new task shows what an empty record shows: the lists' presets, no due date, no start date.
    fill(task);
    present(Mode::New);
}

bool TaskEditor::beginEdit(qint64 id)
{
    m_task.setDatabaseName(m_context.storePath);
    m_task.setRecordSource(recordByIdSql(RecordKind::Tasks, id));
    m_task.refresh();
    RecordSet &task = m_task.recordset();
    if (task.bof() && task.eof())
        return false;
    fill(task);
    task.edit();
    present(Mode::Edit);
    return true;
}

void TaskEditor::fill(const RecordSet &task)
{
    m_fields.load(task);
    m_dueDate->setEnabled(m_due->isChecked());
    m_dueDate->setText(dueCaption(task.field("Hasdate"), task.field("Dateyear"), task.field("Datemonth"),
                                  task.field("Dateday"), Clock::current().today()));
    m_storedNotes = fieldText(task.field("Notes"));
    m_notes->setPlainText(plainFromStoreText(m_storedNotes));
    m_notes->document()->setModified(false);
}

void TaskEditor::present(Mode mode)
{
    setWindowTitle(mode == Mode::New ? QStringLiteral("새 작업") : QStringLiteral("작업 편집"));
    m_calendar->hide();
    m_tabs->setCurrentIndex(0);
    if (QMdiSubWindow *frame = mdiFrame(this))
        frame->move(0, 0);
    else
        move(0, 0);
    if (m_context.windows)
        m_context.windows->showWindow(taskWindowNames::editor);
    else
        show();
    m_description->setFocus();
}

void TaskEditor::applyStatusRules(const QString &status)
{
    struct Rule
    {
        const char *status;
        bool percentEnabled;
        const char *percent;
        bool startEnabled;
        bool completionEnabled;
    };
    static const Rule rules[] = {
        {"NotStarted", false, "0", false, false}, {"InProgress", true, "0", true, false},
        {"Completed", false, "100", true, true},  {"Waiting", true, "99", true, false},
        {"Deferred", true, "99", true, false},
    };
    for (const Rule &rule : rules) {
        if (status != QLatin1String(rule.status))
            continue;
        m_percent->setEnabled(rule.percentEnabled);
        m_percent->setText(QString::fromLatin1(rule.percent));
        m_spinner->setEnabled(rule.percentEnabled);
        m_startDate->setEnabled(rule.startEnabled);
        m_doneDate->setEnabled(rule.completionEnabled);
    }
}

void TaskEditor::step(int direction)
{
    m_percent->setText(steppedPercent(m_percent->text(), direction));
}

QPushButton *TaskEditor::dateButton(CalendarTarget target) const
{
    switch (target) {
    case DueDate:
        return m_dueDate;
    case StartDate:
        return m_startDate;
    case CompletionDate:
        return m_doneDate;
    case NoDate:
        break;
    }
    return nullptr;
}

void TaskEditor::openCalendar(CalendarTarget target)
{
    QPushButton *button = dateButton(target);
    const QDate shown = captionDate(button->text());
    m_calendar->setSelectedDate(shown.isValid() ? shown : Clock::current().today());
    m_calendar->adjustSize();
    // Directly below the button; above it when the editor has no room below.
    QPoint at = button->mapTo(this, QPoint(0, button->height()));
    const QSize size = m_calendar->sizeHint();
    if (at.y() + size.height() > height())
        at.setY(std::max(0, button->mapTo(this, QPoint(0, 0)).y() - size.height()));
    at.setX(std::max(0, std::min(at.x(), width() - size.width())));
    m_calendar->setGeometry(QRect(at, size));
    m_calendar->show();
    m_calendar->raise();
    m_calendar->setFocus();
    m_comNo = target;
}

void TaskEditor::pickDate(const QDate &date)
{
    m_calendar->hide();
    if (QPushButton *button = dateButton(CalendarTarget(m_comNo)))
        button->setText(dateCaption(date));
}

void TaskEditor::hideCalendarUnlessFocused(QWidget *now)
{
    if (!m_calendar->isVisible() || !now)
        return;
    // The calendar's month menu and year box are its own, even where they are windows of their own.
    for (QWidget *w = now; w; w = w->parentWidget())
        if (w == m_calendar)
            return;
    m_calendar->hide();
}

void TaskEditor::save()
{
    if (!m_task.isOpen() || !m_task.recordset().editing()) {
        finish(EditEnd::NotStored);
        return;
    }
    RecordSet &task = m_task.recordset();
    const bool hasDate = m_due->isChecked();
    const DateParts due = hasDate ? dateParts(m_dueDate->text()) : DateParts{};
    const QString status = m_status->currentText();
    const QList<std::pair<const char *, QString>> derived = {
        {"Completed", status == QLatin1String("Completed") ? "1" : "0"},
        {"Dateyear", due.year},
        {"Datemonth", due.month},
        {"Dateday", due.day},
        {"Notes", notesText()},
        {"qdl-private-data", QString()},
        {"application", QString()},
    };
    bool saved = false;
    try {
        m_fields.store(task, FieldBinding::Write::Every);
        for (const auto &[name, value] : derived)
            task.setField(QString::fromLatin1(name), stored(value));
        saved = m_context.messages->show(QStringLiteral("작업내용을 저장 하시겠습니까?"),
                                         QStringLiteral("저장 할까요?"), Buttons::OkCancel, Icon::None) == Answer::Ok;
        if (saved) {
            keepNewIdFree(task, RecordKind::Tasks);
            task.update();
        } else {
            task.cancelUpdate();
        }
    } catch (const StoreError &error) {
        // The task could not be stored (the store went read-only or full): the editor stays open with everything the user typed, so nothing is lost.
        reportStoreProblem(m_context.messages, error);
        return;
    }
    finish(saved ? EditEnd::Stored : EditEnd::NotStored);
}

QString TaskEditor::notesText() const
{
    // The notes box shows every line break as one; notes left alone are written back exactly as
    // stored, and edited notes keep the stored text's carriage returns (Outlook writes them so).
    if (!m_notes->document()->isModified())
        return m_storedNotes;
    QString text = storeTextFromPlain(m_notes->toPlainText());
    if (m_storedNotes.contains(QLatin1String("\r\n")))
        text.replace(QLatin1Char('\n'), QLatin1String("\r\n"));
    return text;
}

void TaskEditor::cancel()
{
    if (m_task.isOpen() && m_task.recordset().editing())
        m_task.recordset().cancelUpdate();
    finish(EditEnd::Cancelled);
}

void TaskEditor::abandon()
{
    if (m_task.isOpen() && m_task.recordset().editing())
        m_task.recordset().cancelUpdate();
    m_calendar->hide();
    hide();
}

void TaskEditor::finish(EditEnd end)
{
    m_calendar->hide();
    if (!m_closing)
        hide();
    reportFinished(end);
}

void TaskEditor::keyPressEvent(QKeyEvent *event)
{
    if (event->key() != Qt::Key_Escape || event->modifiers() != Qt::NoModifier) {
        QWidget::keyPressEvent(event);
        return;
    }
    event->accept();
    if (m_calendar->isVisible()) {
        m_calendar->hide();
        if (QPushButton *button = dateButton(CalendarTarget(m_comNo)))
            button->setFocus();
        return;
    }
    cancel();
}

void TaskEditor::closeEvent(QCloseEvent *event)
{
    m_closing = true;
    if (isVisible())
        cancel();
    m_closing = false;
    QWidget::closeEvent(event);
}

} // namespace pimdesk
