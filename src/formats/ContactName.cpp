#include "formats/ContactName.h"

namespace pimdesk::formats {

QString composedContactName(const ContactNameParts &parts)
{
    const QString title = parts.title.trimmed();
    const QString first = parts.first.trimmed();
    const QString nickname = parts.nickname.trimmed();
    const QString middle = parts.middle.trimmed();
    const QString last = parts.last.trimmed();
    const QString suffix = parts.suffix.trimmed();
    const QString firstPronunciation = parts.firstPronunciation.trimmed();
    const QString lastPronunciation = parts.lastPronunciation.trimmed();

    QString name;
    if (!title.isEmpty())
        name = title;
    if (!first.isEmpty())
        name = name.trimmed() + ' ' + first;
    if (!nickname.isEmpty())
        name = name.trimmed() + " (" + nickname + ')';
    if (!middle.isEmpty())
        name = name.trimmed() + ' ' + middle;
    if (!last.isEmpty())
        name = name.trimmed() + ' ' + last;
    if (!suffix.isEmpty())
        name = name.trimmed() + ' ' + suffix;
    if (!firstPronunciation.isEmpty())
        name = name.trimmed() + " \"" + firstPronunciation;
    if (!lastPronunciation.isEmpty())
        name = name.trimmed() + ' ' + lastPronunciation + '"';
    return name.trimmed();
}

} // namespace pimdesk::formats
