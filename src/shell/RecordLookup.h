#pragma once

#include "records/Kinds.h"

#include <QString>

namespace pimdesk {

// The two ways the windows reach records by their identity. They are here until the record store
// offers them itself (the next free ID of a kind, and the table of kinds' text that selects one
// record by ID); then these two functions give way to those and their callers stay as they are.

// "SELECT * FROM <table> WHERE ID = " and the identifier as these texts have always been written:
// a blank in place of the sign of a number that is not negative ("... WHERE ID =  7").
QString recordByIdSql(RecordKind kind, qint64 id);

// One above the largest ID of the kind's table (1 for an empty table), read with max(ID) through
// the table's index. Throws StoreError, also when the largest ID leaves no number above it.
qint64 nextRecordId(const QString &storePath, RecordKind kind);

} // namespace pimdesk
