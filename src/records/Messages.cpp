#include "records/Messages.h"

namespace pimdesk {

Answer Messages::choose(const QString &text, const QString &title, const QString &, const QString &)
{
    return show(text, title, Buttons::OkCancel, Icon::Question);
}

void Messages::showFailure(const QString &text, const QString &title, Icon icon)
{
    show(text, title, Buttons::Ok, icon);
}

} // namespace pimdesk
