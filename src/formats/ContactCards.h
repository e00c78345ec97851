#pragma once

#include "formats/FormatRecords.h"
#include "formats/VCard.h"

#include <QByteArray>
#include <QList>

namespace pimdesk::formats {

// Contacts of the store and vCards, both ways. The properties each field travels in are rows of
// tables in ContactCards.cpp; a field no standard property carries exactly goes out as
// X-PIMDESK-<field> and comes back from it, so nothing is lost between two pimdesk stores.

// The card for one contact (its ID gives the UID; a contact without ID gets none).
VCard cardFromContact(const StoreRecord &contact, VCardVersion version);

// The contact a card holds. Properties no field takes (and second values a field has no room
// for) are added to foreign.
ImportedRecord contactFromCard(const VCard &card, ForeignProperties &foreign);

// A whole file of contacts, and back.
QByteArray vcardFileFromContacts(const QList<StoreRecord> &contacts, VCardVersion version = VCardVersion::V30);

struct ContactsFromVCards
{
    QList<ImportedRecord> contacts;
    QList<VCardProblem> problems; // cards skipped (cardSkipped) and single properties left out
    ForeignProperties foreign;
};
ContactsFromVCards contactsFromVCardFile(QByteArrayView bytes, const VCardReadOptions &options = {});

// Birthdays and anniversaries as the store keeps them: day, English three-letter month and year
// ("5 Jan 2004"), as the contact editor writes them; without the year ("5 Jan") when the card
// gives none. Year 0 means none. nullopt when the text is no date we can read (the store's form,
// the handheld's yyyymmdd, yyyy-MM-dd with or without a time).
struct ContactDate
{
    int year = 0;
    int month = 0;
    int day = 0;
};
std::optional<ContactDate> contactDateFromStore(const QString &stored);
QString storeTextOfContactDate(const ContactDate &date);

} // namespace pimdesk::formats
