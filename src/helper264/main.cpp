// Zuvo264Helper: answers the encoder check or exports one movie through the Turbo.264
// framework, whose plug-in it looks for beside itself. It says everything in log lines on
// standard error and always exits with status 0.
#include <QCoreApplication>

#include "helper264/Helper264.h"
#include "helper264/Turbo264Framework.h"

int main(int argc, char** argv) {
  QCoreApplication application(argc, argv);
  QStringList arguments = QCoreApplication::arguments();
  arguments.removeFirst();
  using namespace zuvo::helper264;
  runHelper(loadTurbo264Framework(QCoreApplication::applicationDirPath()), arguments,
            QStringLiteral(ZUVO_HELPER_VERSION));
  return 0;
}
