#include "shell/Program.h"

#include "records/Store.h"

#include <QApplication>
#include <QMainWindow>
#include <QMessageBox>

namespace pimdesk {

int runProgram(QApplication &app)
{
    const QString path = Store::pathInDirectory(Store::defaultDataDirectory());
    try {
        Store::shared(path);
    } catch (const StoreError &e) {
        QMessageBox box(QMessageBox::Critical, "pimdesk", QString(e.message()).replace('\r', '\n'), QMessageBox::Ok);
        box.exec();
        return 1;
    }
    QMainWindow window;
    window.setObjectName("MAIN");
    window.setWindowTitle("pimdesk");
    window.resize(800, 600);
    window.show();
    return app.exec();
}

} // namespace pimdesk
