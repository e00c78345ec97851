#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <optional>

namespace pimdesk::formats {

// Character sets of the cards old phones write. Text comes in as bytes in the set a CHARSET
// parameter names (UTF-8 when none does) and is decoded through the C library's iconv.

// The iconv name for a charset label of a card: "EUC-KR", "KS_C_5601-1987" and their spellings
// decode as CP949 (the Korean phones' set, a superset of EUC-KR), "SHIFT_JIS" as CP932 (the
// Japanese phones' set); other labels are handed to iconv as they are (upper case).
QByteArray iconvNameOf(QByteArrayView label);

// The bytes decoded from the named set; a sequence the set does not have becomes U+FFFD.
// nullopt when iconv knows no such set.
std::optional<QString> decodeCharset(QByteArrayView bytes, QByteArrayView label);

// True when the label names UTF-8 (any spelling) or plain ASCII, which need no iconv.
bool isUtf8Label(QByteArrayView label);

} // namespace pimdesk::formats
