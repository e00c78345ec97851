#pragma once

#include "records/Kinds.h"

#include <QByteArray>
#include <QString>
#include <functional>

namespace pimdesk {

class Store;

// The three documents the handheld keeps, each built from one whole table of the store in the
// table's stored order, as one line of text (no line break is added; a line break inside a value
// is written as it is). An empty table gives an empty text: no prologue, no epilogue.
// An attribute is written only when its field is not null and not blank. Errors of the store
// (StoreError) are passed on.

// Contacts -> <AddressBook> with one <Contact .../> per record.
QString AddressbookXmlFromContacts(Store &store);
// Todo -> <Tasks> with one <Task .../> per record.
QString TodolistXmlFromTodo(Store &store);
// Datebook -> <events> with one <event .../> per record; dates as device time values.
QString DatebookXmlFromDatebook(Store &store);

// The writer of a kind.
QString documentFromStore(RecordKind kind, Store &store);

// The document of a kind as the handheld's file holds it: EF BB BF and the UTF-8 of the writer's
// text, the same bytes as UTF8FromUTF16withMark of its UTF-16LE bytes; empty for an empty table.
// Built straight from the store's UTF-8, without the text in between.
QByteArray handheldDocument(RecordKind kind, Store &store);
// The same bytes handed to out in pieces of about a megabyte, so that a large table never stands
// in memory whole; nothing for an empty table. False as soon as out returns false.
bool writeHandheldDocument(RecordKind kind, Store &store, const std::function<bool(QByteArrayView)> &out);

} // namespace pimdesk
