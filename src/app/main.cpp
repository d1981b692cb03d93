#include <QApplication>

#include "app/gui/TonvaneApp.h"

int main(int argc, char* argv[]) {
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tonvane"));
    CTonvaneApp app;
    return app.Run();
}
