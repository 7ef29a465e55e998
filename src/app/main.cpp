#include <QApplication>
#include <QFileInfo>
#include <QLabel>
#include <QMessageBox>
#include <QThreadPool>
#include <QTimer>
#include <cstdio>
#include <cstdlib>

#include "app/controller/Controller.h"
#include "app/controller/HandOverService.h"
#include "app/files/AddingPaths.h"
#include "app/files/IncomingPaths.h"
#include "media/ProbeMediaFile.h"
#include "platform/Defaults.h"
#include "platform/TerminationSignals.h"

namespace {

// Set by tests: quit once start-up has finished, and answer every warning box and alert at
// once, copying its text to standard error, so a run needs no one at the screen.
constexpr const char* kQuitAfterStartUp = "ZUVO_QUIT_AFTER_STARTUP";

void answerWarningsAutomatically(QApplication& app) {
  auto* poll = new QTimer(&app);
  QObject::connect(poll, &QTimer::timeout, [] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* box = qobject_cast<QMessageBox*>(modal)) {
      std::fprintf(stderr, "alert: %s | %s\n", qPrintable(box->text()), qPrintable(box->informativeText()));
      box->accept();
    } else if (auto* alert = qobject_cast<QDialog*>(modal); alert && alert->objectName() == "BCAlertPanel") {
      const auto* text = alert->findChild<QLabel*>("AlertTextField");
      std::fprintf(stderr, "alert: %s\n", text ? qPrintable(text->text()) : "");
      alert->accept();
    }
  });
  poll->start(50);
}

// Probes and look-ups run on the probe threads, reading the program's statics and posting to
// the controller; ending under them pulls both away. Waiting ones are dropped and running ones
// get a moment; a tool that takes longer ends with the program, which then skips the static
// destructors those threads still use. The lists were saved before the quit got here.
constexpr int kProbeGraceMs = 3000;

int finish(int code) {
  QThreadPool& probes = zuvo::probeThreadPool();
  probes.clear();
  if (!probes.waitForDone(kProbeGraceMs)) {
    zuvo::Defaults::standard().synchronize();
    std::fflush(nullptr);
    std::_Exit(code);
  }
  return code;
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zuvo"));
  QApplication::setApplicationVersion(QStringLiteral(ZUVO_VERSION));
  // The desktop entry "zuvo.desktop" describes this program's windows.
  QGuiApplication::setDesktopFileName(QStringLiteral("zuvo"));
  const bool quitAfterStartUp = !qEnvironmentVariableIsEmpty(kQuitAfterStartUp);
  if (quitAfterStartUp) answerWarningsAutomatically(app);

  // Files and folders handed over on the command line (the desktop entry's %F); with
  // "--service", the paths the Services entry hands over. Everything after "--", and
  // anything naming an existing file or folder, is a path even when it starts with "-";
  // Qt has taken its own options out already.
  QStringList opened;
  bool service = false;
  bool onlyPaths = false;
  for (const QString& argument : app.arguments().mid(1)) {
    if (!onlyPaths && argument == QLatin1String("--"))
      onlyPaths = true;
    else if (!onlyPaths && argument == QLatin1String("--service"))
      service = true;
    else if (onlyPaths || !argument.startsWith('-') || QFileInfo::exists(argument))
      opened.append(zuvo::normalisedPath(argument));  // against this launch's folder
  }

  // A second launch hands its paths to the running instance and ends.
  zuvo::HandOverService handOver;
  if (handOver.claim() == zuvo::HandOverService::Claim::Taken) {
    if (handOver.handOverToRunningInstance(opened, service)) return 0;
    std::fprintf(stderr, "zuvo: Zuvo is already running, and did not answer\n");
    return 1;
  }

  zuvo::Controller::initialize();
  zuvo::Controller controller;
  handOver.setReceiver(
      [&controller](const QStringList& paths, bool isService) { controller.handOver(paths, isService); });
  zuvo::onTerminationSignals([&controller] { controller.QuitButtonPress(); });
  if (!controller.awakeFromNib()) return finish(controller.startupFailed() ? 1 : 0);
  if (service) {
    controller.applicationDidFinishLaunching();
    controller.handOver(opened, true);
  } else {
    controller.applicationDidFinishLaunching(opened);
  }
  if (controller.terminated()) return finish(0);
  if (quitAfterStartUp) {
    // What the launch handed in is taken first, and its alerts are shown, as they would be
    // before a user could quit.
    auto* whenAdded = new QTimer(&controller);
    QObject::connect(whenAdded, &QTimer::timeout, &controller, [&controller, whenAdded] {
      if (controller.addingPaths() || QApplication::activeModalWidget()) return;
      whenAdded->stop();
      controller.QuitButtonPress();
    });
    whenAdded->start(10);
  }
  return finish(app.exec());
}
