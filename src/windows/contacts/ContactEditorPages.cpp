// The four pages of the contact editor and the boxes on them, each bound to its field.
#include "windows/contacts/ContactEditor.h"

#include <QButtonGroup>
#include <QCalendarWidget>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

#include <array>

namespace pimdesk {

namespace {

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

QLineEdit *ContactEditor::lineBox(const char *name, const char *field)
{
    auto *line = new QLineEdit;
    line->setObjectName(name);
    m_fields.bind(line, QString::fromLatin1(field));
    return line;
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
    m_fields.bindCheck(m_business, "BusinessContact", "1", "0");
    fields->addWidget(m_business, 5, 1);
    fields->setRowStretch(6, 1);

    auto *frame = new QGroupBox(QStringLiteral("이름"));
    frame->setObjectName("Frame1");
    auto *name = new QGridLayout(frame);
    auto *title = listBox("Combo1", {QString(), "Mr", "Mrs", "Ms", "Miss", "Dr", "Prof"}, frame);
    m_fields.bind(title, "Title");
    addRow(name, 0, 0, "Title", title);
    addRow(name, 1, 0, "First Name", lineBox("Text43", "FirstName"));
    addRow(name, 2, 0, "Pronunciation", lineBox("Text42", "FirstPronunciation"));
    addRow(name, 3, 0, "Middle Name", lineBox("Text41", "MiddleName"));
    addRow(name, 4, 0, "Last Name", lineBox("Text40", "LastName"));
    addRow(name, 5, 0, "Pronunciation", lineBox("Text39", "LastPronunciation"));
    auto *suffix = listBox("Combo2", {QString(), "Jr", "Sr", "I", "II", "III", "IV", "V"}, frame);
    m_fields.bind(suffix, "Suffix");
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
    m_fields.bind(notes, "Notes");
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(new QLabel(QStringLiteral("Note")));
    layout->addWidget(notes, 1);
    return page;
}

} // namespace pimdesk
