#include "shell/ListWindowBar.h"

#include "shell/ClickableLabel.h"
#include "shell/ListWindow.h"
#include "shell/ProgramContext.h"
#include "shell/WindowRegistry.h"

#include <QHBoxLayout>
#include <QPainter>
#include <QPainterPath>
#include <QToolButton>
#include <QTransform>

namespace pimdesk {

namespace {

constexpr int pictureSide = 40;

// The handheld with an arrow into it (to the device) or out of it (from the device).
QPixmap devicePicture(bool toDevice)
{
    QPixmap pixmap(pictureSide, pictureSide);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x33, 0x44, 0x55), 1.5));
    p.setBrush(QColor(0x5b, 0x7d, 0xa8));
    p.drawRoundedRect(QRectF(4, 3, 18, 34), 3, 3);
    p.setBrush(QColor(0xe8, 0xf0, 0xf8));
    p.drawRect(QRectF(7, 7, 12, 16));
    // An arrow out of the handheld, turned around for the way into it.
    QPainterPath arrow;
    const double y = 20;
    arrow.moveTo(24, y - 4);
    arrow.lineTo(31, y - 4);
    arrow.lineTo(31, y - 9);
    arrow.lineTo(38, y);
    arrow.lineTo(31, y + 9);
    arrow.lineTo(31, y + 4);
    arrow.lineTo(24, y + 4);
    arrow.closeSubpath();
    if (toDevice)
        arrow = QTransform(-1, 0, 0, 1, 62, 0).map(arrow);
    p.setBrush(toDevice ? QColor(0xd0, 0x70, 0x20) : QColor(0x30, 0x90, 0x40));
    p.drawPath(arrow);
    return pixmap;
}

} // namespace

QHBoxLayout *makeListBar(ListWindow *list, const ProgramContext &context, const QList<ListCommand> &commands)
{
    auto *bar = new QHBoxLayout;
    for (const ListCommand &command : commands) {
        auto *button = new QToolButton(list);
        button->setObjectName(command.name);
        button->setText(QString::fromUtf8(command.caption));
        button->setIcon(list->style()->standardIcon(command.picture, nullptr, list));
        button->setIconSize(QSize(24, 24));
        button->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        button->setMinimumWidth(76);
        if (command.action)
            QObject::connect(button, &QToolButton::clicked, list, command.action);
        bar->addWidget(button);
    }
    bar->addStretch(1);

    struct Picture
    {
        const char *name;
        const char *toolTip;
        bool toDevice;
        const QString ProgramContext::*window;
    };
    const Picture pictures[] = {
        {"Image1", "Norvel(K7M)에서 가져오기", false, &ProgramContext::importFromDeviceWindow},
        {"Image2", "Norvel(K7M)으로 내보내기", true, &ProgramContext::exportToDeviceWindow},
        {"Image3", "Norvel(K7M)과 동기화", true, &ProgramContext::syncWithDeviceWindow},
    };
    for (const Picture &picture : pictures) {
        auto *image = new ClickableLabel(list);
        image->setObjectName(picture.name);
        image->setToolTip(QString::fromUtf8(picture.toolTip));
        image->setPixmap(devicePicture(picture.toDevice));
        image->setCursor(Qt::PointingHandCursor);
        // The name is read at the click: the program may register its device windows after the list.
        const ProgramContext *shared = &context;
        QObject::connect(image, &ClickableLabel::clicked, list, [list, shared, window = picture.window] {
            const QString &name = shared->*window;
            if (shared->windows && !name.isEmpty() && shared->windows->showWindow(name))
                list->setEnabled(false);
        });
        bar->addWidget(image);
    }
    return bar;
}

} // namespace pimdesk
