#pragma once

#include "records/DataSource.h"
#include "shell/FieldBinding.h"
#include "shell/RecordEditor.h"

#include <QDate>
#include <QWidget>

class QButtonGroup;
class QCalendarWidget;
class QCheckBox;
class QLineEdit;
class QRadioButton;
class QTabWidget;

namespace pimdesk {

struct ProgramContext;

// The date text the editor writes for birthdays and anniversaries: "5 Jan 2004".
QString contactDateText(const QDate &date);

// SUB2_2: one contact in four tabbed pages of boxes bound to its fields. The contacts list opens it
// for a new record or for an existing one, which the editor holds in its data source (Data1);
// saving writes the changed boxes back after a question, and closes the editor either way.
class ContactEditor : public QWidget, public RecordEditor
{
    Q_OBJECT
public:
    explicit ContactEditor(ProgramContext &context, QWidget *parent = nullptr);

    DataSource &dataSource() { return m_data; }

    // A new record with only its ID set, in the editor captioned "새로운연락처입력".
    void beginNew(qint64 id) override;
    // The contact with that ID, in the editor captioned "연락처수정".
    bool beginEdit(qint64 id) override;
    void abandon() override;

    // The buttons: compose the display name (OKButton), save (Command2), cancel (Command1).
    void composeName();
    void save();
    void cancel();

protected:
    void closeEvent(QCloseEvent *event) override;
    // Escape is the cancel command; with a calendar open it closes only the calendar.
    void keyPressEvent(QKeyEvent *event) override;

private:
    // The four pages (ContactEditorPages.cpp).
    QWidget *buildBasicPage();
    QWidget *buildCompanyPage();
    QWidget *buildHomePage();
    QWidget *buildOtherPage();
    QLineEdit *lineBox(const char *name, const char *field);
    QWidget *box(const char *name) const;

    void loadRecord();
    void showWithCaption(const QString &caption);
    void syncGenderOptions();
    void genderOptionClicked(int value);
    void openCalendar(QCalendarWidget *calendar, QLineEdit *target);
    void datePicked(QCalendarWidget *calendar, QLineEdit *target, const QDate &date);
    // A calendar closes when the focus goes anywhere outside it.
    void hideCalendarsUnlessFocused(QWidget *now);

    ProgramContext &m_context;
    DataSource m_data;
    FieldBinding m_fields;
    QTabWidget *m_tabs = nullptr;
    QCheckBox *m_business = nullptr;
    QLineEdit *m_gender = nullptr;
    QRadioButton *m_male = nullptr;
    QRadioButton *m_female = nullptr;
    QButtonGroup *m_genderGroup = nullptr;
    QLineEdit *m_anniversary = nullptr;
    QLineEdit *m_birthday = nullptr;
    QCalendarWidget *m_anniversaryCalendar = nullptr;
    QCalendarWidget *m_birthdayCalendar = nullptr;
};

} // namespace pimdesk
