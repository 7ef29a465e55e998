#include "app/Controller.h"

#include <QApplication>
#include <QFileInfo>
#include <QMessageBox>
#include <QTimer>
#include <cstdio>

namespace {

// Set by tests: quit once start-up has finished, and answer every warning box at once,
// copying its text to standard error, so a run needs no one at the screen.
constexpr const char* kQuitAfterStartUp = "ZUVO_QUIT_AFTER_STARTUP";

void answerWarningsAutomatically(QApplication& app) {
  auto* poll = new QTimer(&app);
  QObject::connect(poll, &QTimer::timeout, [] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (!box) return;
    std::fprintf(stderr, "alert: %s | %s\n", qPrintable(box->text()), qPrintable(box->informativeText()));
    box->accept();
  });
  poll->start(50);
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("Zuvo"));
  QApplication::setApplicationVersion(QStringLiteral(ZUVO_VERSION));
  const bool quitAfterStartUp = !qEnvironmentVariableIsEmpty(kQuitAfterStartUp);
  if (quitAfterStartUp) answerWarningsAutomatically(app);

  // Files and folders handed over on the command line (the desktop entry's %F).
  QStringList opened;
  for (const QString& argument : app.arguments().mid(1))
    if (!argument.startsWith('-')) opened.append(QFileInfo(argument).absoluteFilePath());

  zuvo::Controller::initialize();
  zuvo::Controller controller;
  if (!controller.awakeFromNib()) return 1;
  controller.applicationDidFinishLaunching(opened);
  if (controller.terminated()) return 0;
  if (quitAfterStartUp) QTimer::singleShot(0, &controller, [&controller] { controller.QuitButtonPress(); });
  return app.exec();
}
