#pragma once
// The application object of a test program that shows widgets. Test discovery runs the
// program outside ctest's environment, so it stays off any display. Each test program
// includes this once.
#include <QApplication>

#include "support/TestSupport.h"

QCoreApplication* zuvo::test::makeApplication(int& argc, char** argv) {
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  return new QApplication(argc, argv);
}
