#include "windows/calendar/CalendarSearchDialog.h"

#include "records/search/CalendarSearch.h"
#include "shell/ListWindow.h"
#include "shell/ProgramContext.h"
#include "shell/WindowRegistry.h"

#include <QCloseEvent>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMdiSubWindow>
#include <QPushButton>
#include <QVBoxLayout>

namespace pimdesk {

CalendarSearchDialog::CalendarSearchDialog(ProgramContext &context, QWidget *parent)
    : QWidget(parent), m_context(context)
{
    setObjectName("Dialog2");
    setWindowTitle(QStringLiteral("대화 상자 캡션"));

    m_description = new QLineEdit(this);
    m_description->setObjectName("Text1");
    m_note = new QLineEdit(this);
    m_note->setObjectName("Text2");
    auto *ok = new QPushButton(QStringLiteral("확인"), this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    auto *all = new QPushButton(QStringLiteral("전체 보기"), this);
    all->setObjectName("Command1");
    auto *cancel = new QPushButton(QStringLiteral("취소"), this);
    cancel->setObjectName("CancelButton");

    auto *fields = new QFormLayout;
    fields->addRow(QStringLiteral("Description"), m_description);
    fields->addRow(QStringLiteral("Notes"), m_note);
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(all);
    buttons->addWidget(cancel);
    buttons->addStretch(1);
    auto *layout = new QHBoxLayout(this);
    layout->addLayout(fields, 1);
    layout->addLayout(buttons);
    resize(420, 130);

    connect(ok, &QPushButton::clicked, this, &CalendarSearchDialog::search);
    // Enter in either box searches, as the default button of a dialog would.
    connect(m_description, &QLineEdit::returnPressed, this, &CalendarSearchDialog::search);
    connect(m_note, &QLineEdit::returnPressed, this, &CalendarSearchDialog::search);
    connect(all, &QPushButton::clicked, this, &CalendarSearchDialog::showAll);
    connect(cancel, &QPushButton::clicked, this, &CalendarSearchDialog::cancel);
}

bool CalendarSearchDialog::showInList(const QString &recordSource)
{
    ListWindow *list = m_context.windows ? m_context.windows->listWindow(RecordKind::Events) : nullptr;
    return list && list->showRecordSource(recordSource);
}

void CalendarSearchDialog::backToList()
{
    hide();
    if (m_context.windows)
        m_context.windows->setListEnabled(RecordKind::Events, true);
}

void CalendarSearchDialog::search()
{
    // A search the store cannot run leaves the dialog open with its texts, to be mended.
    if (showInList(search::calendarSearchSql(m_description->text(), m_note->text())))
        backToList();
}

void CalendarSearchDialog::showAll()
{
    if (showInList(QString::fromLatin1(search::calendarShowAllSql)))
        backToList();
}

void CalendarSearchDialog::cancel()
{
    backToList();
    if (m_context.windows)
        m_context.windows->showWindow(WindowRegistry::listWindowName(RecordKind::Events));
}

void CalendarSearchDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void CalendarSearchDialog::closeEvent(QCloseEvent *event)
{
    // Closed by its frame it does what Cancel does; the list must not stay disabled.
    QWidget::closeEvent(event);
    if (event->isAccepted() && m_context.windows)
        m_context.windows->setListEnabled(RecordKind::Events, true);
}

} // namespace pimdesk
