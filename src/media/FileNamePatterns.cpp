#include "media/FileNamePatterns.h"

#include <QDate>
#include <QList>
#include <QRegularExpression>

#include "media/StringHelpers.h"

namespace zuvo {
namespace {

// What a row needs beyond its expression matching the whole word.
enum class Rule {
  Plain,
  // "s<season>e<episode>" of any lengths. Words of the letters alone ("see", "es",
  // "esse") are no marker: both parts must start with a digit.
  GeneralMarker,
  // A year of the last century only when the word stood in brackets ("(1999)");
  // otherwise such a number is season and episode ("1905").
  InBrackets,
  // While the date context is on: a day after a month, else a month. The day row comes
  // first so that one word never fills both.
  DayAfterMonth,
  MonthInDate,
  // No expression: the date context is updated at this point of the order.
  UpdateDateContext,
  // A year from 2000 up to the current one: a later number belongs to the name
  // ("Blade Runner 2049").
  UpToThisYear,
};

enum class Pad { None, Season, Episode };  // a "0" before that group's text

constexpr bool kAnyFile = false;
constexpr bool kNumbers = true;  // switched off for camera files
constexpr bool kConsumes = true;
constexpr bool kKeeps = false;

constexpr const char* kYearMessage = "This is the show year";

struct Pattern {
  const char* expression;  // its named groups S, E, Y, M and D fill those texts
  Rule rule;
  bool numbers;
  Pad pad;
  const char* message;  // %1, %2, %3: year, month, day
  bool consumes;        // a consumed word adds only a space to the name words
};

// In the order they are tried on each word. In the first two the season text keeps the
// "e" after its digit, which its value ignores; four digits from "20" on are a year when
// that year has come.
constexpr Pattern kPatterns[] = {
    {"s(?<S>[0-9]e)(?<E>[0-9]{2})", Rule::Plain, kAnyFile, Pad::None,
     "Show and season number in format s1e05", kConsumes},
    {"s(?<S>[0-9]e)(?<E>[0-9])", Rule::Plain, kAnyFile, Pad::None, "Show and season number in format s1e5",
     kConsumes},
    {"s(?<S>[0-9].)e(?<E>..)", Rule::Plain, kAnyFile, Pad::None, "Show and season number in format s01e05",
     kConsumes},
    {"(?=.*s)(?=.*e)[se0-9]+", Rule::GeneralMarker, kAnyFile, Pad::None,
     "Show and season number in general format sxxexxx", kConsumes},
    {"(?<S>[1-9])(?<E>[0-9]{2})", Rule::Plain, kNumbers, Pad::Season, "Show and season number in format 123",
     kConsumes},
    {"s(?<S>[0-9])", Rule::Plain, kNumbers, Pad::Season, "Season number in format S2", kConsumes},
    {"e(?<E>[0-9])", Rule::Plain, kNumbers, Pad::Episode, "Show number in format E2", kConsumes},
    {"s(?<S>[0-9]{2})", Rule::Plain, kNumbers, Pad::Season, "Season number in format S02", kConsumes},
    {"e(?<E>[0-9]{2})", Rule::Plain, kNumbers, Pad::Episode, "Show number in format E02", kConsumes},
    {"(?<Y>19[0-9]{2})", Rule::InBrackets, kNumbers, Pad::None, kYearMessage, kConsumes},
    {"(?!20)(?<S>[0-9]{2})(?<E>[0-9]{2})", Rule::Plain, kNumbers, Pad::None,
     "Show and season number in format 1209", kConsumes},
    {"(?<D>[0-9]{2})", Rule::DayAfterMonth, kAnyFile, Pad::None, "This is the show day", kKeeps},
    {"(?<M>[0-9]{2})", Rule::MonthInDate, kAnyFile, Pad::None, "This is the show month", kKeeps},
    {nullptr, Rule::UpdateDateContext, kAnyFile, Pad::None, nullptr, kKeeps},
    {"(?<Y>20[0-9]{2})", Rule::UpToThisYear, kNumbers, Pad::None, kYearMessage, kConsumes},
    {"(?<S>[0-9])x(?<E>[0-9]{2})", Rule::Plain, kAnyFile, Pad::Season,
     "Show and season number in format 1x23", kConsumes},
    {"(?<S>[0-9]{2})x(?<E>[0-9]{2})", Rule::Plain, kAnyFile, Pad::None,
     "Show and season number in format 10x23", kConsumes},
    {"(?<Y>20[0-9]{2})(?<M>[0-9]{2})(?<D>[0-9]{2})", Rule::Plain, kNumbers, Pad::None,
     "Found date of year:%1 month:%2 day:%3", kKeeps},
};
constexpr qsizetype kPatternCount = sizeof(kPatterns) / sizeof(kPatterns[0]);

// Compiled once per thread: probes parse names on many threads at once.
const QList<QRegularExpression>& compiledPatterns() {
  thread_local const QList<QRegularExpression> compiled = [] {
    QList<QRegularExpression> list;
    for (const Pattern& pattern : kPatterns)
      list << QRegularExpression(pattern.expression
                                     ? QRegularExpression::anchoredPattern(QLatin1String(pattern.expression))
                                     : QString(),
                                 QRegularExpression::DotMatchesEverythingOption);
    return list;
  }();
  return compiled;
}

bool startsWithDigit(const QString& text) { return !text.isEmpty() && text[0] >= u'0' && text[0] <= u'9'; }

// Cuts a general "s..e..." word into season and episode; false when it is no marker.
bool generalMarker(const QString& t, QString& season, QString& episode) {
  const qsizetype s = t.indexOf(u's');
  const qsizetype nextE = t.indexOf(u'e', s + 1);
  season = nextE < 0 ? QString() : t.mid(s + 1, nextE - s - 1);
  episode = t.mid(t.indexOf(u'e') + 1);
  return startsWithDigit(season) && startsWithDigit(episode);
}

void fill(QString& slot, const QRegularExpressionMatch& match, QStringView group, bool padded) {
  if (match.hasCaptured(group)) slot = (padded ? QStringLiteral("0") : QString()) + match.captured(group);
}

}  // namespace

void ProcessFileNameWord(FileNameParse& parse, const QString& word, const Reporter& reporter) {
  auto log = [&](const QString& message) {
    if (reporter) reporter->report(message, 4);
  };
  QString t = word.toLower();
  log(QStringLiteral("Found >%1<").arg(t));
  t = t.trimmed();
  const bool bracketed =
      t.size() >= 2 && (t.front() == u'(' || t.front() == u'[') && (t.back() == u')' || t.back() == u']');
  t.remove(u'[').remove(u']').remove(u'(').remove(u')');
  const bool afterMarker = !parse.episode.isEmpty();

  bool storedDatePart = false;
  const QList<QRegularExpression>& compiled = compiledPatterns();
  for (qsizetype i = 0; i < kPatternCount && parse.episode.isEmpty(); ++i) {
    const Pattern& pattern = kPatterns[i];
    if (pattern.rule == Rule::UpdateDateContext) {
      parse.dateContext = t.size() == 4 || storedDatePart;
      continue;
    }
    if (pattern.numbers && parse.avchd) continue;
    const QRegularExpressionMatch match = compiled[i].match(t);
    if (!match.hasMatch()) continue;

    switch (pattern.rule) {
      case Rule::GeneralMarker: {
        QString season, episode;
        if (!generalMarker(t, season, episode)) continue;
        parse.season = season;
        parse.episode = episode;
        break;
      }
      case Rule::InBrackets:
        if (!bracketed) continue;
        break;
      case Rule::DayAfterMonth:
        if (!parse.dateContext || parse.month.isEmpty() || !parse.day.isEmpty()) continue;
        storedDatePart = true;
        break;
      case Rule::MonthInDate:
        if (!parse.dateContext || !parse.month.isEmpty()) continue;
        storedDatePart = true;
        break;
      case Rule::UpToThisYear:
        if (match.captured(u"Y").toInt() > QDate::currentDate().year()) continue;
        break;
      default:
        break;
    }
    fill(parse.season, match, u"S", pattern.pad == Pad::Season);
    fill(parse.episode, match, u"E", pattern.pad == Pad::Episode);
    fill(parse.year, match, u"Y", false);
    fill(parse.month, match, u"M", false);
    fill(parse.day, match, u"D", false);

    QString message = QLatin1String(pattern.message);
    if (message.contains(u'%')) message = message.arg(parse.year, parse.month, parse.day);
    log(message);
    if (pattern.consumes) t.clear();
  }

  if (parse.episode.isEmpty() && parse.year.isEmpty()) {
    parse.nameWords += CapitalizedString(t) + u' ';
    log(QStringLiteral("This is part of the Show Name"));
  } else if (afterMarker) {
    parse.episodeWords += CapitalizedString(t) + u' ';
    log(QStringLiteral("Show encoding info or part of episode name"));
  }
}

}  // namespace zuvo
