#include "platform/TerminationSignals.h"

#include <fcntl.h>
#include <sys/socket.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QSocketNotifier>
#include <csignal>

namespace zuvo {
namespace {

int signalPipe[2] = {-1, -1};
volatile std::sig_atomic_t requested = 0;

// Only async-signal-safe work here: a flag, and one byte down the pipe, read on the event loop.
void notify(int) {
  requested = 1;
  const char byte = 1;
  [[maybe_unused]] const ssize_t written = ::write(signalPipe[0], &byte, 1);
}

}  // namespace

bool terminationRequested() { return requested != 0; }

bool onTerminationSignals(std::function<void()> quit) {
  if (signalPipe[0] >= 0) return false;
  if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0, signalPipe) != 0) return false;
  for (int end : signalPipe) ::fcntl(end, F_SETFL, O_NONBLOCK);
  // Owned by the application, so it goes with it.
  auto* notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, QCoreApplication::instance());
  QObject::connect(notifier, &QSocketNotifier::activated, notifier, [quit = std::move(quit)] {
    char bytes[16];
    while (::read(signalPipe[1], bytes, sizeof bytes) > 0) {
    }
    quit();
  });
  struct sigaction action = {};
  action.sa_handler = notify;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  return ::sigaction(SIGTERM, &action, nullptr) == 0 && ::sigaction(SIGINT, &action, nullptr) == 0;
}

}  // namespace zuvo
