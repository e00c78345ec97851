#pragma once

#include "records/Kinds.h"

#include <QtGlobal>

namespace pimdesk {

class Store;

// The ID a new record of the kind gets: one above the largest in its table (read through the
// table's index on ID), 1 for an empty table. When the largest is the largest number an ID can
// hold, the lowest free number above the smallest ID is taken instead (or, without one, the number
// below the smallest), so that a new record never takes an ID in use. Throws StoreError.
qint64 nextId(Store &store, RecordKind kind);

// The ID a new record chosen to be numbered `chosen` is stored under: `chosen` while no record of
// the kind holds it, otherwise nextId() (another writer took it since it was chosen). Throws
// StoreError.
qint64 freeId(Store &store, RecordKind kind, qint64 chosen);

} // namespace pimdesk
