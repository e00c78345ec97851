#pragma once

#include "records/Messages.h"

#include <QTextStream>
#include <optional>

namespace pimdesk {

// Messages on the console: "title: text" (a carriage return becomes a line break). A question is
// answered from the input ("y", "yes", "ok" or "확인" for OK); end of input answers Cancel.
class ConsoleMessages : public Messages
{
public:
    ConsoleMessages(QTextStream &out, QTextStream &in) : m_out(out), m_in(in) {}
    void setAssumeYes(bool yes) { m_assumeYes = yes; }
    // The answer to every three-way question, given on the command line; none: with assume-yes the
    // other choice, otherwise asked on the console.
    void setChoiceAnswer(std::optional<Answer> answer) { m_choice = answer; }
    Answer show(const QString &text, const QString &title, Buttons buttons, Icon icon) override;
    // Answered from the input: "o"/"ok"/"확인" for OK, "r"/"replace" or the other caption for Other.
    Answer choose(const QString &text, const QString &title, const QString &okText, const QString &otherText) override;

private:
    QTextStream &m_out;
    QTextStream &m_in;
    bool m_assumeYes = false;
    std::optional<Answer> m_choice;
};

} // namespace pimdesk
