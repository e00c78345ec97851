#include "app/Launcher.h"

#include "app/LauncherPictures.h"
#include "shell/ClickableLabel.h"

#include <QGridLayout>
#include <QLinearGradient>
#include <QPainter>
#include <QVBoxLayout>

namespace pimdesk {

namespace {

constexpr int pictureSide = 128;

struct EntryLook
{
    LauncherPicture picture;
    const char *caption;
};

const EntryLook entryLooks[Launcher::entryCount] = {
    {LauncherPicture::Contacts, "주소록(Contacts)"},
    {LauncherPicture::Calendar, "일정관리(Calendar)"},
    {LauncherPicture::Tasks, "작업(Todo List)"},
    {LauncherPicture::Outlook, "OUTLOOK"},
};

} // namespace

Launcher::Launcher(QWidget *parent) : QWidget(parent)
{
    setObjectName("frmSplash");
    setWindowTitle("pimdesk");

    auto *title = new QLabel("pimdesk", this);
    title->setAlignment(Qt::AlignCenter);
    QFont titleFont = title->font();
    titleFont.setPointSizeF(titleFont.pointSizeF() * 2.6);
    titleFont.setBold(true);
    title->setFont(titleFont);
    title->setStyleSheet("color: #1f3d6b;");

    auto *subtitle = new QLabel("Norvel K7M", this);
    subtitle->setAlignment(Qt::AlignCenter);
    QFont subtitleFont = subtitle->font();
    subtitleFont.setPointSizeF(subtitleFont.pointSizeF() * 1.3);
    subtitle->setFont(subtitleFont);
    subtitle->setStyleSheet("color: #4c6a94;");

    auto *grid = new QGridLayout;
    grid->setHorizontalSpacing(48);
    grid->setVerticalSpacing(12);
    QFont captionFont = font();
    captionFont.setPointSizeF(captionFont.pointSizeF() * 1.25);
    captionFont.setBold(true);
    for (int i = 0; i < entryCount; ++i) {
        auto *picture = new ClickableLabel(this);
        picture->setObjectName(QStringLiteral("Image%1").arg(i + 1));
        picture->setPixmap(launcherPicture(entryLooks[i].picture, pictureSide, devicePixelRatioF()));
        picture->setAlignment(Qt::AlignCenter);
        picture->setToolTip(QString::fromUtf8(entryLooks[i].caption));

        auto *caption = new ClickableLabel(this);
        caption->setObjectName(QStringLiteral("Label%1").arg(i + 1));
        caption->setText(QString::fromUtf8(entryLooks[i].caption));
        caption->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        caption->setFont(captionFont);

        connect(picture, &ClickableLabel::clicked, this, [this, i] { emit entryClicked(i); });
        connect(caption, &ClickableLabel::clicked, this, [this, i] { emit entryClicked(i); });
        grid->addWidget(picture, 0, i);
        grid->addWidget(caption, 1, i);
        m_pictures[i] = picture;
        m_captions[i] = caption;
    }

    auto *layout = new QVBoxLayout(this);
    layout->addStretch(2);
    layout->addWidget(title);
    layout->addWidget(subtitle);
    layout->addSpacing(40);
    auto *row = new QHBoxLayout;
    row->addStretch();
    row->addLayout(grid);
    row->addStretch();
    layout->addLayout(row);
    layout->addStretch(3);
}

void Launcher::setEntryEnabled(int entry, bool enabled)
{
    if (entry < 0 || entry >= entryCount)
        return;
    m_pictures[entry]->setEnabled(enabled);
    m_captions[entry]->setEnabled(enabled);
}

bool Launcher::isEntryEnabled(int entry) const
{
    return entry >= 0 && entry < entryCount && m_pictures[entry]->isEnabledTo(this);
}

void Launcher::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    QLinearGradient background(0, 0, 0, height());
    background.setColorAt(0, QColor(0xf4, 0xf8, 0xfd));
    background.setColorAt(1, QColor(0xd9, 0xe5, 0xf3));
    p.fillRect(rect(), background);
}

} // namespace pimdesk
