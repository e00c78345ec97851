#include "exchange/ui/ExportWindow.h"

#include "exchange/ui/DriveListWidget.h"
#include "records/Store.h"

namespace pimdesk {

ExportWindow::ExportWindow(QString dataDirectory, Messages &messages, ListWindowsHost *lists, QWidget *parent,
                           const DriveSource &drives)
    : DeviceWindow({"SUB1_2", "Norvel로 내보내기", "내보내기"}, std::move(dataDirectory), messages, lists, parent,
                   drives)
{}

ExportOutcome ExportWindow::runExport()
{
    const QList<RecordKind> kinds = chosenKinds();
    const std::shared_ptr<Store> store = openStore();
    if (!store)
        return {};
    return exportToDevice(
        *store, m_dataDirectory, m_drive->selectedRoot(), kinds, m_messages, m_lists, [this] { hide(); }, m_options);
}

} // namespace pimdesk
