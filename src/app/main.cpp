#include "media/RegisteredSettings.h"
#include "metadata/MetadataProbeSteps.h"

#include <QApplication>
#include <QMainWindow>

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName("Zuvo");
  zuvo::registerSettingDefaults();
  zuvo::installMetadataProbeSteps();
  QMainWindow window;
  window.setWindowTitle("Zuvo");
  window.resize(900, 600);
  window.show();
  return app.exec();
}
