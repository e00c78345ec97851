#pragma once

#include <QString>

namespace pimdesk::formats {

// The parts of a contact's name, as plain text.
struct ContactNameParts
{
    QString title, first, nickname, middle, last, suffix, firstPronunciation, lastPronunciation;
};

// The display name (FileAs) composed from the parts. This must stay the contact editor's rule
// (ContactEditor::composeName in windows/contacts): title, first name, the nickname in
// parentheses, middle and last name, suffix, then the two pronunciations in double quotes, each
// after a blank, with no blank at the start. Until that rule moves below the windows, the two are
// kept equal by hand.
QString composedContactName(const ContactNameParts &parts);

} // namespace pimdesk::formats
