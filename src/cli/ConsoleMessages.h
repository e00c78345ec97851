#pragma once

#include "records/Messages.h"

#include <QTextStream>
#include <optional>

namespace pimdesk {

// Messages on the console: "title: text" (a carriage return becomes a line break). As command-line
// tools do, what reports a result (a completion, a notice) goes to out, and what says that something
// failed (showFailure, or a warning or error icon) goes to err. A question asked on the console goes
// to err with its prompt, so that out stays what a script reads while the tool waits for an answer;
// a question answered on the command line (--yes) is not asked, and goes to out with its answer as
// part of the record of what was done. A question is answered from the input ("y", "yes", "ok" or
// "확인" for OK); end of input answers Cancel.
class ConsoleMessages : public Messages
{
public:
    ConsoleMessages(QTextStream &out, QTextStream &err, QTextStream &in) : m_out(out), m_err(err), m_in(in) {}
    void setAssumeYes(bool yes) { m_assumeYes = yes; }
    // The answer to every three-way question, given on the command line; none: with assume-yes the
    // other choice, otherwise asked on the console.
    void setChoiceAnswer(std::optional<Answer> answer) { m_choice = answer; }
    Answer show(const QString &text, const QString &title, Buttons buttons, Icon icon) override;
    // Answered from the input: "o"/"ok"/"확인" for OK, "r"/"replace" or the other caption for Other.
    Answer choose(const QString &text, const QString &title, const QString &okText, const QString &otherText) override;
    void showFailure(const QString &text, const QString &title, Icon icon) override;

private:
    // Prints the question and its prompt on the error stream and reads the answer, trimmed and in
    // lower case (empty at the end of input).
    QString ask(const QString &text, const QString &title, const QString &prompt);

    QTextStream &m_out;
    QTextStream &m_err;
    QTextStream &m_in;
    bool m_assumeYes = false;
    std::optional<Answer> m_choice;
};

} // namespace pimdesk
