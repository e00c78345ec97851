#pragma once

#include "exchange/Kinds.h"

#include <QString>

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

} // namespace pimdesk
