#include "formats/ContactCards.h"

#include "records/ContactNames.h"
#include "records/Schema.h"
#include "records/StoreText.h"

#include <QDate>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

#include <array>

namespace pimdesk::formats {

namespace {

using Version = VCardVersion;

// ---------------------------------------------------------------------------------------------
// The tables. A row names the store field(s) and the property; functions below walk them.

// Text fields carried by a property of their own. A row without a property is written as
// X-PIMDESK-<field>; its aliases are what other programs call the same thing, read too.
struct TextRow
{
    const char *field;
    const char *property;
    std::array<const char *, 4> aliases;
};

const TextRow textRows[] = {
    {"FileAs", "FN", {}},
    {"Nickname", "NICKNAME", {"X-NICKNAME"}},
    {"O_Title", "TITLE", {}},
    {"O_Profession", "ROLE", {}},
    {"Notes", "NOTE", {}},
    {"FirstPronunciation", "X-PHONETIC-FIRST-NAME", {}},
    {"LastPronunciation", "X-PHONETIC-LAST-NAME", {}},
    {"O_Pronunciation", "X-PHONETIC-ORG", {}},
    {"O_Assistant", nullptr, {"X-ASSISTANT", "X-MS-ASSISTANT", "X-EVOLUTION-ASSISTANT", "X-KADDRESSBOOK-X-ASSISTANTSNAME"}},
    {"O_Manager", nullptr, {"X-MANAGER", "X-MS-MANAGER", "X-EVOLUTION-MANAGER", "X-KADDRESSBOOK-X-MANAGERSNAME"}},
    {"H_Spouse", nullptr, {"X-SPOUSE", "X-MS-SPOUSE", "X-EVOLUTION-SPOUSE", "X-KADDRESSBOOK-X-SPOUSENAME"}},
    {"H_Children", nullptr, {"X-CHILDREN", "X-MS-CHILD"}},
    {"O_Office", nullptr, {"X-OFFICE", "X-EVOLUTION-OFFICE", "X-KADDRESSBOOK-X-OFFICE"}},
};

// Structured properties: the field each component goes to (nullptr: a component we leave empty).
struct PartsRow
{
    const char *property;
    const char *type; // the ADR of home or work; nullptr for N and ORG
    std::array<const char *, 7> fields;
};

const PartsRow nameRow{"N", nullptr, {"LastName", "FirstName", "MiddleName", "Title", "Suffix"}};
const PartsRow organisationRow{"ORG", nullptr, {"O_Company", "O_Department"}};
const PartsRow addressRows[] = {
    {"ADR", "HOME", {nullptr, nullptr, "H_Street", "H_City", "H_State", "H_Zip", "H_Country"}},
    {"ADR", "WORK", {nullptr, nullptr, "O_Street", "O_City", "O_State", "O_Zip", "O_Country"}},
};

// Phones by their types; reading sorts a TEL into one of them by classifyPhone.
struct PhoneRow
{
    const char *field;
    std::array<const char *, 2> types;
};

const PhoneRow phoneRows[] = {
    {"H_Phone", {"HOME", "VOICE"}}, {"H_Mobile", {"CELL"}},    {"O_Phone", {"WORK", "VOICE"}},
    {"O_Mobile", {"WORK", "CELL"}}, {"O_Fax", {"WORK", "FAX"}}, {"H_Fax", {"HOME", "FAX"}},
    {"O_Pager", {"PAGER"}},
};

struct UrlRow
{
    const char *field;
    const char *type;
};

const UrlRow urlRows[] = {{"H_URL", "HOME"}, {"O_URL", "WORK"}};

// Dates: the property per version; the aliases other programs use for an anniversary.
const char *const anniversaryAliases[] = {"ANNIVERSARY",          "X-ANNIVERSARY",
                                          "X-MS-ANNIVERSARY",     "X-EVOLUTION-ANNIVERSARY",
                                          "X-KADDRESSBOOK-X-ANNIVERSARY", "X-ABDATE"};

// Properties that describe the card rather than the contact: read without being counted.
const char *const metaProperties[] = {"VERSION", "PRODID", "REV", "UID", "X-ABLABEL", "KIND", "CLIENTPIDMAP", "NAME",
                                      "SOURCE"};

// ---------------------------------------------------------------------------------------------

QString plainOf(const StoreRecord &record, const char *field)
{
    return plainFromStoreText(record.value(QLatin1String(field)));
}

const char *const monthNames[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                  "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool validDate(int year, int month, int day)
{
    // Without a year, 29 February is a day like any other.
    return QDate(year == 0 ? 2000 : year, month, day).isValid();
}

// A date as cards give it: yyyy-mm-dd, yyyymmdd, --mmdd, --mm-dd, each perhaps followed by a time.
std::optional<ContactDate> dateOfCard(QString text)
{
    text = text.trimmed();
    const qsizetype t = text.indexOf(u'T');
    if (t > 0)
        text.truncate(t);
    static const QRegularExpression full(QStringLiteral(R"(^(\d{4})-?(\d{2})-?(\d{2})$)"));
    static const QRegularExpression noYear(QStringLiteral(R"(^--(\d{2})-?(\d{2})$)"));
    ContactDate d;
    if (const auto m = full.match(text); m.hasMatch()) {
        d = {m.captured(1).toInt(), m.captured(2).toInt(), m.captured(3).toInt()};
    } else if (const auto n = noYear.match(text); n.hasMatch()) {
        d = {0, n.captured(1).toInt(), n.captured(2).toInt()};
    } else {
        return std::nullopt;
    }
    if (!validDate(d.year, d.month, d.day))
        return std::nullopt;
    return d;
}

// ---------------------------------------------------------------------------------------------
// Writing

class CardBuilder
{
public:
    CardBuilder(const StoreRecord &record, Version version) : m_record(record), m_version(version) {}

    QString plain(const char *field) const { return plainOf(m_record, field); }
    bool present(const char *field) const { return !isAbsent(m_record.value(QLatin1String(field))); }

    VCardProperty &add(QByteArrayView name, const QString &value, const QStringList &types = {})
    {
        VCardProperty p;
        p.name = name.toByteArray();
        p.value = value;
        if (!types.isEmpty())
            p.addParameter("TYPE", m_version == Version::V40 ? lowered(types) : types);
        m_card.properties << std::move(p);
        return m_card.properties.back();
    }
    void addText(QByteArrayView name, const QString &text, const QStringList &types = {})
    {
        add(name, vcardEscapedText(text, m_version), types);
    }
    void carried(const char *field) { m_carried.insert(QLatin1String(field)); }
    void carried(const QString &field) { m_carried.insert(field); }
    bool isCarried(const QString &field) const { return m_carried.contains(field); }

    Version version() const { return m_version; }
    VCard take() { return std::move(m_card); }

private:
    static QStringList lowered(QStringList types)
    {
        for (QString &t : types)
            t = t.toLower();
        return types;
    }

    const StoreRecord &m_record;
    Version m_version;
    VCard m_card;
    QSet<QString> m_carried;
};

void writeParts(CardBuilder &b, const PartsRow &row, bool always, const QStringList &types = {})
{
    QStringList parts;
    bool any = false;
    int last = 0;
    for (int i = 0; i < int(row.fields.size()); ++i) {
        if (row.fields[size_t(i)])
            last = i;
    }
    for (int i = 0; i <= last; ++i) {
        const char *field = row.fields[size_t(i)];
        parts << (field ? b.plain(field) : QString());
        any = any || (field && b.present(field));
    }
    if (!any && !always)
        return;
    // ADR and N have a fixed number of parts: pad to them.
    const int count = row.property == QByteArrayView("ADR") ? 7 : row.property == QByteArrayView("N") ? 5 : last + 1;
    while (parts.size() < count)
        parts << QString();
    b.add(row.property, vcardJoinedComponents(parts, b.version()), types);
    for (const char *field : row.fields)
        if (field)
            b.carried(field);
}

QString genderCode(const QString &stored)
{
    const QString v = stored.trimmed();
    return v == u"1" ? QStringLiteral("M") : v == u"2" ? QStringLiteral("F") : QString();
}

struct Photo
{
    QString mediaType; // image/jpeg
    QByteArray bytes;
    QString uri; // a photo given by address
};

std::optional<Photo> photoFromStore(const QString &stored)
{
    const QString text = stored.trimmed();
    if (text.startsWith(QLatin1String("data:"), Qt::CaseInsensitive)) {
        const qsizetype comma = text.indexOf(u',');
        if (comma < 0)
            return std::nullopt;
        const QString header = text.mid(5, comma - 5);
        if (!header.endsWith(QLatin1String(";base64"), Qt::CaseInsensitive))
            return std::nullopt;
        const auto decoded = QByteArray::fromBase64Encoding(text.mid(comma + 1).toLatin1(),
                                                            QByteArray::AbortOnBase64DecodingErrors);
        if (!decoded)
            return std::nullopt;
        return Photo{header.chopped(7).toLower(), decoded.decoded, QString()};
    }
    if (text.startsWith(QLatin1String("http://"), Qt::CaseInsensitive) ||
        text.startsWith(QLatin1String("https://"), Qt::CaseInsensitive))
        return Photo{QString(), QByteArray(), text};
    return std::nullopt;
}

QString storeTextOfPhoto(const Photo &photo)
{
    if (!photo.uri.isEmpty())
        return photo.uri;
    const QString type = photo.mediaType.isEmpty() ? QStringLiteral("application/octet-stream") : photo.mediaType;
    return QStringLiteral("data:%1;base64,%2").arg(type, QString::fromLatin1(photo.bytes.toBase64()));
}

// The TYPE of a 2.1/3.0 inline photo for a media type, and back.
QString photoType(const QString &mediaType)
{
    return mediaType.startsWith(QLatin1String("image/")) ? mediaType.mid(6).toUpper() : QString();
}

// The media type of an inline photo from its TYPE values (some writers add WORK or HOME beside
// the image format); JPEG when none names one.
QString mediaTypeOfPhotoTypes(const QStringList &types)
{
    static const QStringList formats{QStringLiteral("JPEG"), QStringLiteral("JPG"), QStringLiteral("PNG"),
                                     QStringLiteral("GIF"),  QStringLiteral("BMP"), QStringLiteral("TIFF"),
                                     QStringLiteral("WEBP")};
    for (const QString &type : types) {
        if (type.contains(u'/'))
            return type.toLower();
        if (formats.contains(type))
            return QStringLiteral("image/") + (type == u"JPG" ? QStringLiteral("jpeg") : type.toLower());
    }
    return QStringLiteral("image/jpeg");
}

// ---------------------------------------------------------------------------------------------
// Reading

struct Taken
{
    StoreRecord record;
    // Sets a field that is still free; false when it holds something else already.
    bool set(const QString &field, const QString &plain)
    {
        if (isAbsent(plain))
            return true;
        const QString stored = storeTextFromPlain(plain);
        auto it = record.find(field);
        if (it == record.end()) {
            record.insert(field, stored);
            return true;
        }
        return *it == stored;
    }
    bool has(const QString &field) const { return record.contains(field); }
};

// The types of a property, with what an iOS/Gmail label of its group adds ("_$!<Mobile>!$_").
QStringList typesOf(const VCardProperty &p, const QHash<QByteArray, QString> &labels)
{
    QStringList types = p.types();
    if (!p.group.isEmpty()) {
        QString label = labels.value(p.group.toUpper()).toUpper();
        label.remove(QLatin1String("_$!<")).remove(QLatin1String(">!$_"));
        if (label == u"MOBILE" || label == u"IPHONE")
            types << QStringLiteral("CELL");
        else if (label == u"HOMEPAGE")
            types << QStringLiteral("HOME");
        else if (!label.isEmpty())
            types << label;
    }
    return types;
}

// The phone field a TEL belongs in, by its types; nullptr for a number with none of ours, which
// takes the first free of the home and business phones.
const char *classifyPhone(const QStringList &types)
{
    const bool home = types.contains(u"HOME");
    const bool work = types.contains(u"WORK");
    if (types.contains(u"FAX"))
        return home ? "H_Fax" : "O_Fax";
    if (types.contains(u"PAGER"))
        return "O_Pager";
    if (types.contains(u"CELL") || types.contains(u"MOBILE"))
        return work ? "O_Mobile" : "H_Mobile";
    if (work)
        return "O_Phone";
    if (home)
        return "H_Phone";
    return nullptr;
}

QString phoneNumber(const VCardProperty &p, Version version)
{
    QString number = vcardText(p, version).trimmed();
    if (number.startsWith(QLatin1String("tel:"), Qt::CaseInsensitive))
        number = number.mid(4);
    return number;
}

QString genderFromCard(const QString &value)
{
    const QString v = value.section(u';', 0, 0).trimmed().toUpper();
    if (v == u"M" || v == u"MALE" || v == QStringLiteral("남") || v == QStringLiteral("남자") || v == QStringLiteral("남성"))
        return QStringLiteral("1");
    if (v == u"F" || v == u"FEMALE" || v == QStringLiteral("여") || v == QStringLiteral("여자") ||
        v == QStringLiteral("여성"))
        return QStringLiteral("2");
    return QString();
}

// The store's text for a date property: the store form when it is a date, its own text otherwise.
QString dateFromProperty(const VCardProperty &p, Version version)
{
    const QString text = vcardText(p, version).trimmed();
    if (p.parameter("VALUE").compare(QLatin1String("text"), Qt::CaseInsensitive) == 0)
        return text;
    std::optional<ContactDate> date = dateOfCard(text);
    if (!date)
        return text;
    const QString omit = p.parameter("X-APPLE-OMIT-YEAR");
    if (!omit.isEmpty() && omit.toInt() == date->year)
        date->year = 0;
    return storeTextOfContactDate(*date);
}

std::optional<QString> photoFromProperty(const VCardProperty &p, Version version)
{
    if (p.isBinary)
        return storeTextOfPhoto(Photo{mediaTypeOfPhotoTypes(p.types()), p.binary, QString()});
    QString value = p.value.trimmed();
    if (version != Version::V21)
        value.replace(QLatin1String("\\,"), QLatin1String(","));
    if (value.startsWith(QLatin1String("data:"), Qt::CaseInsensitive)) {
        const std::optional<Photo> photo = photoFromStore(value);
        if (!photo)
            return std::nullopt;
        return storeTextOfPhoto(*photo);
    }
    if (value.isEmpty())
        return std::nullopt;
    return value; // an address
}

QStringList sortAs(const VCardProperty &p)
{
    QStringList parts;
    for (const VCardParameter &parameter : p.parameters)
        if (parameter.name == "SORT-AS")
            for (const QString &v : parameter.values)
                for (const QString &piece : v.split(u';'))
                    parts << piece.trimmed();
    return parts;
}

// The field travels exactly when reading the property back gives the stored text again.
void markIfExact(CardBuilder &b, const char *field, const std::optional<QString> &readBack)
{
    if (readBack && *readBack == b.plain(field))
        b.carried(field);
}

// The date properties: 4.0 basic form (--mmdd without a year), 3.0 extended form, 2.1 basic form;
// a date without a year in 3.0 and 2.1 as Apple's year 1604 with X-APPLE-OMIT-YEAR. A text that
// is no date goes as text in 4.0 (and as X-PIMDESK-<field> in all).
void writeDate(CardBuilder &b, const char *field, QByteArrayView property)
{
    if (!b.present(field))
        return;
    const QString text = b.plain(field);
    const std::optional<ContactDate> date = contactDateFromStore(text);
    if (!date) {
        if (b.version() == Version::V40) {
            VCardProperty &p = b.add(property, vcardEscapedText(text, b.version()));
            p.addParameter("VALUE", {QStringLiteral("text")});
            markIfExact(b, field, dateFromProperty(p, b.version()));
        }
        return;
    }
    const int year = date->year == 0 ? 1604 : date->year;
    const QString mm = QStringLiteral("%1").arg(date->month, 2, 10, QChar(u'0'));
    const QString dd = QStringLiteral("%1").arg(date->day, 2, 10, QChar(u'0'));
    const QString yyyy = QStringLiteral("%1").arg(year, 4, 10, QChar(u'0'));
    QString value;
    if (b.version() == Version::V40 && date->year == 0)
        value = QStringLiteral("--") + mm + dd;
    else if (b.version() == Version::V30)
        value = yyyy + u'-' + mm + u'-' + dd;
    else
        value = yyyy + mm + dd;
    VCardProperty &p = b.add(property, value);
    if (date->year == 0 && b.version() != Version::V40)
        p.addParameter("X-APPLE-OMIT-YEAR", {QStringLiteral("1604")});
    markIfExact(b, field, dateFromProperty(p, b.version()));
}

// Inline in 2.1 and 3.0 (base64 with the image type), a data: address in 4.0, a web address as
// it is. Anything else in the field goes as X-PIMDESK-PHOTO.
void writePhoto(CardBuilder &b)
{
    if (!b.present("Photo"))
        return;
    const std::optional<Photo> photo = photoFromStore(b.plain("Photo"));
    if (!photo)
        return;
    VCardProperty *written = nullptr;
    if (!photo->uri.isEmpty()) {
        written = &b.add("PHOTO", photo->uri);
        if (b.version() != Version::V40)
            written->addParameter("VALUE", {b.version() == Version::V21 ? QStringLiteral("URL") : QStringLiteral("uri")});
    } else if (b.version() == Version::V40) {
        written = &b.add("PHOTO", storeTextOfPhoto(*photo));
    } else {
        written = &b.add("PHOTO", QString());
        written->isBinary = true;
        written->binary = photo->bytes;
        const QString type = photoType(photo->mediaType);
        if (!type.isEmpty())
            written->addParameter("TYPE", {type});
    }
    markIfExact(b, "Photo", photoFromProperty(*written, b.version()));
}

class CardReader
{
public:
    CardReader(const VCard &card, ForeignProperties &foreign) : m_card(card), m_foreign(foreign)
    {
        for (const VCardProperty &p : card.properties)
            if (p.name == "X-ABLABEL" && !p.group.isEmpty())
                m_labels.insert(p.group.toUpper(), vcardText(p, card.version).trimmed());
    }

    ImportedRecord run()
    {
        ImportedRecord result;
        result.position = m_card.position;
        bool addressTaken = false;
        QList<const VCardProperty *> privates;
        QList<const VCardProperty *> labels;
        for (const VCardProperty &p : m_card.properties) {
            const Version v = m_card.version;
            const QByteArray &name = p.name;
            if (p.value.trimmed().isEmpty() && !p.isBinary)
                continue; // nothing to lose
            if (name == "UID") {
                const QString uid = vcardText(p, v).trimmed();
                if (const auto id = idFromOwnUid(RecordKind::Contacts, uid))
                    result.ownId = id;
                else
                    result.foreignUid = uid;
                continue;
            }
            if (name.startsWith("X-PIMDESK-")) {
                privates << &p;
                continue;
            }
            if (name == "LABEL") {
                labels << &p;
                continue;
            }
            if (isMeta(name))
                continue;
            if (!take(p, addressTaken))
                m_foreign.add(QString::fromLatin1(name));
        }
        // A formatted address is the same address again; where no ADR came it goes, with its line
        // breaks, into the street of its kind, so that it is not lost.
        if (!addressTaken) {
            for (const VCardProperty *p : labels) {
                const bool work = typesOf(*p, m_labels).contains(u"WORK");
                const QString field = work ? QStringLiteral("O_Street") : QStringLiteral("H_Street");
                if (m_taken.has(field) || !m_taken.set(field, vcardText(*p, m_card.version)))
                    m_foreign.add(QString::fromLatin1(p->name));
            }
        }
        for (const VCardProperty *p : privates) {
            const QString field = fieldOfPrivateProperty(p->name, schema::contacts().fields);
            if (field.isEmpty() || field == u"ID") {
                m_foreign.add(QString::fromLatin1(p->name));
                continue;
            }
            const QString plain = vcardText(*p, m_card.version);
            m_taken.record.insert(field, storeTextFromPlain(plain));
        }
        if (!m_taken.has(QStringLiteral("FileAs")))
            composeFileAs();
        result.fields = std::move(m_taken.record);
        return result;
    }

private:
    static bool isMeta(const QByteArray &name)
    {
        for (const char *meta : metaProperties)
            if (name == meta)
                return true;
        return false;
    }

    // The value of component i for the row's field: the post office box and extended address of an
    // ADR (which have no fields) go before the street; organisational units after the first go
    // into the department.
    static QString partValue(const PartsRow &row, const QStringList &parts, int i)
    {
        if (row.property == QByteArrayView("ADR") && i == 2) {
            QStringList street;
            for (int k = 0; k <= 2; ++k)
                if (!parts.value(k).trimmed().isEmpty())
                    street << parts.value(k);
            return street.join(u'\n');
        }
        if (row.property == QByteArrayView("ORG") && i == 1 && parts.size() > 2)
            return parts.mid(1).join(QStringLiteral(", "));
        return parts.value(i);
    }

    // False when a field of the row is taken already (a second address of the same kind).
    bool takeParts(const PartsRow &row, const VCardProperty &p)
    {
        const QStringList parts = vcardComponents(p, m_card.version);
        for (int i = 0; i < int(row.fields.size()); ++i) {
            const char *field = row.fields[size_t(i)];
            if (field && !isAbsent(partValue(row, parts, i)) && m_taken.has(QLatin1String(field)))
                return false;
        }
        for (int i = 0; i < int(row.fields.size()); ++i)
            if (const char *field = row.fields[size_t(i)])
                m_taken.set(QLatin1String(field), partValue(row, parts, i));
        return true;
    }

    bool takeText(const char *field, const VCardProperty &p)
    {
        return m_taken.set(QLatin1String(field), vcardText(p, m_card.version));
    }

    // True when the property went into the record.
    bool take(const VCardProperty &p, bool &addressTaken)
    {
        const Version v = m_card.version;
        const QByteArray &name = p.name;
        if (name == "N") {
            const QStringList readings = sortAs(p);
            if (!readings.isEmpty()) {
                m_taken.set(QStringLiteral("LastPronunciation"), readings.value(0));
                m_taken.set(QStringLiteral("FirstPronunciation"), readings.value(1));
            }
            return takeParts(nameRow, p);
        }
        if (name == "ORG") {
            const QStringList readings = sortAs(p);
            if (!readings.isEmpty())
                m_taken.set(QStringLiteral("O_Pronunciation"), readings.value(0));
            return takeParts(organisationRow, p);
        }
        if (name == "ADR") {
            const QStringList types = typesOf(p, m_labels);
            const bool work = types.contains(u"WORK");
            const bool home = types.contains(u"HOME");
            const PartsRow &homeRow = addressRows[0];
            const PartsRow &workRow = addressRows[1];
            bool taken = false;
            if (work)
                taken = takeParts(workRow, p);
            else if (home)
                taken = takeParts(homeRow, p);
            else
                taken = takeParts(homeRow, p) || takeParts(workRow, p);
            addressTaken = addressTaken || taken;
            return taken;
        }
        if (name == "TEL") {
            const QString number = phoneNumber(p, v);
            if (const char *field = classifyPhone(typesOf(p, m_labels)))
                return m_taken.set(QLatin1String(field), number);
            for (const char *field : {"H_Phone", "O_Phone"})
                if (!m_taken.has(QLatin1String(field)))
                    return m_taken.set(QLatin1String(field), number);
            return false;
        }
        if (name == "EMAIL") {
            // The store keeps bare addresses separated by blanks: a display name is dropped
            // ("Omega" <omega@example.com>), and so is a mailto: before the address.
            QString address = vcardText(p, v).trimmed();
            const qsizetype open = address.lastIndexOf(u'<');
            const qsizetype close = address.lastIndexOf(u'>');
            if (open >= 0 && close > open)
                address = address.mid(open + 1, close - open - 1).trimmed();
            if (address.startsWith(QLatin1String("mailto:"), Qt::CaseInsensitive))
                address = address.mid(7);
            address.remove(u' ');
            if (address.isEmpty() || m_emails.contains(address, Qt::CaseInsensitive))
                return true;
            m_emails << address;
            const QString joined = m_emails.join(u' ');
            m_taken.record.insert(QStringLiteral("Emails"), storeTextFromPlain(joined));
            return true;
        }
        if (name == "URL") {
            const QString url = vcardText(p, v).trimmed();
            const QStringList types = typesOf(p, m_labels);
            if (types.contains(u"WORK"))
                return m_taken.set(QStringLiteral("O_URL"), url);
            if (types.contains(u"HOME"))
                return m_taken.set(QStringLiteral("H_URL"), url);
            for (const UrlRow &row : urlRows)
                if (!m_taken.has(QLatin1String(row.field)))
                    return m_taken.set(QLatin1String(row.field), url);
            return false;
        }
        if (name == "NOTE") {
            // Several notes (2.1 phones write one per paragraph) become one, a line apart.
            const QString note = vcardText(p, v);
            const QString field = QStringLiteral("Notes");
            const QString stored = m_taken.record.value(field);
            m_taken.record.insert(field, stored.isEmpty() ? storeTextFromPlain(note)
                                                          : stored + u'\n' + storeTextFromPlain(note));
            return true;
        }
        if (name == "BDAY")
            return m_taken.set(QStringLiteral("H_Birthday"), dateFromProperty(p, v));
        if (name == "X-ABDATE") {
            const QString label = m_labels.value(p.group.toUpper()).toUpper();
            if (!label.contains(u"ANNIVERSARY"))
                return false;
            return m_taken.set(QStringLiteral("H_Anniv"), dateFromProperty(p, v));
        }
        for (const char *alias : anniversaryAliases)
            if (name == alias)
                return m_taken.set(QStringLiteral("H_Anniv"), dateFromProperty(p, v));
        if (name == "GENDER" || name == "X-GENDER") {
            const QString gender = genderFromCard(vcardText(p, v));
            return gender.isEmpty() || m_taken.set(QStringLiteral("H_Gender"), gender);
        }
        if (name == "PHOTO") {
            const std::optional<QString> photo = photoFromProperty(p, v);
            return photo && m_taken.set(QStringLiteral("Photo"), *photo);
        }
        if (name == "CATEGORIES")
            return m_taken.set(QStringLiteral("Category"), vcardList(p, v).join(u','));
        if (name == "SOUND" && p.hasType("X-IRMC-N")) {
            // Japanese phones give the reading of the name as a second N.
            const QStringList parts = vcardComponents(p, v);
            const bool last = m_taken.set(QStringLiteral("LastPronunciation"), parts.value(0));
            const bool first = m_taken.set(QStringLiteral("FirstPronunciation"), parts.value(1));
            return last && first;
        }
        if (name == "X-ABRELATEDNAMES") {
            const QString label = m_labels.value(p.group.toUpper()).toUpper();
            const char *field = label.contains(u"SPOUSE")      ? "H_Spouse"
                                : label.contains(u"CHILD")     ? "H_Children"
                                : label.contains(u"MANAGER")   ? "O_Manager"
                                : label.contains(u"ASSISTANT") ? "O_Assistant"
                                                               : nullptr;
            return field && takeText(field, p);
        }
        for (const TextRow &row : textRows) {
            if (row.property && name == row.property)
                return takeText(row.field, p);
            for (const char *alias : row.aliases)
                if (alias && name == alias)
                    return takeText(row.field, p);
        }
        return false;
    }

    // No FN: the display name as the contact editor composes it; failing any name, the company,
    // then the first e-mail address or phone, so that no list row is blank.
    void composeFileAs()
    {
        const auto plain = [this](const char *field) { return plainOf(m_taken.record, field); };
        QString name = pimdesk::composeFileAs({plain("Title"), plain("FirstName"), plain("Nickname"), plain("MiddleName"),
                                            plain("LastName"), plain("Suffix"), plain("FirstPronunciation"),
                                            plain("LastPronunciation")});
        for (const char *fallback : {"O_Company", "Emails", "H_Mobile", "H_Phone", "O_Phone", "O_Mobile"}) {
            if (!name.isEmpty())
                break;
            name = plain(fallback).section(u' ', 0, 0);
        }
        m_taken.set(QStringLiteral("FileAs"), name);
    }

    const VCard &m_card;
    ForeignProperties &m_foreign;
    QHash<QByteArray, QString> m_labels;
    Taken m_taken;
    QStringList m_emails;
};

} // namespace

std::optional<ContactDate> contactDateFromStore(const QString &stored)
{
    const QString text = stored.trimmed();
    if (text.isEmpty())
        return std::nullopt;
    static const QRegularExpression storeForm(QStringLiteral(R"(^(\d{1,2}) ([A-Za-z]{3})(?: (\d{4}))?$)"));
    if (const auto m = storeForm.match(text); m.hasMatch()) {
        int month = 0;
        for (int i = 0; i < 12; ++i)
            if (m.captured(2).compare(QLatin1String(monthNames[i]), Qt::CaseInsensitive) == 0)
                month = i + 1;
        const ContactDate d{m.captured(3).isEmpty() ? 0 : m.captured(3).toInt(), month, m.captured(1).toInt()};
        if (month == 0 || !validDate(d.year, d.month, d.day))
            return std::nullopt;
        return d;
    }
    // The handheld's yyyymmdd, and dates with a time as the Outlook import hands them over.
    QString date = text;
    const qsizetype space = date.indexOf(u' ');
    if (space > 0)
        date.truncate(space);
    return dateOfCard(date);
}

QString storeTextOfContactDate(const ContactDate &date)
{
    QString text = QString::number(date.day) + u' ' + QLatin1String(monthNames[(date.month - 1) % 12]);
    if (date.year != 0)
        text += u' ' + QStringLiteral("%1").arg(date.year, 4, 10, QChar(u'0'));
    return text;
}

VCard cardFromContact(const StoreRecord &contact, VCardVersion version)
{
    CardBuilder b(contact, version);
    bool idOk = false;
    const qint64 id = contact.value(QStringLiteral("ID")).toLongLong(&idOk);
    // A contact that came from another program's card goes back under that card's UID, so that the
    // program recognises its own contact; others under this store's.
    const QString foreign = plainFromStoreText(contact.value(QLatin1String(schema::foreignUidColumn))).trimmed();
    if (!foreign.isEmpty() && !foreign.contains(u'#'))
        b.addText("UID", foreign);
    else if (idOk)
        b.add("UID", ownUid(RecordKind::Contacts, id));
    b.carried("ID");

    // N is required before 4.0, and readers of 4.0 (vobject) still expect it.
    writeParts(b, nameRow, true);
    // FN is required from 3.0 on; a contact without a display name gets the composed one.
    QString fileAs = b.plain("FileAs");
    if (isAbsent(fileAs))
        fileAs = pimdesk::composeFileAs({b.plain("Title"), b.plain("FirstName"), b.plain("Nickname"), b.plain("MiddleName"),
                                      b.plain("LastName"), b.plain("Suffix"), b.plain("FirstPronunciation"),
                                      b.plain("LastPronunciation")});
    if (version != Version::V21 || !isAbsent(fileAs))
        b.addText("FN", fileAs);
    b.carried("FileAs");

    for (const TextRow &row : textRows) {
        if (!row.property || QByteArrayView(row.property) == "FN")
            continue;
        if (b.present(row.field))
            b.addText(row.property, b.plain(row.field));
        b.carried(row.field);
    }
    writeParts(b, organisationRow, false);
    for (const PhoneRow &row : phoneRows) {
        if (b.present(row.field)) {
            QStringList types;
            for (const char *t : row.types)
                if (t)
                    types << QLatin1String(t);
            b.add("TEL", b.plain(row.field), types);
        }
        b.carried(row.field);
    }
    if (b.present("Emails")) {
        const QString emails = b.plain("Emails");
        const QStringList addresses = emails.split(QRegularExpression(QStringLiteral("\\s+")), Qt::SkipEmptyParts);
        for (const QString &address : addresses)
            b.add("EMAIL", address,
                  version == Version::V40 ? QStringList() : QStringList{QStringLiteral("INTERNET")});
        if (addresses.join(u' ') == emails)
            b.carried("Emails");
    } else {
        b.carried("Emails");
    }
    for (const PartsRow &row : addressRows)
        writeParts(b, row, false, {QLatin1String(row.type)});
    for (const UrlRow &row : urlRows) {
        if (b.present(row.field))
            b.add("URL", b.plain(row.field), {QLatin1String(row.type)});
        b.carried(row.field);
    }
    writeDate(b, "H_Birthday", "BDAY");
    writeDate(b, "H_Anniv", version == Version::V40 ? "ANNIVERSARY" : "X-ANNIVERSARY");
    if (b.present("H_Gender")) {
        const QString code = genderCode(b.plain("H_Gender"));
        if (!code.isEmpty()) {
            if (version == Version::V40)
                b.add("GENDER", code);
            else
                b.add("X-GENDER", code == u"M" ? QStringLiteral("Male") : QStringLiteral("Female"));
            if (b.plain("H_Gender") == (code == u"M" ? u"1" : u"2"))
                b.carried("H_Gender");
        }
    }
    writePhoto(b);
    if (b.present("Category")) {
        b.add("CATEGORIES", vcardJoinedList({b.plain("Category")}, version));
        b.carried("Category");
    }
    // Whatever no property above carries exactly goes out under our own name.
    for (const QString &field : schema::contacts().fields) {
        if (b.isCarried(field))
            continue;
        const QString stored = contact.value(field);
        if (isAbsent(stored))
            continue;
        b.addText(privatePropertyName(field), plainFromStoreText(stored));
    }
    return b.take();
}

ImportedRecord contactFromCard(const VCard &card, ForeignProperties &foreign)
{
    return CardReader(card, foreign).run();
}

QByteArray vcardFileFromContacts(const QList<StoreRecord> &contacts, VCardVersion version)
{
    QByteArray out;
    for (const StoreRecord &contact : contacts)
        out += writeVCard(cardFromContact(contact, version), version);
    return out;
}

ContactsFromVCards contactsFromVCardFile(QByteArrayView bytes, const VCardReadOptions &options)
{
    VCardFile file = readVCards(bytes, options);
    ContactsFromVCards result;
    result.problems = std::move(file.problems);
    result.contacts.reserve(file.cards.size());
    // Each card goes once its contact is made, so that a large file is not held twice over.
    for (VCard &card : file.cards) {
        result.contacts << contactFromCard(card, result.foreign);
        card = VCard();
    }
    return result;
}

} // namespace pimdesk::formats
