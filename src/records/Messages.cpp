#include "records/Messages.h"

namespace pimdesk {

Answer ScriptedMessages::show(const QString &text, const QString &title, Buttons buttons, Icon icon)
{
    m_shown.append({text, title, buttons, icon});
    if (buttons == Buttons::Ok)
        return Answer::Ok;
    if (m_script.isEmpty())
        return m_default;
    return m_script.takeFirst();
}

Answer Messages::choose(const QString &text, const QString &title, const QString &, const QString &)
{
    return show(text, title, Buttons::OkCancel, Icon::Question);
}

void Messages::showFailure(const QString &text, const QString &title, Icon icon)
{
    show(text, title, Buttons::Ok, icon);
}

Answer ScriptedMessages::choose(const QString &text, const QString &title, const QString &, const QString &)
{
    m_shown.append({text, title, Buttons::OkOtherCancel, Icon::Question});
    if (m_script.isEmpty())
        return m_default;
    return m_script.takeFirst();
}

QStringList ScriptedMessages::texts() const
{
    QStringList result;
    for (const Shown &s : m_shown)
        result << s.text;
    return result;
}

} // namespace pimdesk
