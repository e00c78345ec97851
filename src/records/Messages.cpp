#include "records/Messages.h"

namespace pimdesk {

Answer Messages::choose(const QString &text, const QString &title, const QString &, const QString &)
{
    return show(text, title, Buttons::OkCancel, Icon::Question);
}

} // namespace pimdesk
