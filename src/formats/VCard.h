#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringList>

namespace pimdesk::formats {

// vCard (2.1, 3.0 and 4.0) as a list of properties, read and written by our own code: no library
// in the platform reads cards for Qt 6.

enum class VCardVersion { V21, V30, V40 };

struct VCardParameter
{
    QByteArray name;    // upper case; a bare 2.1 parameter ("WORK") is filed under TYPE, a bare
                        // encoding ("QUOTED-PRINTABLE", "BASE64") under ENCODING
    QStringList values; // split at commas outside quotes, quotes removed
};

struct VCardProperty
{
    QByteArray group; // "item1" of "item1.EMAIL", else empty
    QByteArray name;  // upper case
    QList<VCardParameter> parameters;
    // The value as text: transfer encoding (quoted-printable) and character set undone, the
    // version's backslash escapes still in (see vcardText and vcardComponents). Empty for a binary
    // value.
    QString value;
    QByteArray binary; // the bytes of an inline binary value (ENCODING=BASE64 or b)
    bool isBinary = false;
    int line = 0; // the line of the file it begins on (1-based); 0 for a property made in memory

    // The first value of the parameter, or a null text.
    QString parameter(QByteArrayView name) const;
    bool hasParameter(QByteArrayView name) const;
    // Every value of every TYPE parameter contains type (any letter case)?
    bool hasType(QByteArrayView type) const;
    QStringList types() const; // upper case
    void addParameter(QByteArrayView name, const QStringList &values);
};

struct VCard
{
    VCardVersion version = VCardVersion::V21; // a card without VERSION reads by the 2.1 rules
    QList<VCardProperty> properties;
    int position = 0; // the card's place in its file, counting BEGIN lines from 1
    int line = 0;     // the line of its BEGIN

    const VCardProperty *first(QByteArrayView name) const;
};

// Values, by the rules of the card's version.
// A text value with its escapes undone: 3.0 and 4.0 "\n" (line break), "\,", "\;", "\\"; 2.1 has
// no escapes in text values.
QString vcardText(const VCardProperty &property, VCardVersion version);
// A structured value (N, ADR, ORG) split at its unescaped semicolons, each part unescaped
// (2.1: "\;", "\\" and "\:").
QStringList vcardComponents(const VCardProperty &property, VCardVersion version);
// A value that is a list (CATEGORIES, NICKNAME) split at unescaped commas (3.0, 4.0).
QStringList vcardList(const VCardProperty &property, VCardVersion version);

// The other way: text escaped for a value of the given version, and parts joined into a
// structured value.
QString vcardEscapedText(const QString &text, VCardVersion version);
QString vcardJoinedComponents(const QStringList &parts, VCardVersion version);
QString vcardJoinedList(const QStringList &items, VCardVersion version);

// Reading a file of cards.
struct VCardReadOptions
{
    // 8-bit text without a CHARSET parameter that is not UTF-8 (old phones wrote their own set
    // without saying so) is read in this set. The owner's phones are Korean.
    QByteArray fallbackCharset = "CP949";
};

struct VCardProblem
{
    int position = 0;         // the card's place in the file (by BEGIN), 0 for the file as a whole
    int line = 0;             // where the trouble is
    bool cardSkipped = false; // true: the card was not read at all; false: one property was left out
    QString reason;           // a sentence for the user
};

struct VCardFile
{
    QList<VCard> cards; // in the order of their BEGIN lines; nested cards are cards of their own
    QList<VCardProblem> problems;
};

VCardFile readVCards(QByteArrayView bytes, const VCardReadOptions &options = {});

// Writing: the card's properties as they are (values already escaped for the version), in UTF-8,
// CR LF line ends, lines folded at 75 octets (never inside a character). 2.1 values that are not
// plain ASCII, or hold line breaks, go as quoted-printable with CHARSET=UTF-8.
QByteArray writeVCard(const VCard &card, VCardVersion version);

} // namespace pimdesk::formats
