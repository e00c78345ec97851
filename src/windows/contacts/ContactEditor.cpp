#include "windows/contacts/ContactEditor.h"

#include "records/Clock.h"
#include "records/Messages.h"
#include "records/StoreError.h"
#include "shell/EditorButtons.h"
#include "shell/Geometry.h"
#include "shell/ProgramContext.h"
#include "shell/WindowRegistry.h"
#include "windows/contacts/ContactsWindows.h"

#include <QButtonGroup>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QLocale>
#include <QMdiSubWindow>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace pimdesk {

namespace {

const char *const monthAbbreviations[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

QString boxText(const QWidget *widget)
{
    if (const auto *line = qobject_cast<const QLineEdit *>(widget))
        return line->text();
    if (const auto *combo = qobject_cast<const QComboBox *>(widget))
        return combo->currentText();
    if (const auto *plain = qobject_cast<const QPlainTextEdit *>(widget))
        return plain->toPlainText();
    return QString();
}

void setBoxText(QWidget *widget, const QString &text)
{
    if (auto *line = qobject_cast<QLineEdit *>(widget)) {
        line->setText(text);
        line->setCursorPosition(0);
    } else if (auto *combo = qobject_cast<QComboBox *>(widget)) {
        combo->setEditText(text);
    } else if (auto *plain = qobject_cast<QPlainTextEdit *>(widget)) {
        plain->setPlainText(text);
    }
}

QComboBox *listBox(const char *name, const QStringList &entries, QWidget *parent)
{
    auto *combo = new QComboBox(parent);
    combo->setObjectName(name);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->addItems(entries);
    return combo;
}

// Rows of a caption and a box in a grid, starting at a column pair.
void addRow(QGridLayout *grid, int row, int column, const char *caption, QWidget *field)
{
    auto *label = new QLabel(QString::fromUtf8(caption));
    label->setBuddy(field);
    grid->addWidget(label, row, column);
    grid->addWidget(field, row, column + 1);
}

} // namespace

QString contactByIdSql(qint64 id)
{
    return QStringLiteral("SELECT * FROM Contacts WHERE ID = ") + (id >= 0 ? QStringLiteral(" ") : QString()) +
           QString::number(id);
}

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

    // Two boxes on one field show the same text: what is typed into one appears in the other.
    for (Box &b : m_boxes) {
        auto *line = qobject_cast<QLineEdit *>(b.widget);
        if (line)
            connect(line, &QLineEdit::textEdited, this, [this, line] { boxEdited(line); });
        else if (auto *combo = qobject_cast<QComboBox *>(b.widget))
            connect(combo, &QComboBox::currentTextChanged, this, [this, combo] { boxEdited(combo); });
        else if (auto *plain = qobject_cast<QPlainTextEdit *>(b.widget))
            connect(plain, &QPlainTextEdit::textChanged, this, [this, plain] { boxEdited(plain); });
    }

    setWindowTitle(QStringLiteral("연락처수정"));
    resize(twipsToPixels(QSize(9600, 6900), this));
    // Load: the data source knows the store; the list sets its record source for each use.
    m_data.setDatabaseName(m_context.storePath);
}

QLineEdit *ContactEditor::lineBox(const char *name, const char *field)
{
    auto *line = new QLineEdit;
    line->setObjectName(name);
    bind(line, field);
    return line;
}

void ContactEditor::bind(QWidget *widget, const char *field)
{
    m_boxes.append(Box{widget, QString::fromLatin1(field), QString(), 0});
}

QWidget *ContactEditor::box(const char *name) const
{
    for (const Box &b : m_boxes)
        if (b.widget->objectName() == QLatin1String(name))
            return b.widget;
    return nullptr;
}

QWidget *ContactEditor::buildBasicPage()
{
    auto *page = new QWidget;
    auto *fields = new QGridLayout;
    addRow(fields, 0, 0, "이    름", lineBox("Text1", "FileAs"));
    addRow(fields, 1, 0, "Emails", lineBox("Text2", "Emails"));
    addRow(fields, 2, 0, "집전화번호", lineBox("Text3", "H_Phone"));
    addRow(fields, 3, 0, "회사전화번호", lineBox("Text4", "O_Phone"));
    addRow(fields, 4, 0, "Mobile", lineBox("Text44", "H_Mobile"));
    m_business = new QCheckBox(QStringLiteral("Business contact"));
    m_business->setObjectName("Check1");
    fields->addWidget(m_business, 5, 1);
    fields->setRowStretch(6, 1);

    auto *frame = new QGroupBox(QStringLiteral("이름"));
    frame->setObjectName("Frame1");
    auto *name = new QGridLayout(frame);
    auto *title = listBox("Combo1", {QString(), "Mr", "Mrs", "Ms", "Miss", "Dr", "Prof"}, frame);
    bind(title, "Title");
    addRow(name, 0, 0, "Title", title);
    addRow(name, 1, 0, "First Name", lineBox("Text43", "FirstName"));
    addRow(name, 2, 0, "Pronunciation", lineBox("Text42", "FirstPronunciation"));
    addRow(name, 3, 0, "Middle Name", lineBox("Text41", "MiddleName"));
    addRow(name, 4, 0, "Last Name", lineBox("Text40", "LastName"));
    addRow(name, 5, 0, "Pronunciation", lineBox("Text39", "LastPronunciation"));
    auto *suffix = listBox("Combo2", {QString(), "Jr", "Sr", "I", "II", "III", "IV", "V"}, frame);
    bind(suffix, "Suffix");
    addRow(name, 6, 0, "Suffix", suffix);
    addRow(name, 7, 0, "Nickname", lineBox("Text38", "Nickname"));
    auto *compose = new QPushButton(QStringLiteral("확인"), frame);
    compose->setObjectName("OKButton");
    connect(compose, &QPushButton::clicked, this, &ContactEditor::composeName);
    name->addWidget(compose, 8, 1, Qt::AlignRight);

    auto *layout = new QHBoxLayout(page);
    layout->addLayout(fields, 1);
    layout->addWidget(frame, 1);
    return page;
}

QWidget *ContactEditor::buildCompanyPage()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    const std::array<std::array<const char *, 3>, 9> left = {{{"Text5", "Company", "O_Company"},
                                                              {"Text6", "Pronunciation", "O_Pronunciation"},
                                                              {"Text7", "Title", "O_Title"},
                                                              {"Text8", "Phone", "O_Phone"},
                                                              {"Text9", "Mobile", "O_Mobile"},
                                                              {"Text10", "Fax", "O_Fax"},
                                                              {"Text11", "Pager", "O_Pager"},
                                                              {"Text12", "Street", "O_Street"},
                                                              {"Text13", "City", "O_City"}}};
    const std::array<std::array<const char *, 3>, 9> right = {{{"Text14", "State", "O_State"},
                                                               {"Text15", "Zip", "O_Zip"},
                                                               {"Text16", "Country", "O_Country"},
                                                               {"Text17", "URL", "O_URL"},
                                                               {"Text18", "Department", "O_Department"},
                                                               {"Text19", "Office", "O_Office"},
                                                               {"Text20", "Profession", "O_Profession"},
                                                               {"Text21", "Manager", "O_Manager"},
                                                               {"Text22", "Assistant", "O_Assistant"}}};
    for (int row = 0; row < 9; ++row) {
        addRow(grid, row, 0, left[row][1], lineBox(left[row][0], left[row][2]));
        addRow(grid, row, 2, right[row][1], lineBox(right[row][0], right[row][2]));
    }
    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(9, 1);
    return page;
}

QWidget *ContactEditor::buildHomePage()
{
    auto *page = new QWidget;
    auto *grid = new QGridLayout(page);
    const std::array<std::array<const char *, 3>, 8> left = {{{"Text25", "Street", "H_Street"},
                                                              {"Text24", "City", "H_City"},
                                                              {"Text23", "State", "H_State"},
                                                              {"Text31", "Zip", "H_Zip"},
                                                              {"Text30", "Country", "H_Country"},
                                                              {"Text28", "Phone", "H_Phone"},
                                                              {"Text27", "Mobile", "H_Mobile"},
                                                              {"Text26", "Fax", "H_Fax"}}};
    for (int row = 0; row < 8; ++row)
        addRow(grid, row, 0, left[row][1], lineBox(left[row][0], left[row][2]));

    addRow(grid, 0, 2, "URL", lineBox("Text29", "H_URL"));
    addRow(grid, 1, 2, "Spouse", lineBox("Text32", "H_Spouse"));
    addRow(grid, 2, 2, "Children", lineBox("Text33", "H_Children"));

    // The gender box, with the two options beside it showing and setting the same field.
    m_gender = lineBox("Text35", "H_Gender");
    m_male = new QRadioButton(QStringLiteral("Male"));
    m_male->setObjectName("Option1");
    m_female = new QRadioButton(QStringLiteral("Female"));
    m_female->setObjectName("Option2");
    m_genderGroup = new QButtonGroup(this);
    m_genderGroup->addButton(m_male, 1);
    m_genderGroup->addButton(m_female, 2);
    connect(m_genderGroup, &QButtonGroup::idClicked, this, &ContactEditor::genderOptionClicked);
    connect(m_gender, &QLineEdit::textEdited, this, &ContactEditor::syncGenderOptions);
    auto *gender = new QHBoxLayout;
    gender->addWidget(m_gender, 1);
    gender->addWidget(m_male);
    gender->addWidget(m_female);
    grid->addWidget(new QLabel(QStringLiteral("Gender")), 3, 2);
    grid->addLayout(gender, 3, 3);

    m_anniversary = lineBox("Text34", "H_Anniv");
    m_birthday = lineBox("Text37", "H_Birthday");
    const auto dateRow = [&](int row, const char *caption, QLineEdit *target, const char *buttonName,
                             const char *calendarName) {
        auto *pick = new QPushButton(QStringLiteral("..."));
        pick->setObjectName(buttonName);
        pick->setFixedWidth(pick->fontMetrics().horizontalAdvance(QStringLiteral("....")) + 16);
        auto *line = new QHBoxLayout;
        line->addWidget(target, 1);
        line->addWidget(pick);
        grid->addWidget(new QLabel(QString::fromUtf8(caption)), row, 2);
        grid->addLayout(line, row, 3);
        // The month calendar floats over the page below its row, hidden until asked for.
        auto *calendar = new QCalendarWidget(page);
        calendar->setObjectName(calendarName);
        calendar->setVerticalHeaderFormat(QCalendarWidget::NoVerticalHeader);
        calendar->setGridVisible(true);
        calendar->hide();
        connect(pick, &QPushButton::clicked, this, [this, calendar, target] { openCalendar(calendar, target); });
        connect(calendar, &QCalendarWidget::clicked, this,
                [this, calendar, target](QDate date) { datePicked(calendar, target, date); });
        connect(calendar, &QCalendarWidget::activated, this,
                [this, calendar, target](QDate date) { datePicked(calendar, target, date); });
        return calendar;
    };
    m_anniversaryCalendar = dateRow(4, "Anniv", m_anniversary, "Command3", "MonthView1");
    m_birthdayCalendar = dateRow(5, "Birthday", m_birthday, "Command4", "MonthView2");

    grid->setColumnStretch(1, 1);
    grid->setColumnStretch(3, 1);
    grid->setRowStretch(8, 1);
    return page;
}

QWidget *ContactEditor::buildOtherPage()
{
    auto *page = new QWidget;
    auto *notes = new QPlainTextEdit;
    notes->setObjectName("Text36");
    bind(notes, "Notes");
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("Note")));
    layout->addWidget(notes, 1);
    return page;
}

void ContactEditor::boxEdited(QWidget *widget)
{
    const int stamp = ++m_editClock;
    QString field;
    for (Box &b : m_boxes) {
        if (b.widget == widget) {
            b.editStamp = stamp;
            field = b.field;
        }
    }
    const QString text = boxText(widget);
    for (Box &b : m_boxes) {
        if (b.widget != widget && b.field == field && boxText(b.widget) != text)
            setBoxText(b.widget, text);
    }
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
    m_gender->setText(QString::number(value));
    boxEdited(m_gender);
}

void ContactEditor::loadRecord()
{
    RecordSet &record = m_data.recordset();
    for (Box &b : m_boxes) {
        const QVariant value = record.field(b.field);
        setBoxText(b.widget, value.isNull() ? QString() : value.toString());
    }
    // Read back after all are set: a box shows what it can of a value (a line box drops line breaks).
    for (Box &b : m_boxes) {
        b.shownAtLoad = boxText(b.widget);
        b.editStamp = 0;
    }
    m_editClock = 0;
    m_businessAtLoad = record.field("BusinessContact").toString().trimmed() == QLatin1String("1");
    m_business->setChecked(m_businessAtLoad);
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
    m_data.setRecordSource(QStringLiteral("Contacts"));
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
    m_data.setRecordSource(contactByIdSql(id));
    m_data.refresh();
    RecordSet &record = m_data.recordset();
    if (record.bof() && record.eof())
        return false;
    record.edit();
    loadRecord();
    showWithCaption(QStringLiteral("연락처수정"));
    return true;
}

bool ContactEditor::deleteContact(qint64 id)
{
    m_data.setDatabaseName(m_context.storePath);
    m_data.setRecordSource(contactByIdSql(id));
    m_data.refresh();
    RecordSet &record = m_data.recordset();
    if (record.bof() && record.eof())
        return false;
    record.remove();
    return true;
}

void ContactEditor::composeName()
{
    const auto part = [this](const char *name) { return boxText(box(name)).trimmed(); };
    const QString title = part("Combo1");
    const QString first = part("Text43");
    const QString nickname = part("Text38");
    const QString middle = part("Text41");
    const QString last = part("Text40");
    const QString suffix = part("Combo2");
    const QString firstPronunciation = part("Text42");
    const QString lastPronunciation = part("Text39");

    QString name;
    if (!title.isEmpty())
        name = title;
    if (!first.isEmpty())
        name = name.trimmed() + ' ' + first;
    if (!nickname.isEmpty())
        name = name.trimmed() + " (" + nickname + ')';
    if (!middle.isEmpty())
        name = name.trimmed() + ' ' + middle;
    if (!last.isEmpty())
        name = name.trimmed() + ' ' + last;
    if (!suffix.isEmpty())
        name = name.trimmed() + ' ' + suffix;
    if (!firstPronunciation.isEmpty())
        name = name.trimmed() + " \"" + firstPronunciation;
    if (!lastPronunciation.isEmpty())
        name = name.trimmed() + ' ' + lastPronunciation + '"';

    // Every part goes after a blank, so a name without a title would start with one: it does not.
    QWidget *display = box("Text1");
    setBoxText(display, name.trimmed());
    boxEdited(display);
}

void ContactEditor::save()
{
    // The store keeps a double quote as "&quot;"; the boxes show the text as it will be kept.
    for (Box &b : m_boxes) {
        const QString text = boxText(b.widget);
        if (text.contains(QLatin1Char('"')))
            setBoxText(b.widget, QString(text).replace(QLatin1Char('"'), QStringLiteral("&quot;")));
    }
    RecordSet &record = m_data.recordset();
    const Answer answer = m_context.messages->show(QStringLiteral("작업내용을 저장 하시겠습니까?"),
                                                   QStringLiteral("저장 할까요?"), Buttons::OkCancel, Icon::None);
    if (answer == Answer::Ok) {
        try {
            // Per field, the box edited last; a field whose box shows what it showed at loading
            // keeps its stored value (an empty box leaves an absent value absent).
            QHash<QString, const Box *> latest;
            QStringList order;
            for (const Box &b : std::as_const(m_boxes)) {
                const Box *&current = latest[b.field];
                if (!current)
                    order << b.field;
                if (!current || b.editStamp > current->editStamp)
                    current = &b;
            }
            for (const QString &field : std::as_const(order)) {
                const Box *b = latest.value(field);
                const QString text = boxText(b->widget);
                if (text != b->shownAtLoad)
                    record.setField(field, text);
            }
            if (m_business->isChecked() != m_businessAtLoad)
                record.setField("BusinessContact", m_business->isChecked() ? "1" : "0");
            record.update();
        } catch (const StoreError &error) {
            // Nothing was stored: the editor stays open with everything the user typed.
            m_context.messages->show(error.message(), QString::fromUtf8(programTitle), Buttons::Ok, Icon::Critical);
            return;
        }
    } else {
        record.cancelUpdate();
    }
    if (m_context.windows)
        m_context.windows->reloadList(RecordKind::Contacts);
    finish();
}

void ContactEditor::cancel()
{
    if (m_data.isOpen())
        m_data.recordset().cancelUpdate();
    finish();
    if (m_context.windows)
        m_context.windows->showWindow(WindowRegistry::listWindowName(RecordKind::Contacts));
}

void ContactEditor::finish()
{
    hide();
    if (m_context.windows)
        m_context.windows->setListEnabled(RecordKind::Contacts, true);
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

void ContactEditor::openCalendar(QCalendarWidget *calendar, QLineEdit *target)
{
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
    target->setText(contactDateText(date));
    boxEdited(target);
    calendar->hide();
}

} // namespace pimdesk
