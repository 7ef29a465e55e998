#include "tools/library/HandlerMain.h"

#include <cstdio>
#include <optional>

namespace zuvo::library {
namespace {

void print(FILE* stream, const QString& text) {
  const QByteArray bytes = text.toUtf8() + '\n';
  std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stream);
  std::fflush(stream);
}

}  // namespace

int runHandler(int argc, char** argv, const char* handlerName, int fewestArguments, int mostArguments,
               const Handler& handler) {
  QStringList arguments;
  for (int i = 2; i < argc; ++i) arguments << QString::fromUtf8(argv[i]);
  const QString program = argc > 0 ? QString::fromUtf8(argv[0]).section('/', -1) : QString();
  if (argc < 2 || QString::fromUtf8(argv[1]) != QLatin1StringView(handlerName) ||
      arguments.size() < fewestArguments || arguments.size() > mostArguments) {
    print(stderr, QStringLiteral("usage: %1 %2 with %3 to %4 arguments")
                      .arg(program, QString::fromLatin1(handlerName), QString::number(fewestArguments),
                           QString::number(mostArguments)));
    return kWrongCall;
  }
  const HandlerOutcome outcome = handler(arguments);
  if (outcome.exitCode == 0) {
    if (!outcome.text.isEmpty()) print(stdout, outcome.text);
  } else {
    print(stderr, program + ": " + outcome.text);
  }
  return outcome.exitCode;
}

std::optional<qint32> numberArgument(const QString& text) {
  bool ok = false;
  const qint32 number = text.trimmed().toInt(&ok);
  return ok ? std::optional<qint32>(number) : std::nullopt;
}

}  // namespace zuvo::library
