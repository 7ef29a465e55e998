// The preview's player child. See Player.h for what it does and PlayerArguments.h for
// its command line.
#include <sys/prctl.h>

#include <QCoreApplication>
#include <QStringList>
#include <clocale>
#include <csignal>
#include <cstdio>

#include "Player.h"
#include "PlayerArguments.h"

int main(int argc, char** argv) {
  // The player dies with the preview window that started it.
  ::prctl(PR_SET_PDEATHSIG, SIGTERM);
  QStringList arguments;
  for (int i = 1; i < argc; ++i) arguments << QString::fromLocal8Bit(argv[i]);
  QString error;
  const auto parsed = zuvo::player::parsePlayerArguments(arguments, &error);
  if (!parsed) {
    std::fprintf(stderr, "mplayer-playback: %s\n", qPrintable(error));
    return 1;
  }
  // libmpv refuses to run under a locale whose decimal point is not ".".
  std::setlocale(LC_NUMERIC, "C");
  zuvo::player::Player player(*parsed);
  return player.run();
}
