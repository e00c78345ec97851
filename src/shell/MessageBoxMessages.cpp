#include "shell/MessageBoxMessages.h"

#include <QAbstractButton>
#include <QMessageBox>
#include <QPushButton>

namespace pimdesk {

namespace {

QMessageBox::Icon boxIcon(Icon icon)
{
    switch (icon) {
    case Icon::Information:
        return QMessageBox::Information;
    case Icon::Warning:
        return QMessageBox::Warning;
    case Icon::Critical:
        return QMessageBox::Critical;
    case Icon::Question:
        return QMessageBox::Question;
    case Icon::None:
        break;
    }
    return QMessageBox::NoIcon;
}

} // namespace

QString MessageBoxMessages::displayText(const QString &text)
{
    QString shown = text;
    shown.replace(QLatin1String("\r\n"), QLatin1String("\n"));
    shown.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return shown;
}

Answer MessageBoxMessages::show(const QString &text, const QString &title, Buttons buttons, Icon icon)
{
    QMessageBox box(m_parent.data());
    box.setObjectName("MessageBox");
    box.setIcon(boxIcon(icon));
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
    box.setText(displayText(text));
    // The buttons read as they do on a Korean desktop. They are buttons of our own rather than
    // standard ones with new captions, which the box may translate back when it is shown.
    QPushButton *ok = box.addButton(QStringLiteral("확인"), QMessageBox::AcceptRole);
    if (buttons == Buttons::OkCancel)
        box.setEscapeButton(box.addButton(QStringLiteral("취소"), QMessageBox::RejectRole));
    else
        box.setEscapeButton(ok);
    box.setDefaultButton(ok);
    box.exec();
    return box.clickedButton() == ok ? Answer::Ok : Answer::Cancel;
}

Answer MessageBoxMessages::choose(const QString &text, const QString &title, const QString &okText,
                                  const QString &otherText)
{
    QMessageBox box(m_parent.data());
    box.setObjectName("MessageBox");
    box.setIcon(QMessageBox::Question);
    box.setWindowTitle(title);
    box.setTextFormat(Qt::PlainText);
    box.setText(displayText(text));
    QPushButton *ok = box.addButton(okText, QMessageBox::AcceptRole);
    QPushButton *other = box.addButton(otherText, QMessageBox::DestructiveRole);
    box.setEscapeButton(box.addButton(QStringLiteral("취소"), QMessageBox::RejectRole));
    box.setDefaultButton(ok);
    box.exec();
    if (box.clickedButton() == ok)
        return Answer::Ok;
    return box.clickedButton() == other ? Answer::Other : Answer::Cancel;
}

} // namespace pimdesk
