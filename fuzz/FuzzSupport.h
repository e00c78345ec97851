#pragma once

#include <QByteArray>
#include <QString>
#include <memory>

namespace pimdesk {
class Store;
}

namespace pimdesk::fuzz {

// Stops the run with a report libFuzzer records as a finding (the input is saved as crash-*).
[[noreturn]] void finding(const char *what, const QString &detail = QString());

// A folder for the target's files, made once per process and removed at a normal exit.
QString workFolder();

// A store of the program's own making in the work folder, opened fresh. Made again each call with
// fresh = true (statements the store caches would otherwise pile up over millions of runs).
std::shared_ptr<Store> openStore(bool fresh = false);

// The rows of a table in stored order (or order, an ORDER BY list), as one digest: equal
// digests, equal tables.
QByteArray tableDigest(Store &store, const QString &table, const QString &order = QStringLiteral("rowid"));

// Whether SQLite's own check finds the file sound.
bool integrityOk(Store &store);

} // namespace pimdesk::fuzz
