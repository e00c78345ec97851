#include "cli/ConsoleMessages.h"

namespace pimdesk {

namespace {

QString consoleText(const QString &text, const QString &title)
{
    QString body = text;
    body.replace("\r\n", "\n").replace('\r', '\n');
    return title.isEmpty() ? body : title + ": " + body;
}

void print(QTextStream &stream, const QString &line)
{
    stream << line << '\n';
    stream.flush();
}

} // namespace

QString ConsoleMessages::ask(const QString &text, const QString &title, const QString &prompt)
{
    // What was printed before the question is on the screen before it.
    m_out.flush();
    m_err << consoleText(text, title) << '\n' << prompt;
    m_err.flush();
    const QString line = m_in.readLine();
    if (line.isNull())
        m_err << '\n';
    m_err.flush();
    return line.trimmed().toLower();
}

Answer ConsoleMessages::choose(const QString &text, const QString &title, const QString &okText,
                               const QString &otherText)
{
    const std::optional<Answer> preset = m_choice      ? m_choice
                                         : m_assumeYes ? std::optional(Answer::Other)
                                                       : std::nullopt;
    if (preset) {
        m_err.flush();
        print(m_out, consoleText(text, title) + '\n' + '[' +
                         (*preset == Answer::Ok      ? okText
                          : *preset == Answer::Other ? otherText
                                                     : "Cancel") +
                         ']');
        return *preset;
    }
    const QString answer = ask(text, title, "[OK: " + okText + " / R: " + otherText + " / Cancel] (o/r/N) ");
    if (answer == "o" || answer == "ok" || answer == "확인" || answer == okText.toLower())
        return Answer::Ok;
    if (answer == "r" || answer == "replace" || answer == otherText.toLower())
        return Answer::Other;
    return Answer::Cancel;
}

Answer ConsoleMessages::show(const QString &text, const QString &title, Buttons buttons, Icon icon)
{
    if (buttons == Buttons::Ok) {
        if (icon == Icon::Warning || icon == Icon::Critical) {
            showFailure(text, title, icon);
        } else {
            m_err.flush();
            print(m_out, consoleText(text, title));
        }
        return Answer::Ok;
    }
    if (m_assumeYes) {
        m_err.flush();
        print(m_out, consoleText(text, title) + "\n[OK]");
        return Answer::Ok;
    }
    const QString answer = ask(text, title, "[OK/Cancel] (y/N) ");
    const bool ok = answer == "y" || answer == "yes" || answer == "ok" || answer == "확인";
    return ok ? Answer::Ok : Answer::Cancel;
}

void ConsoleMessages::showFailure(const QString &text, const QString &title, Icon)
{
    m_out.flush();
    print(m_err, consoleText(text, title));
}

} // namespace pimdesk
