#include "cli/ConsoleMessages.h"

namespace pimdesk {

namespace {

QString consoleText(const QString &text, const QString &title)
{
    QString body = text;
    body.replace("\r\n", "\n").replace('\r', '\n');
    return title.isEmpty() ? body : title + ": " + body;
}

} // namespace

Answer ConsoleMessages::choose(const QString &text, const QString &title, const QString &okText,
                               const QString &otherText)
{
    m_out << consoleText(text, title) << '\n';
    const std::optional<Answer> preset = m_choice      ? m_choice
                                         : m_assumeYes ? std::optional(Answer::Other)
                                                       : std::nullopt;
    if (preset) {
        m_out << '[' << (*preset == Answer::Ok ? okText : *preset == Answer::Other ? otherText : "Cancel") << "]\n";
        m_out.flush();
        return *preset;
    }
    m_out << "[OK: " << okText << " / R: " << otherText << " / Cancel] (o/r/N) ";
    m_out.flush();
    const QString line = m_in.readLine();
    const QString answer = line.trimmed().toLower();
    if (line.isNull())
        m_out << '\n';
    m_out.flush();
    if (answer == "o" || answer == "ok" || answer == "확인" || answer == okText.toLower())
        return Answer::Ok;
    if (answer == "r" || answer == "replace" || answer == otherText.toLower())
        return Answer::Other;
    return Answer::Cancel;
}

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
