#include "convert/destination/DuplicateChecks.h"

#include <optional>

#include "convert/destination/ScriptHandler.h"
#include "convert/runners/ToolRun.h"

namespace zuvo {
namespace {

// The log lines of one check's failures.
struct CheckTexts {
  const char* notFound;
  const char* notStarted;
  const char* failed;
  const char* failureDetail;  // nullptr: none
};
constexpr CheckTexts kTVShowTexts = {"[RED]Path in Bundle to TVShowExists2 is incorrect",
                                     "[RED]Unable to find TVShowExists2 in Bundle.",
                                     "[RED]Something went wrong executing Applescript TVShowExists2",
                                     "[RED]Applescript TVShowExists returned error %1"};
constexpr CheckTexts kMovieTexts = {"[RED]Path in Bundle to MovieExists is incorrect",
                                    "[RED]Unable to find MovieExists in Bundle.",
                                    "[RED]Something went wrong executing Applescript MovieExists", nullptr};

// The script's reply as a number, or nothing when the check did not come to an answer.
std::optional<qint32> askLibrary(const char* resource, const char* handler, const QStringList& arguments,
                                 const CheckTexts& texts, const Reporter& reporter) {
  const HandlerCall call =
      callScriptHandler(QString::fromLatin1(resource), QString::fromLatin1(handler), arguments);
  bool replied = call.outcome == HandlerCall::Outcome::Replied;
  const qint32 reply = call.output.toInt(&replied);
  switch (call.outcome) {
    case HandlerCall::Outcome::NotFound:
      reportTo(reporter, QString::fromLatin1(texts.notFound), 2);
      return std::nullopt;
    case HandlerCall::Outcome::NotStarted:
      reportTo(reporter, QString::fromLatin1(texts.notStarted), 2);
      return std::nullopt;
    case HandlerCall::Outcome::Failed:
    case HandlerCall::Outcome::TimedOut:
    case HandlerCall::Outcome::Stopped:
    case HandlerCall::Outcome::Replied:
      break;
  }
  if (call.outcome == HandlerCall::Outcome::Replied && replied) return reply;
  reportTo(reporter, QString::fromLatin1(texts.failed), 2);
  if (texts.failureDetail)
    reportTo(reporter, QString::fromLatin1(texts.failureDetail).arg(call.errorStrings()), 2);
  return std::nullopt;
}

}  // namespace

bool tvShowExistsIniTunes(const QString& seriesName, qint32 season, qint32 episode,
                          const Reporter& reporter) {
  reportTo(reporter,
           QStringLiteral("Checking for duplicate TV show to %1 season:%2 episode:%3")
               .arg(seriesName, QString::number(season), QString::number(episode)),
           4);
  if (season == 0 || episode == 0) {
    reportTo(reporter, QStringLiteral("Passed show with zero for one or more values, returning no duplicate"),
             4);
    return false;
  }
  const std::optional<qint32> reply =
      askLibrary(kTVShowExistsScript, "tvshowexists2",
                 {seriesName, QString::number(season), QString::number(episode)}, kTVShowTexts, reporter);
  if (!reply) return false;
  reportTo(reporter, QStringLiteral("TVShowExists2.scpt returned %1").arg(*reply), 4);
  return *reply != 0;
}

bool movieExistsIniTunes(const QString& title, const Reporter& reporter) {
  reportTo(reporter, QStringLiteral("Checking for duplicate movie to %1").arg(title), 4);
  const std::optional<qint32> reply =
      askLibrary(kMovieExistsScript, "MovieExists", {title}, kMovieTexts, reporter);
  if (!reply) return false;
  reportTo(reporter, QStringLiteral("MovieExists.scpt returned %1").arg(*reply), 4);
  return *reply != 0;
}

}  // namespace zuvo
