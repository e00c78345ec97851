#include "outlook/ui/OutlookImportWindow.h"

#include "outlook/OutlookSources.h"
#include "outlook/pst/PstOutlook.h"
#include "records/Clock.h"
#include "records/DataSource.h"
#include "records/Messages.h"
#include "shell/Geometry.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileInfo>
#include <QFrame>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace pimdesk {

using namespace outlook;

namespace {

constexpr int taskRangeIndex = 0;
constexpr int calendarRangeIndex = 1;

// The data file named last, kept while the program runs (also when the window is closed and built anew).
QString &lastDataFile()
{
    static QString path;
    return path;
}

QString chooseDataFile(QWidget *parent, const QString &current)
{
    return QFileDialog::getOpenFileName(parent, "Outlook 데이터 파일", current,
                                        "Outlook 데이터 파일 (*.pst *.ost);;모든 파일 (*)");
}

QLabel *caption(const QString &text, QWidget *parent)
{
    auto *label = new QLabel(text, parent);
    label->setAlignment(Qt::AlignVCenter | Qt::AlignLeft);
    return label;
}

} // namespace

OutlookImportWindow::OutlookImportWindow(QString storePath, Messages &messages, LauncherSwitch launcher,
                                         QWidget *parent)
    : QWidget(parent), m_storePath(std::move(storePath)), m_messages(messages), m_launcher(std::move(launcher)),
      m_repaintTimer(std::make_unique<QElapsedTimer>())
{
    setObjectName("SUB1_3");
    setWindowTitle("Outlook");

    auto *frame = new QGroupBox("읽어올 데이터", this);
    frame->setObjectName("Frame1");
    const char *checkCaptions[] = {"연락처", "작업", "달력"};
    for (int i = 0; i < 3; ++i) {
        m_check[i] = new QCheckBox(QString::fromUtf8(checkCaptions[i]), frame);
        m_check[i]->setObjectName(QString("Check%1").arg(i + 1));
    }
    for (int i = 0; i < 12; ++i) {
        m_text[i] = new QLineEdit(frame);
        m_text[i]->setObjectName(QString("Text%1").arg(i + 1));
        // Year boxes take four digits, month and day boxes two; the boxes are plain text all the same.
        m_text[i]->setFixedWidth(fontMetrics().horizontalAdvance(i % 3 == 0 ? "00000" : "000") + 12);
    }

    // The data file to read, on a row of its own above the kinds.
    m_dataFile = new QLineEdit(lastDataFile(), frame);
    m_dataFile->setObjectName("Text13");
    connect(m_dataFile, &QLineEdit::textChanged, this, [](const QString &text) { lastDataFile() = text; });
    m_browse = new QPushButton("...", frame);
    m_browse->setObjectName("Command3");
    m_browse->setFixedWidth(fontMetrics().horizontalAdvance("...") + 24);
    m_chooseFile = chooseDataFile;
    connect(m_browse, &QPushButton::clicked, this, [this] {
        const QString chosen = m_chooseFile(this, m_dataFile->text());
        if (!chosen.isEmpty())
            m_dataFile->setText(QDir::toNativeSeparators(chosen));
    });
    auto *fileRow = new QHBoxLayout;
    fileRow->setSpacing(4);
    fileRow->addWidget(caption("데이터 파일", frame));
    fileRow->addWidget(m_dataFile, 1);
    fileRow->addWidget(m_browse);

    auto *grid = new QGridLayout;
    grid->addWidget(m_check[0], 0, 0);
    for (int r = 0; r < 2; ++r) {
        m_combo[r] = new QComboBox(frame);
        m_combo[r]->setObjectName(QString("Combo%1").arg(r + 1));
        m_combo[r]->addItems(
            {QString::fromUtf8(presetWeek), QString::fromUtf8(presetMonth), QString::fromUtf8(presetAll)});
        // The list shows "사용자정의" until a preset is chosen; it is not one of its items.
        m_combo[r]->setPlaceholderText(QString::fromUtf8(presetCustom));
        m_combo[r]->setCurrentIndex(-1);
        m_combo[r]->setMinimumWidth(fontMetrics().horizontalAdvance(QString::fromUtf8(presetCustom)) + 48);
        connect(m_combo[r], &QComboBox::activated, this,
                [this, r](int index) { applyPreset(r, m_combo[r]->itemText(index)); });

        auto *row = new QHBoxLayout;
        row->setSpacing(4);
        row->addWidget(m_combo[r]);
        row->addSpacing(6);
        const char *labels[] = {"년", "월", "일 부터", "년", "월", "일 까지 업데이트된 내용"};
        for (int b = 0; b < 6; ++b) {
            row->addWidget(m_text[r * 6 + b]);
            row->addWidget(caption(QString::fromUtf8(labels[b]), frame));
            if (b == 2)
                row->addSpacing(6);
        }
        row->addStretch(1);
        grid->addWidget(m_check[r + 1], r + 1, 0);
        grid->addLayout(row, r + 1, 1);
    }
    m_import = new QPushButton("가져오기", frame);
    m_import->setObjectName("Command2");
    m_undo = new QPushButton(QStringLiteral("되돌리기"), frame);
    m_undo->setObjectName("Command4");
    m_undo->setToolTip(QStringLiteral("마지막 가져오기(또는 내보내기)를 되돌립니다."));
    auto *buttonRow = new QHBoxLayout;
    buttonRow->addStretch(1);
    buttonRow->addWidget(m_undo);
    buttonRow->addWidget(m_import);
    auto *frameLayout = new QVBoxLayout(frame);
    frameLayout->addLayout(fileRow);
    frameLayout->addLayout(grid);
    frameLayout->addLayout(buttonRow);

    // The progress rows, outside the frame: a caption, the bar (an outline and its fill) and "(i/n)".
    auto *progressGrid = new QGridLayout;
    const char *rowCaptions[] = {"연락처", "작업", "달력"};
    for (int i = 0; i < 3; ++i) {
        ProgressRow &row = m_progress[i];
        row.caption = caption(QString::fromUtf8(rowCaptions[i]), this);
        row.caption->setObjectName(QString("Label%1").arg(i + 1));
        row.outline = new QFrame(this);
        row.outline->setObjectName(QString("Shape%1").arg(2 * i + 1));
        row.outline->setFrameShape(QFrame::Box);
        row.outline->setFixedHeight(fontMetrics().height() + 4);
        row.outline->setMinimumWidth(240);
        row.fill = new QFrame(row.outline);
        row.fill->setObjectName(QString("Shape%1").arg(2 * i + 2));
        row.fill->setAutoFillBackground(true);
        QPalette palette = row.fill->palette();
        palette.setColor(QPalette::Window, QColor(0, 0, 128));
        row.fill->setPalette(palette);
        row.fill->setGeometry(0, 0, 0, row.outline->height());
        row.text = new QLabel(this);
        row.text->setObjectName(QString("Label%1").arg(i + 4));
        row.text->setMinimumWidth(fontMetrics().horizontalAdvance("(000000/000000)"));
        progressGrid->addWidget(row.caption, i, 0);
        progressGrid->addWidget(row.outline, i, 1);
        progressGrid->addWidget(row.text, i, 2);
    }
    progressGrid->setColumnStretch(1, 1);

    auto *layout = new QVBoxLayout(this);
    layout->addWidget(frame);
    layout->addSpacing(6);
    layout->addLayout(progressGrid);
    layout->addStretch(1);

    m_data1 = new DataSource(this);
    m_data1->setObjectName("Data1");
    m_data2 = new DataSource(this);
    m_data2->setObjectName("Data2");

    connect(m_import, &QPushButton::clicked, this, [this] { runImport(); });
    connect(m_undo, &QPushButton::clicked, this, [this] { runUndo(); });

    // Load: both ranges are today to today, from one reading of the clock.
    const RangeBoxes today = todayRange(Clock::current());
    setRange(taskRangeIndex, today);
    setRange(calendarRangeIndex, today);

    resize(QSize(twipsToPixels(9600, this), sizeHint().height()).expandedTo(sizeHint()));
}

OutlookImportWindow::~OutlookImportWindow() = default;

RangeBoxes OutlookImportWindow::range(int r) const
{
    const int b = r * 6;
    return {m_text[b]->text(),     m_text[b + 1]->text(), m_text[b + 2]->text(),
            m_text[b + 3]->text(), m_text[b + 4]->text(), m_text[b + 5]->text()};
}

void OutlookImportWindow::setRange(int r, const RangeBoxes &boxes)
{
    const QString values[] = {boxes.startYear, boxes.startMonth, boxes.startDay,
                              boxes.endYear,   boxes.endMonth,   boxes.endDay};
    for (int i = 0; i < 6; ++i)
        if (m_text[r * 6 + i]->text() != values[i])
            m_text[r * 6 + i]->setText(values[i]);
}

RangeBoxes OutlookImportWindow::taskRange() const
{
    return range(taskRangeIndex);
}

RangeBoxes OutlookImportWindow::calendarRange() const
{
    return range(calendarRangeIndex);
}

void OutlookImportWindow::applyPreset(int r, const QString &item)
{
    RangeBoxes boxes = range(r);
    outlook::applyPreset(boxes, item, r == calendarRangeIndex, Clock::current());
    setRange(r, boxes);
}

void OutlookImportWindow::showProgress(RecordKind kind, const QString &label, double fraction)
{
    ProgressRow &row = m_progress[kindInfo(kind).outlookStep];
    row.text->setText(label);
    row.fill->setGeometry(0, 0, int(row.outline->width() * fraction), row.outline->height());
    // The import runs on this thread; paint the row now and then so the user sees it move.
    if (!m_repaintTimer->isValid() || m_repaintTimer->elapsed() >= 40 || fraction >= 1.0) {
        row.text->repaint();
        row.outline->repaint();
        m_repaintTimer->restart();
    }
}

SequenceOutcome OutlookImportWindow::runImport()
{
    m_messages.show(accessMessageText());

    ImportRequest request;
    request.contacts = m_check[0]->isChecked();
    request.tasks = m_check[1]->isChecked();
    request.calendar = m_check[2]->isChecked();
    request.taskRange = taskRange();
    request.calendarRange = calendarRange();
    request.taskRange.correct();
    request.calendarRange.correct();
    setRange(taskRangeIndex, request.taskRange);
    setRange(calendarRangeIndex, request.calendarRange);
    request.showAccessMessage = false;

    ImportContext context;
    context.source = m_source ? m_source : programSource();
    const QString dataFile = m_dataFile->text().trimmed();
    if (!m_source && (request.contacts || request.tasks || request.calendar)) {
        // A named data file is read in place of Outlook. Without a readable one nothing is
        // contacted, and the window stays open for the user to name it.
        if (dataFile.isEmpty() && !context.source) {
            m_messages.show("가져올 Outlook 데이터 파일(.pst, .ost)을 지정하십시오.", QString(), Buttons::Ok,
                            Icon::Warning);
            m_dataFile->setFocus();
            return {false, {}};
        }
        if (!dataFile.isEmpty()) {
            const QString path = QFileInfo(dataFile).absoluteFilePath();
            try {
                attachDataFile(path);
            } catch (const OutlookError &e) {
                m_messages.show(e.reason(), QString(), Buttons::Ok, Icon::Warning);
                m_dataFile->setFocus();
                return {false, {}};
            }
            context.source = dataFileSource(path);
        }
    }
    context.storePath = m_storePath;
    context.data1 = m_data1;
    context.data2 = m_data2;
    context.messages = &m_messages;
    context.progress = [this](RecordKind kind, const QString &label, double fraction) {
        showProgress(kind, label, fraction);
    };
    m_repaintTimer->invalidate();
    const SequenceOutcome outcome = importFromOutlook(request, context);
    // What was stored before a failure stays stored: every ticked kind's list re-reads.
    if (m_lists) {
        const std::pair<bool, RecordKind> kinds[] = {{request.contacts, RecordKind::Contacts},
                                                     {request.tasks, RecordKind::Tasks},
                                                     {request.calendar, RecordKind::Events}};
        for (const auto &[ticked, kind] : kinds)
            if (ticked)
                m_lists->reloadList(kind);
    }

    if (m_launcher)
        m_launcher(true);
    hide();
    return outcome;
}

UndoOutcome OutlookImportWindow::runUndo()
{
    // No handheld is involved here; the undo of an export says which documents it could not reach.
    return undoLastExchange(QFileInfo(m_storePath).absolutePath(), QString(), m_messages, m_lists);
}

void OutlookImportWindow::closeEvent(QCloseEvent *event)
{
    if (m_launcher)
        m_launcher(true);
    QWidget::closeEvent(event);
}

} // namespace pimdesk
