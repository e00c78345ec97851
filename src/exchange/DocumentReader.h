#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QVector>

class QIODevice;

namespace pimdesk {

// The front end of the three handheld document readers: walks an addressbook, datebook or task list
// document (UTF-8, with or without a byte-order mark) element by element, reading it from the file a
// block at a time, so a document of any size passes through a buffer of about one element.
//
// It yields every start tag and empty-element tag with its name and attributes, and passes over
// declarations, the document type, comments, end tags and the white space between elements. The
// names and values it hands out are the document's own bytes (character references are not
// decoded, line breaks inside values stay as they were written); they stay valid until next().
//
// A piece of the document that cannot be read as an element is handed out too, marked damaged, so
// the caller can count the record it held: an element that the end of the file cuts short, one
// whose quoted value never closes, bytes that are not UTF-8 or are control characters, attributes
// not separated by white space or without "=" and quotes, and stray text between elements that
// looks like attributes (an element that lost its "<").
class DocumentReader
{
public:
    struct Attribute
    {
        QByteArrayView name;
        QByteArrayView value;
    };

    // recordElement: the name of the elements that hold records (Contact, event, Task);
    // containers: the names of the elements around them (AddressBook, Contacts, ...). A value that
    // runs into "<recordElement " or "</container" is taken as one whose closing quote is missing,
    // and reading picks up again at that "<", so one damaged record does not take the next with it.
    DocumentReader(QIODevice &device, QByteArray recordElement, QList<QByteArray> containers);

    // Moves to the next element; false at the end of the document or after a read error.
    bool next();

    QByteArrayView name() const { return m_name; }
    bool damaged() const { return m_damaged; }
    // Whether a damaged piece held something like an attribute (name, "=", quote): the remains of
    // a record, even when its element name is lost or mangled.
    bool heldAttributes() const { return m_heldAttributes; }
    const QVector<Attribute> &attributes() const { return m_attributes; }

    // Whether this element's name is the record element's (in any letter case).
    bool isRecord() const;
    // Whether the name is the record element's or one of the containers' (any letter case).
    bool isDocumentElement() const;

    // Whether a document type declaration named the record element or a container.
    bool sawDocumentType() const { return m_sawDocumentType; }
    // Whether the document held anything but white space (and a byte-order mark).
    bool sawContent() const { return m_sawContent; }
    // A failure of the device while reading; the text says what went wrong.
    bool readFailed() const { return m_readFailed; }
    QString errorString() const { return m_errorString; }

    // Case-insensitive comparison of ASCII names.
    static bool sameName(QByteArrayView a, QByteArrayView b);

private:
    bool fill();
    bool ensure(qsizetype end);
    bool skipPast(QByteArrayView terminator);
    bool resyncAt(qsizetype at);
    void noteDocumentType();
    void readElement();
    void endElement(qsizetype begin, qsizetype stop, bool inQuote);
    void parseElement(qsizetype begin, qsizetype end, bool cutShort);

    QIODevice &m_device;
    QByteArray m_record;
    QList<QByteArray> m_containers;
    QByteArray m_buffer;
    qsizetype m_pos = 0;
    bool m_atEnd = false;
    bool m_started = false;
    bool m_sawContent = false;
    bool m_sawDocumentType = false;
    bool m_readFailed = false;
    QString m_errorString;

    QByteArrayView m_name;
    bool m_damaged = false;
    bool m_heldAttributes = false;
    QVector<Attribute> m_attributes;
};

} // namespace pimdesk
