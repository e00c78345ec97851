#include "app/Program.h"
#include "records/Clock.h"

#include <QApplication>

int main(int argc, char *argv[])
{
    pimdesk::settleLocalTimeZone();
    QApplication app(argc, argv);
    return pimdesk::runProgram(app);
}
