#include "cli/ConsoleMessages.h"

namespace pimdesk {

Answer ConsoleMessages::show(const QString &text, const QString &title, Buttons buttons, Icon)
{
    QString body = text;
    body.replace("\r\n", "\n").replace('\r', '\n');
    if (!title.isEmpty())
        m_out << title << ": ";
    m_out << body << '\n';
    if (buttons == Buttons::Ok) {
        m_out.flush();
        return Answer::Ok;
    }
    if (m_assumeYes) {
        m_out << "[OK]\n";
        m_out.flush();
        return Answer::Ok;
    }
    m_out << "[OK/Cancel] (y/N) ";
    m_out.flush();
    const QString line = m_in.readLine();
    const QString answer = line.trimmed().toLower();
    const bool ok = answer == "y" || answer == "yes" || answer == "ok" || answer == "확인";
    if (line.isNull())
        m_out << '\n';
    m_out.flush();
    return ok ? Answer::Ok : Answer::Cancel;
}

} // namespace pimdesk
