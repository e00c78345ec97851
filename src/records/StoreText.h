#pragma once

#include <QString>

namespace pimdesk {

// The store holds text as the handheld's documents hold it: "&", "<", ">" and the double quote as
// "&amp;", "&lt;", "&gt;" and "&quot;", and character references kept as the handheld wrote them.
// Files of other programs (vCard, iCalendar) and the people looking at the text see characters.
// These two functions translate between the two forms at the edge of the store.

// Plain characters to the store's form: "&", "<", ">" and '"' become their entities; nothing else
// changes (line breaks and apostrophes stay).
QString storeTextFromPlain(const QString &plain);

// The store's form to plain characters: "&quot;", "&amp;", "&lt;", "&gt;", "&apos;" and the
// character references "&#NN;" and "&#xHH;" become what they name. A "&" that begins none of these
// (a bare "&" typed before the store kept this form) stays as it is, and so does a reference to a
// character that cannot be (zero, a surrogate, beyond U+10FFFF).
QString plainFromStoreText(const QString &stored);

} // namespace pimdesk
