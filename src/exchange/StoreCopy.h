#pragma once

#include <QString>

namespace pimdesk {

class Store;

// The store's whole content copied into a new file at path (written under a temporary name and
// renamed when complete), and the reverse: the open store's content replaced in one step by the
// file's, so every data source on the connection sees the restored records at once.
bool copyStore(Store &store, const QString &path, QString *error);
bool restoreStore(Store &store, const QString &snapshotPath, QString *error);

} // namespace pimdesk
