#pragma once

#include "exchange/ImportFromDevice.h"
#include "exchange/ui/DeviceWindow.h"

namespace pimdesk {

// SUB1_1, "Norvel 에서 가져오기": the user ticks the kinds to bring from the handheld, checks the
// drive the device search chose (or picks one) and starts the import. A completed kind hides the
// window and enables the lists.
class ImportWindow : public DeviceWindow
{
    Q_OBJECT
public:
    ImportWindow(QString dataDirectory, Messages &messages, ListWindowsHost *lists, QWidget *parent = nullptr,
                 const DriveSource &drives = {});

    // The import of Command1; returns what it did.
    ImportOutcome runImport();

protected:
    void start() override { runImport(); }
};

} // namespace pimdesk
