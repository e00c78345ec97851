#pragma once

#include "exchange/DeviceExport.h"
#include "exchange/ui/DeviceWindow.h"

namespace pimdesk {

// SUB1_2, "Norvel로 내보내기": the user ticks the kinds to put on the handheld, checks the drive
// the device search chose (or picks one) and starts the export. A completed kind hides the window
// and enables the lists.
class ExportWindow : public DeviceWindow
{
    Q_OBJECT
public:
    ExportWindow(QString dataDirectory, Messages &messages, ListWindowsHost *lists, QWidget *parent = nullptr,
                 const DriveSource &drives = {});

    void setExportOptions(ExportOptions options) { m_options = std::move(options); }

    // The export of Command1; returns what it did.
    ExportOutcome runExport();

protected:
    void start() override { runExport(); }

private:
    ExportOptions m_options;
};

} // namespace pimdesk
