#pragma once

class QString;

namespace pimdesk {

class Messages;
class StoreError;

// Tells the user that the record store failed them: the store's own text in a critical box under
// the program's title. Every window reports a store failure through this; nothing is said without
// a message interface.
void reportStoreProblem(Messages *messages, const StoreError &error);
void reportStoreProblem(Messages *messages, const QString &message);

} // namespace pimdesk
