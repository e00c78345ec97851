#pragma once

#include <span>

namespace pimdesk {

// The handheld's three documents as data: which attribute of a record element holds which field of
// the store, and the frame around the elements. The writer walks the attributes in their order;
// the reader takes them in any order and any letter case.

// How the writer puts a field's value into its attribute.
enum class AttributeForm {
    Escaped,    // blanks trimmed, < > " as entities
    Plain,      // blanks trimmed, nothing escaped
    PlainLast,  // as Plain, and no blank follows the closing quote
    DeviceTime, // a stored date-time as the device's count of seconds
    EndDate,    // enddt: present with Enddt, value by the end-date rule
};

struct DocumentAttribute
{
    const char *name;  // as this program writes it
    const char *field; // field of the table
    AttributeForm form = AttributeForm::Escaped;
    // The reader's side. The handheld's own software spells some names in another letter case;
    // any letter case is read, but when an element carries more than one spelling, the handheld's
    // wins (nullptr: the handheld spells it as this program does).
    const char *handheldSpelling = nullptr;
    const char *absent = "";     // stored when the element lacks the attribute (nullptr: null)
    const char *alias = nullptr; // an older name, taken only when no spelling of the name is there

    // A device time value (seconds) in the document, a date-time text in the store.
    bool isTime() const { return form == AttributeForm::DeviceTime || form == AttributeForm::EndDate; }
    // The spelling the reader prefers.
    const char *readName() const { return handheldSpelling ? handheldSpelling : name; }
};

// A field every record read from the handheld gets, whatever the document says.
struct FixedValue
{
    const char *field;
    const char *value;
};

struct DocumentLayout
{
    const char *exportSource;  // the record source the writer walks, in the table's stored order
    const char *prologue;      // before the first element
    const char *recordElement; // the element of one record
    const char *epilogue;      // after the last element
    // The elements around the records (the document element first): the reader knows a document
    // of its kind by them and picks up after a damaged record at one of them.
    std::span<const char *const> containers;
    // The record's ID, written first as it stands. A handheld keeps the attributes it does not
    // know, so an element may carry this spelling beside the handheld's own (another letter case):
    // then this one is the record's identity.
    const char *identity;
    std::span<const DocumentAttribute> attributes;
    std::span<const FixedValue> fixedValues; // the reader sets them on every record it merges
};

extern const DocumentLayout addressbookLayout;
extern const DocumentLayout todolistLayout;
extern const DocumentLayout datebookLayout;

} // namespace pimdesk
