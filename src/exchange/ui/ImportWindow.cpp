#include "exchange/ui/ImportWindow.h"

#include "exchange/ui/DriveListWidget.h"
#include "records/Store.h"

#include <QPushButton>
#include <QStyle>

namespace pimdesk {

ImportWindow::ImportWindow(QString dataDirectory, Messages &messages, ListWindowsHost *lists, QWidget *parent,
                           const DriveSource &drives)
    : DeviceWindow({"SUB1_1", "Norvel 에서 가져오기", "가져오기"}, std::move(dataDirectory), messages, lists, parent,
                   drives)
{
    // The import button carries a picture.
    m_start->setIcon(style()->standardIcon(QStyle::SP_ArrowDown));
}

ImportOutcome ImportWindow::runImport()
{
    const QList<RecordKind> kinds = chosenKinds();
    if (kinds.isEmpty())
        return {{}, true};
    const std::shared_ptr<Store> store = openStore();
    if (!store)
        return {};
    return importFromDevice(*store, m_dataDirectory, m_drive->selectedRoot(), kinds, m_messages, m_lists,
                            [this] { hide(); });
}

} // namespace pimdesk
