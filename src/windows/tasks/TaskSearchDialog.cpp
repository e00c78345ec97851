#include "windows/tasks/TaskSearchDialog.h"

#include "records/search/TaskSearch.h"
#include "shell/Geometry.h"
#include "shell/ListWindow.h"
#include "windows/tasks/TaskWindows.h"

#include <QCloseEvent>
#include <QComboBox>
#include <QGridLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pimdesk {

TaskSearchDialog::TaskSearchDialog(ListWindow &list, QWidget *parent) : QWidget(parent), m_list(list)
{
    setObjectName(taskWindowNames::search);
    setWindowTitle(QStringLiteral("대화 상자 캡션"));

    m_priority = new QComboBox(this);
    m_priority->setObjectName("Combo1");
    m_status = new QComboBox(this);
    m_status->setObjectName("Combo2");
    m_description = new QLineEdit(this);
    m_description->setObjectName("Text1");
    m_notes = new QLineEdit(this);
    m_notes->setObjectName("Text2");

    auto *form = new QGridLayout;
    const std::pair<const char *, QWidget *> rows[] = {
        {"Priority", m_priority}, {"Status", m_status}, {"Description", m_description}, {"Notes", m_notes}};
    int row = 0;
    for (const auto &[caption, field] : rows) {
        auto *label = new QLabel(QString::fromLatin1(caption), this);
        label->setObjectName(QStringLiteral("Label%1").arg(row + 1));
        label->setBuddy(field);
        form->addWidget(label, row, 0);
        form->addWidget(field, row, 1);
        ++row;
    }
    form->setColumnStretch(1, 1);

    auto *ok = new QPushButton(QStringLiteral("확인"), this);
    ok->setObjectName("OKButton");
    ok->setDefault(true);
    auto *all = new QPushButton(QStringLiteral("전체 보기"), this);
    all->setObjectName("Command1");
    auto *cancelButton = new QPushButton(QStringLiteral("취소"), this);
    cancelButton->setObjectName("CancelButton");
    auto *buttons = new QVBoxLayout;
    buttons->addWidget(ok);
    buttons->addWidget(all);
    buttons->addWidget(cancelButton);
    buttons->addStretch(1);

    auto *layout = new QHBoxLayout(this);
    layout->addLayout(form, 1);
    layout->addSpacing(8);
    layout->addLayout(buttons);

    connect(ok, &QPushButton::clicked, this, &TaskSearchDialog::search);
    connect(all, &QPushButton::clicked, this, &TaskSearchDialog::showAll);
    connect(cancelButton, &QPushButton::clicked, this, &TaskSearchDialog::cancel);
    connect(m_description, &QLineEdit::returnPressed, this, &TaskSearchDialog::search);
    connect(m_notes, &QLineEdit::returnPressed, this, &TaskSearchDialog::search);

    // Load: the lists and their presets.
    m_priority->addItems(search::taskSearchPriorities());
    m_priority->setCurrentText(search::taskSearchDefaultPriority());
    m_status->addItems(search::taskSearchStatuses());
    m_status->setCurrentText(search::taskSearchDefaultStatus());

    resize(twipsToPixels(QSize(6200, 2600), this));
}

bool TaskSearchDialog::show(const QString &recordSource)
{
    // A source the store cannot read: the list keeps what it showed and says why; the search stays
    // open so the choices can be changed.
    return m_list.showRecordSource(recordSource);
}

void TaskSearchDialog::search()
{
    const QString sql = search::taskSearchSql(
        {m_priority->currentText(), m_status->currentText(), m_description->text(), m_notes->text()});
    if (!show(sql))
        return;
    m_list.setEnabled(true);
    hide();
}

void TaskSearchDialog::showAll()
{
    if (!show(QString::fromLatin1(search::taskShowAllSql)))
        return;
    hide();
    m_list.setEnabled(true);
}

void TaskSearchDialog::cancel()
{
    hide();
    m_list.setEnabled(true);
    m_list.bringToFront();
}

void TaskSearchDialog::keyPressEvent(QKeyEvent *event)
{
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        event->accept();
        cancel();
        return;
    }
    QWidget::keyPressEvent(event);
}

void TaskSearchDialog::closeEvent(QCloseEvent *event)
{
    m_list.setEnabled(true);
    QWidget::closeEvent(event);
}

} // namespace pimdesk
