#include "PlayerArguments.h"

namespace zuvo::player {

std::optional<PlayerArguments> parsePlayerArguments(const QStringList& arguments, QString* error) {
  PlayerArguments result;
  // Options that take a value and are accepted without effect here: the view keeps the
  // picture's own aspect, and libmpv sizes its cache itself.
  const QStringList ignoredWithValue = {"-monitoraspect", "-cache"};
  for (int i = 0; i < arguments.size(); ++i) {
    const QString& a = arguments[i];
    auto value = [&]() -> std::optional<QString> {
      if (i + 1 >= arguments.size()) {
        *error = "option " + a + " needs a value";
        return std::nullopt;
      }
      return arguments[++i];
    };
    if (a == "-vo") {
      const auto v = value();
      if (!v) return std::nullopt;
      const int at = v->indexOf("buffer_name=");
      if (at >= 0) result.bufferName = v->mid(at + 12).section(':', 0, 0);
    } else if (a == "-dvd-device") {
      const auto v = value();
      if (!v) return std::nullopt;
      result.dvdDevice = *v;
    } else if (ignoredWithValue.contains(a)) {
      if (!value()) return std::nullopt;
    } else if (a == "-slave") {
    } else if (a == "-nosub") {
      result.noSubtitles = true;
    } else if (a == "-noautosub") {
      result.noAutoSubtitles = true;
    } else if (a == "-identify") {
      result.identify = true;
    } else if (a.startsWith('-') && a.size() > 1) {
      *error = "unknown option " + a;
      return std::nullopt;
    } else if (result.source.isEmpty()) {
      result.source = a;
    } else {
      *error = "more than one source: " + a;
      return std::nullopt;
    }
  }
  if (result.source.isEmpty()) {
    *error = "no file to play";
    return std::nullopt;
  }
  if (result.source.startsWith("dvd://")) result.dvdTitle = result.source.mid(6).toInt();
  return result;
}

}  // namespace zuvo::player
