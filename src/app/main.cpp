#include <QApplication>

#include "app/gui/TonvaneApp.h"
#include "backends/PortAudioSound.h"
#include "backends/SndfileDecoder.h"

int main(int argc, char* argv[]) {
    QApplication qtApp(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Tonvane"));
    CPortAudioOutput soundOut;
    CPortAudioInput soundIn;
    CSndfileDecoder decoder;
    CTonvaneApp app({soundOut, soundIn, decoder});
    return app.Run();
}
