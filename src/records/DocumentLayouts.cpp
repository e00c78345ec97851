#include "records/DocumentLayouts.h"

namespace pimdesk {

namespace {

using enum AttributeForm;

constexpr DocumentAttribute contactAttributes[] = {
    {"title", "Title", Escaped, "Title"},
    {"FirstName", "FirstName"},
    {"FirstNamePronunciation", "FirstPronunciation"},
    {"MiddleName", "MiddleName"},
    {"LastName", "LastName"},
    {"Suffix", "Suffix"},
    {"FileAs", "FileAs"},
    {"JobTitle", "O_Title"},
    {"Department", "O_Department"},
    {"Company", "O_Company"},
    {"BusinessPhone", "O_Phone"},
    {"BusinessFax", "O_Fax"},
    {"BusinessMobile", "O_Mobile"},
    {"Emails", "Emails"},
    {"HomePhone", "H_Phone"},
    {"HomeFax", "H_Fax"},
    {"HomeMobile", "H_Mobile"},
    {"BusinessStreet", "O_Street"},
    {"BusinessCity", "O_City"},
    {"BusinessState", "O_State"},
    {"BusinessZip", "O_Zip"},
    {"BusinessCountry", "O_Country"},
    {"BusinessPager", "O_Pager"},
    {"BusinessWebPage", "O_URL"},
    {"Office", "O_Office"},
    {"Profession", "O_Profession"},
    {"Assistant", "O_Assistant"},
    {"Manager", "O_Manager"},
    {"HomeStreet", "H_Street"},
    {"HomeCity", "H_City"},
    {"HomeState", "H_State"},
    {"HomeZip", "H_Zip"},
    {"HomeCountry", "H_Country"},
    {"HomeWebPage", "H_URL"},
    {"Spouse", "H_Spouse"},
    {"Gender", "H_Gender", Escaped, nullptr, "0"},
    {"Birthday", "H_Birthday"},
    {"Anniversary", "H_Anniv"},
    {"Nickname", "Nickname"},
    {"Children", "H_Children"},
    {"Notes", "Notes"},
    {"LastNamePronunciation", "LastPronunciation"},
    {"CompanyPronunciation", "O_Pronunciation"},
    {"BUSINESS_CONTACT", "BusinessContact", Escaped, nullptr, "0"},
};
constexpr const char *contactContainers[] = {"AddressBook", "Contacts", "Groups"};
constexpr FixedValue contactFixedValues[] = {{"BusinessCard", "0"}, {"Photo", ""}, {"Category", ""}};

constexpr DocumentAttribute taskAttributes[] = {
    {"Categories", "Categories"},
    {"Hasdate", "Hasdate", Escaped, "HasDate"},
    {"Description", "Description"},
    {"Priority", "Priority"},
    {"Completed", "Completed"},
    {"PercentCompleted", "PercentCompleted"},
    {"Dateyear", "Dateyear", Escaped, "DateYear"},
    {"Datemonth", "Datemonth", Escaped, "DateMonth"},
    {"Dateday", "Dateday", Escaped, "DateDay"},
    {"Status", "Status"},
    {"Starteddate", "Starteddate", Escaped, "StartedDate"},
    {"Completeddate", "Completeddate", Escaped, "CompletedDate"},
    {"Notes", "Notes"},
    {"qdl-private-data", "qdl-private-data", PlainLast},
};
constexpr const char *taskContainers[] = {"Tasks"};
constexpr FixedValue taskFixedValues[] = {{"application", ""}};

constexpr DocumentAttribute eventAttributes[] = {
    {"categories", "Categories"},
    {"description", "Description"},
    {"location", "Location"},
    {"timezone", "Timezone"},
    {"note", "Note", Escaped, nullptr, "", "Notes"},
    // An absent or empty time leaves its field null.
    {"start", "Start", DeviceTime, nullptr, nullptr},
    {"end", "End", DeviceTime, nullptr, nullptr},
    {"type", "Type", Plain},
    {"rtype", "Rtype", Plain},
    {"rfreq", "Rfreq", Plain},
    {"rweekdays", "Rweekdays", Plain},
    {"rhasenddate", "Rhasenddate", Plain},
    {"enddt", "Enddt", EndDate, nullptr, nullptr},
    {"recchildren", "Recchildren", Plain},
    {"exceptions", "Exceptions", Plain},
    {"balarm", "balarm", Plain},
    {"sound", "sound", Plain},
    {"alarm", "alarm", Plain},
    {"qdl-private-data", "qdl-private-data", Plain},
};
constexpr const char *eventContainers[] = {"DATEBOOK", "events"};
constexpr FixedValue eventFixedValues[] = {{"application", ""}, {"outlook_index", ""}};

} // namespace

constinit const DocumentLayout addressbookLayout{
    "SELECT * FROM Contacts",
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE Addressbook ><AddressBook><Groups></Groups><Contacts>",
    "Contact",
    "</Contacts></AddressBook>",
    contactContainers,
    "uid",
    contactAttributes,
    contactFixedValues,
};

constinit const DocumentLayout todolistLayout{
    "SELECT * FROM Todo", "<!DOCTYPE Tasks><Tasks>", "Task", "</Tasks>", taskContainers, "Uid",
    taskAttributes,       taskFixedValues,
};

// "ORDERBY" is read as the table's alias, not as an ordering: the datebook is written in the
// table's stored order like the others.
constinit const DocumentLayout datebookLayout{
    "SELECT * FROM Datebook ORDERBY",
    "<?xml version=\"1.0\" encoding=\"UTF-8\"?><!DOCTYPE DATEBOOK><events>",
    "event",
    "</events>",
    eventContainers,
    "uid",
    eventAttributes,
    eventFixedValues,
};

} // namespace pimdesk
