#pragma once
// The calling form the library's programs share: the handler name in lower case, then the
// handler's arguments, each one argument of its own. A program prints its reply (if it has
// one) alone on standard output and exits 0; a failure exits 1 with the reason on standard
// error, a call it does not understand exits 2.
#include <QString>
#include <QStringList>
#include <functional>
#include <optional>

namespace zuvo::library {

inline constexpr int kHandlerFailed = 1;
inline constexpr int kWrongCall = 2;

// Either the reply or the reason for failing.
struct HandlerOutcome {
  int exitCode = 0;
  QString text;
  static HandlerOutcome reply(const QString& text) { return {0, text}; }
  static HandlerOutcome failure(const QString& reason) { return {kHandlerFailed, reason}; }
  static HandlerOutcome wrongCall(const QString& reason) { return {kWrongCall, reason}; }
};

using Handler = std::function<HandlerOutcome(const QStringList& arguments)>;

// Checks the handler name and the number of arguments, runs `handler` and reports its outcome.
int runHandler(int argc, char** argv, const char* handlerName, int fewestArguments, int mostArguments,
               const Handler& handler);

// A whole number argument, or nothing.
std::optional<qint32> numberArgument(const QString& text);

}  // namespace zuvo::library
