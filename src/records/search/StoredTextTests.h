#pragma once

#include <QString>

namespace pimdesk::search {

// The conditions of a search for a text the user typed. The store keeps text in the form of the
// handheld's documents ("&amp;", "&quot;", "&lt;", "&gt;"), so a typed "&" is looked for as "&amp;";
// records stored before the store kept that form hold the characters themselves, so a text with
// any of the four characters is looked for in both forms. A text without them gives the one test.

// field LIKE "*text*" (the text as typed, wildcards and all).
QString containsTest(const QString &field, const QString &typed);
// field = "text".
QString equalsTest(const QString &field, const QString &typed);

} // namespace pimdesk::search
