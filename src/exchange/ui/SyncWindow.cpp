#include "exchange/ui/SyncWindow.h"

#include "exchange/ui/DriveListWidget.h"
#include "records/Messages.h"
#include "records/Store.h"

#include <QBoxLayout>
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>

namespace pimdesk {

SyncConflictDialog::SyncConflictDialog(QList<SyncConflict> conflicts, QWidget *parent)
    : QDialog(parent), m_conflicts(std::move(conflicts))
{
    setObjectName("SyncConflicts");
    setWindowTitle(QStringLiteral("양쪽에서 바뀐 레코드"));
    m_record = new QLabel(this);
    m_record->setObjectName("Label1");
    m_fields = new QTableWidget(0, 3, this);
    m_fields->setObjectName("Grid1");
    m_fields->setHorizontalHeaderLabels({QStringLiteral("항목"), QStringLiteral("PC"), QStringLiteral("Norvel")});
    // The two values side by side, each half of the room.
    m_fields->horizontalHeader()->setSectionResizeMode(0, QHeaderView::ResizeToContents);
    m_fields->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Stretch);
    m_fields->horizontalHeader()->setSectionResizeMode(2, QHeaderView::Stretch);
    m_fields->verticalHeader()->hide();
    m_fields->setEditTriggers(QAbstractItemView::NoEditTriggers);
    struct Button
    {
        const char *name;
        const char *text;
        std::optional<SyncChoice> choice; // none: cancel
    };
    const Button buttons[] = {
        {"Command1", "PC 것으로", SyncChoice::Pc},
        {"Command2", "Norvel 것으로", SyncChoice::Handheld},
        {"Command3", "둘 다 두기", SyncChoice::Both},
        {"Command4", "취소", std::nullopt},
    };
    auto *row = new QHBoxLayout;
    row->addStretch(1);
    for (const Button &b : buttons) {
        auto *button = new QPushButton(QString::fromUtf8(b.text), this);
        button->setObjectName(b.name);
        if (b.choice)
            connect(button, &QPushButton::clicked, this, [this, choice = *b.choice] { choose(choice); });
        else
            connect(button, &QPushButton::clicked, this, &QDialog::reject);
        row->addWidget(button);
    }
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(m_record);
    layout->addWidget(m_fields, 1);
    layout->addLayout(row);
    resize(560, 300);
    showConflict();
}

void SyncConflictDialog::showConflict()
{
    if (m_current >= m_conflicts.size())
        return;
    const SyncConflict &conflict = m_conflicts.at(m_current);
    m_record->setText(QString("%1 ID %2 (%3/%4)%5")
                          .arg(kindLabel(conflict.kind))
                          .arg(conflict.id)
                          .arg(m_current + 1)
                          .arg(m_conflicts.size())
                          .arg(conflict.addedOnBoth ? QStringLiteral(": 양쪽에 따로 있는 레코드") : QString()));
    m_fields->setRowCount(int(conflict.fields.size()));
    for (int i = 0; i < conflict.fields.size(); ++i) {
        const SyncFieldConflict &f = conflict.fields.at(i);
        m_fields->setItem(i, 0, new QTableWidgetItem(f.field));
        m_fields->setItem(i, 1, new QTableWidgetItem(f.pc));
        m_fields->setItem(i, 2, new QTableWidgetItem(f.handheld));
    }
}

void SyncConflictDialog::choose(SyncChoice choice)
{
    if (m_current >= m_conflicts.size())
        return;
    const SyncConflict &conflict = m_conflicts.at(m_current);
    m_choices.insert(syncChoiceKey(conflict.kind, conflict.id), choice);
    ++m_current;
    if (m_current == m_conflicts.size())
        accept();
    else
        showConflict();
}

SyncWindow::SyncWindow(QString dataDirectory, Messages &messages, ListWindowsHost *lists, QWidget *parent,
                       const DriveSource &drives)
    : DeviceWindow({"SUB1_4", "Norvel과 동기화", "동기화"}, std::move(dataDirectory), messages, lists, parent, drives)
{
    m_contacts->setChecked(true);
    m_events->setChecked(true);
    m_tasks->setChecked(true);
    m_preview = new QPushButton(QStringLiteral("미리 보기"), this);
    m_preview->setObjectName("Command3");
    m_table = new QTableWidget(0, 7, this);
    m_table->setObjectName("Grid1");
    m_table->setHorizontalHeaderLabels({QStringLiteral("종류"), QStringLiteral("쪽"), QStringLiteral("추가"),
                                        QStringLiteral("변경"), QStringLiteral("삭제"), QStringLiteral("병합"),
                                        QStringLiteral("충돌")});
    m_table->verticalHeader()->hide();
    m_table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_table->horizontalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    // The preview button beside the sync button; the table above them.
    if (auto *layout = qobject_cast<QVBoxLayout *>(this->layout())) {
        layout->insertWidget(layout->count() - 1, m_table, 4);
        if (auto *buttons = qobject_cast<QHBoxLayout *>(layout->itemAt(layout->count() - 1)->layout()))
            buttons->insertWidget(buttons->count() - 1, m_preview);
    }
    m_start->setIcon(style()->standardIcon(QStyle::SP_BrowserReload));
    resize(560, 380);
    connect(m_preview, &QPushButton::clicked, this, [this] { runPreview(); });
    m_asker = [this](const QList<SyncConflict> &conflicts, SyncChoices &choices) {
        SyncConflictDialog dialog(conflicts, this);
        if (dialog.exec() != QDialog::Accepted)
            return false;
        choices = dialog.choices();
        return true;
    };
}

void SyncWindow::showPlans(const QList<SyncKindPlan> &plans)
{
    m_table->setRowCount(0);
    for (const SyncKindPlan &plan : plans) {
        struct Side
        {
            QString name;
            const SyncSideCounts &counts;
        };
        const Side sides[] = {{QStringLiteral("PC"), plan.onPc}, {QStringLiteral("Norvel"), plan.onHandheld}};
        for (const Side &side : sides) {
            const int row = m_table->rowCount();
            m_table->insertRow(row);
            m_table->setItem(row, 0, new QTableWidgetItem(kindLabel(plan.kind)));
            if (!plan.failure.isEmpty()) {
                m_table->setItem(row, 1, new QTableWidgetItem(plan.failure));
                break;
            }
            m_table->setItem(row, 1, new QTableWidgetItem(side.name));
            const qint64 values[] = {side.counts.added, side.counts.changed, side.counts.deleted, side.counts.merged,
                                     qint64(plan.conflicts.size())};
            for (int c = 0; c < 5; ++c)
                m_table->setItem(row, c + 2, new QTableWidgetItem(QString::number(values[c])));
        }
    }
}

QList<SyncKindPlan> SyncWindow::runPreview()
{
    const QList<RecordKind> kinds = chosenKinds();
    const std::shared_ptr<Store> store = kinds.isEmpty() ? nullptr : openStore();
    if (!store)
        return {};
    QList<SyncKindPlan> plans;
    try {
        plans = previewSync(*store, m_dataDirectory, m_drive->selectedRoot(), kinds);
    } catch (const StoreError &e) {
        m_messages.showFailure(e.message());
        return {};
    }
    showPlans(plans);
    return plans;
}

SyncOutcome SyncWindow::runSync()
{
    const QList<RecordKind> kinds = chosenKinds();
    const std::shared_ptr<Store> store = kinds.isEmpty() ? nullptr : openStore();
    if (!store)
        return {};
    SyncOptions options;
    options.askDeletions = true;
    options.resolveConflicts = m_asker;
    SyncOutcome outcome;
    try {
        outcome = syncWithDevice(*store, m_dataDirectory, m_drive->selectedRoot(), kinds, options, m_messages, m_lists);
    } catch (const StoreError &e) {
        m_messages.showFailure(e.message());
        return outcome;
    }
    showPlans(outcome.plans);
    return outcome;
}

} // namespace pimdesk
