#pragma once

#include "records/Messages.h"

#include <QStringList>

namespace pimdesk {

// Records every message and answers each question from a script (OK when the script runs out).
class ScriptedMessages : public Messages
{
public:
    struct Shown
    {
        QString text;
        QString title;
        Buttons buttons;
        Icon icon;
    };

    Answer show(const QString &text, const QString &title, Buttons buttons, Icon icon) override;
    // Recorded with the buttons OkOtherCancel and answered from the same script.
    Answer choose(const QString &text, const QString &title, const QString &okText, const QString &otherText) override;

    void answerNext(Answer answer) { m_script.append(answer); }
    void setDefaultAnswer(Answer answer) { m_default = answer; }
    const QVector<Shown> &shown() const { return m_shown; }
    QStringList texts() const;
    void clear() { m_shown.clear(); }

private:
    QVector<Shown> m_shown;
    QVector<Answer> m_script;
    Answer m_default = Answer::Ok;
};

} // namespace pimdesk
