#pragma once

#include <QString>

namespace pimdesk {

// The parts of a contact's name, each as the user gave it (blanks around a part do not count).
struct ContactNameParts
{
    QString title;
    QString first;
    QString nickname;
    QString middle;
    QString last;
    QString suffix;
    QString firstPronunciation;
    QString lastPronunciation;
};

// The display name (the field FileAs) composed from the parts of a name: title, first name, the
// nickname in parentheses, middle and last name, suffix, then the two pronunciations in double
// quotes ("Dr Gil (GD) Hong \"gil hong\""). Each part given is set after a blank; a part that is
// empty or blank is left out with its blank, and the name has no blanks around it.
QString composeFileAs(const ContactNameParts &parts);

} // namespace pimdesk
