#pragma once

#include "records/DataSource.h"

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

// "SELECT * FROM Contacts WHERE ID = " and the identifier as the number-to-text conversion of the
// original program gives it: a blank before a number that is not negative.
QString contactByIdSql(qint64 id);

// The date text the editor writes for birthdays and anniversaries: "5 Jan 2004".
QString contactDateText(const QDate &date);

// SUB2_2: one contact in four tabbed pages of boxes bound to its fields. The contacts list opens it
// for a new record or for an existing one; saving writes the boxes back after a question, and
// closes the editor either way. The list also deletes through the editor's data source (Data1).
class ContactEditor : public QWidget
{
    Q_OBJECT
public:
    explicit ContactEditor(ProgramContext &context, QWidget *parent = nullptr);

    DataSource &dataSource() { return m_data; }

    // Begins a new record with only its ID set and shows the editor ("새로운연락처입력").
    void beginNew(qint64 id);
    // Begins editing the contact with that ID and shows the editor ("연락처수정"); false, with
    // nothing shown, when there is no such contact.
    bool beginEdit(qint64 id);
    // Deletes the contact with that ID through Data1, the editor staying hidden; false when there
    // is no such contact.
    bool deleteContact(qint64 id);
    // Drops a pending record and hides the editor without telling the list (the list is closing).
    void abandon();

    // The buttons: compose the display name (OKButton), save (Command2), cancel (Command1).
    void composeName();
    void save();
    void cancel();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    struct Box
    {
        QWidget *widget;
        QString field;
        QString shownAtLoad; // what the box showed when the record became current
        int editStamp = 0;   // when the user last changed it (0: not since loading)
    };

    QWidget *buildBasicPage();
    QWidget *buildCompanyPage();
    QWidget *buildHomePage();
    QWidget *buildOtherPage();
    QLineEdit *lineBox(const char *name, const char *field);
    void bind(QWidget *widget, const char *field);
    void boxEdited(QWidget *widget);
    QWidget *box(const char *name) const;

    void loadRecord();
    void showWithCaption(const QString &caption);
    void finish();
    void syncGenderOptions();
    void genderOptionClicked(int value);
    void openCalendar(QCalendarWidget *calendar, QLineEdit *target);
    void datePicked(QCalendarWidget *calendar, QLineEdit *target, const QDate &date);

    ProgramContext &m_context;
    DataSource m_data;
    QTabWidget *m_tabs = nullptr;
    QList<Box> m_boxes;
    int m_editClock = 0;
    QCheckBox *m_business = nullptr;
    bool m_businessAtLoad = false;
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
