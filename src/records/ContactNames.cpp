#include "records/ContactNames.h"

namespace pimdesk {

QString composeFileAs(const ContactNameParts &parts)
{
    const QString title = parts.title.trimmed();
    const QString first = parts.first.trimmed();
    const QString nickname = parts.nickname.trimmed();
    const QString middle = parts.middle.trimmed();
    const QString last = parts.last.trimmed();
    const QString suffix = parts.suffix.trimmed();
    const QString firstPronunciation = parts.firstPronunciation.trimmed();
    const QString lastPronunciation = parts.lastPronunciation.trimmed();

    // Each part goes after the name so far with its blanks trimmed, so a missing part leaves no
    // double blank. The quote opened before the first pronunciation closes after the last one, so
    // a name with only one of them keeps one quote.
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

} // namespace pimdesk
