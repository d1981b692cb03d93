// Built with the model layer's settings by a test that expects the build to fail: model
// code has no way to reach Qt.
#include <QString>

int ModelQtProbe() {
    return QString("x").size();
}
