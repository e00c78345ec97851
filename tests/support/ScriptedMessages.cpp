#include "support/ScriptedMessages.h"

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
