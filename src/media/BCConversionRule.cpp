#include "media/BCConversionRule.h"

#include <QFile>
#include <QFileInfo>
#include <QImage>

#include "media/MediaFile.h"
#include "media/MediaLabels.h"
#include "media/MediaValues.h"
#include "media/RegisteredSettings.h"
#include "media/StringHelpers.h"
#include "platform/Defaults.h"

namespace zuvo {
namespace {

constexpr const char* kIfConditionsKey = "IfConditions";
constexpr const char* kThenActionsKey = "ThenActions";

constexpr const char* kIf = "If ";
constexpr const char* kThen = "Then ";
constexpr const char* kAnd = "and ";
constexpr const char* kAtLeastWords = "greater than or equal to ";
constexpr const char* kAtMostWords = "less than or equal to ";

constexpr quint32 kMatchLevel = 3;
constexpr quint32 kActionLevel = 4;
constexpr quint32 kUnreadableLevel = 2;
constexpr const char* kMatchOnRule = "[BLUE]Match on Rule";
constexpr const char* kUnreadableRules = "[RED]Conversion rules in the settings are unreadable: %1";

// A value as text; a flag reads "1" or "0".
QString valueText(const QVariant& value) {
  if (value.typeId() == QMetaType::Bool) return value.toBool() ? QStringLiteral("1") : QStringLiteral("0");
  return value.toString();
}

QString filled(const char* format, const QString& value) {
  return QString::fromLatin1(format).replace(QLatin1String("%@"), value);
}

void report(const Reporter& reporter, const QString& message, quint32 level) {
  if (reporter) reporter->report(message, level);
}

struct RuleLogs {
  const Reporter& log;
  const Reporter& userLog;
  void both(const QString& message) const {
    report(log, message, kActionLevel);
    report(userLog, message, kActionLevel);
  }
};

// Conditions.

bool mediaTypeIs(const MediaFile& media, const QString& value) {
  return MediaTypeName(media.mediatype()) == value;
}

bool fileNameContains(const MediaFile& media, const QString& value) {
  return StringContains(media.filename().toLower(), value.toLower());
}

bool sourceDirectoryIs(const MediaFile& media, const QString& value) {
  return StringHasPrefix(media.fullpath(), value);
}

// ">N": at least N; any other value, its first character dropped: at most N. An item
// whose height is unknown (0) never matches.
bool videoHeightIs(const MediaFile& media, const QString& value) {
  if (value.isEmpty()) return true;
  const quint32 height = media.myvideotrack().height();
  if (height == 0) return false;
  const qint64 number = IntegerValue(QStringView(value).mid(1));
  return value.contains(u'>') ? qint64(height) >= number : qint64(height) <= number;
}

struct Condition {
  qint32 code;
  const char* format;
  bool (*holds)(const MediaFile& media, const QString& value);
};

constexpr Condition kIfRulesDescription[] = {
    {RuleConditionCode::MediaType, "Media Type is %@ ", mediaTypeIs},
    {RuleConditionCode::FileNameContains, "Source File name contains %@ ", fileNameContains},
    {RuleConditionCode::SourceDirectory, "Source directory is %@ ", sourceDirectoryIs},
    {RuleConditionCode::VideoHeight, "Video Height is %@ ", videoHeightIs},
};

// Actions.

enum Pass : unsigned { BeforeLookup = 1, AfterLookup = 2 };

void setMediaType(MediaFile& media, const QString& value, const RuleLogs& logs) {
  media.setMediatype(MediaTypeFromName(value));
  logs.both(QStringLiteral("Changing Media Type to %1").arg(value));
}

void setShowName(MediaFile& media, const QString& value, const RuleLogs& logs) {
  media.setSeriesname(value);
  logs.both(QStringLiteral("Changing Series/Movie Name to %1").arg(media.seriesname()));
}

void setShowID(MediaFile& media, const QString& value, const RuleLogs& logs) {
  media.setForceid(IntegerValue(value));
  logs.both(QStringLiteral("Forcing show ID to %1").arg(media.forceid()));
}

void setDestinationFolder(MediaFile& media, const QString& value, const RuleLogs& logs) {
  media.setForcedestinationfolder(value);
  logs.both(QStringLiteral("Forcing destination folder to %1").arg(media.forcedestinationfolder()));
}

struct QualityName {
  const char* name;
  int quality;
};
constexpr QualityName kQualityNames[] = {
    {"Normal", ForcedQuality::Normal}, {"High", ForcedQuality::High}, {"Highest", ForcedQuality::Highest}};

// Any other text leaves the quality as it is; the line reports it all the same.
void setQuality(MediaFile& media, const QString& value, const RuleLogs& logs) {
  for (const QualityName& q : kQualityNames)
    if (value == QLatin1String(q.name)) media.setForcequality(q.quality);
  logs.both(QStringLiteral("Forcing show Quality to %1").arg(media.forcequality()));
}

// A path without a file changes nothing; a file that holds no image leaves no artwork.
void useArtwork(MediaFile& media, const QString& path, const RuleLogs&) {
  if (path.isEmpty() || !QFileInfo::exists(path)) return;
  QFile file(path);
  const QByteArray data = file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  media.setArtwork(Artwork::fromData(data));
}

constexpr const char* kHDFlagSet = "Set";

void setHDFlag(MediaFile& media, const QString& value, const RuleLogs&) {
  media.setForceHDflag(value == QLatin1String(kHDFlagSet) ? ForcedHDFlag::Set : ForcedHDFlag::NotSet);
}

void force169(MediaFile& media, const QString&, const RuleLogs&) { media.setForce169(true); }

struct Action {
  qint32 code;
  const char* format;
  unsigned passes;
  void (*perform)(MediaFile& media, const QString& value, const RuleLogs& logs);
};

constexpr Action kThenRulesDescription[] = {
    {RuleActionCode::MediaType, "set media type to %@ ", BeforeLookup | AfterLookup, setMediaType},
    {RuleActionCode::ShowName, "set show name to %@ ", BeforeLookup, setShowName},
    {RuleActionCode::ShowID, "set id for show lookup to %@ ", BeforeLookup, setShowID},
    {RuleActionCode::DestinationFolder, "move converted show to %@ ", AfterLookup, setDestinationFolder},
    {RuleActionCode::Quality, "convert show with %@ quality ", BeforeLookup, setQuality},
    {RuleActionCode::Artwork, "use artwork %@ ", AfterLookup, useArtwork},
    {RuleActionCode::HDFlag, "set iTunes HD tag to %@ ", AfterLookup, setHDFlag},
    {RuleActionCode::AspectRatio169, "force aspect ratio to 16:9 ", BeforeLookup, force169},
};

template <class Row, size_t N>
const Row* rowFor(const Row (&table)[N], qint32 code) {
  for (const Row& row : table)
    if (row.code == code) return &row;
  return nullptr;
}

// "and " between the worded entries of one dictionary.
template <class Row, size_t N>
void appendClauses(QString& sentence, const Row (&table)[N], const BCConversionRule::Dictionary& entries,
                   bool comparisonWords) {
  bool first = true;
  for (auto it = entries.begin(); it != entries.end(); ++it) {
    const Row* row = rowFor(table, it.key());
    if (!row) continue;
    if (!first) sentence += QLatin1String(kAnd);
    first = false;
    QString clause = filled(row->format, valueText(it.value()));
    if (comparisonWords)
      clause.replace(u'>', QLatin1String(kAtLeastWords)).replace(u'<', QLatin1String(kAtMostWords));
    sentence += clause;
  }
}

BCError applyRules(MediaFile& media, Pass pass, const Reporter& reporter, const Reporter& userLog) {
  const QList<BCConversionRule> rules = ConversionRulesFromSettings(reporter);
  const RuleLogs logs{reporter, userLog};
  for (auto rule = rules.crbegin(); rule != rules.crend(); ++rule) {
    if (!RuleMatchesMediaFile(*rule, media)) continue;
    report(reporter, QString::fromLatin1(kMatchOnRule), kMatchLevel);
    const BCConversionRule::Dictionary& actions = rule->ThenActions();
    for (auto it = actions.begin(); it != actions.end(); ++it) {
      const Action* action = rowFor(kThenRulesDescription, it.key());
      if (action && (action->passes & pass)) action->perform(media, valueText(it.value()), logs);
    }
  }
  return BCError::NoError();
}

}  // namespace

void BCConversionRule::addIfCondition(qint32 code, const QVariant& value) {
  IfConditions_.insert(code, value);
}

void BCConversionRule::addThenAction(qint32 code, const QVariant& value) { ThenActions_.insert(code, value); }

QString BCConversionRule::description() const {
  QString sentence = QLatin1String(kIf);
  appendClauses(sentence, kIfRulesDescription, IfConditions_, true);
  sentence += QLatin1String(kThen);
  appendClauses(sentence, kThenRulesDescription, ThenActions_, false);
  return sentence;
}

void BCConversionRule::encodeWithCoder(KeyedArchiver& coder) const {
  coder.encodeDictionary(IfConditions_, QLatin1String(kIfConditionsKey));
  coder.encodeDictionary(ThenActions_, QLatin1String(kThenActionsKey));
}

BCConversionRule BCConversionRule::initWithCoder(const KeyedUnarchiver& coder) {
  BCConversionRule rule;
  rule.setIfConditions(coder.decodeDictionary(QLatin1String(kIfConditionsKey)));
  rule.setThenActions(coder.decodeDictionary(QLatin1String(kThenActionsKey)));
  return rule;
}

bool RuleMatchesMediaFile(const BCConversionRule& rule, const MediaFile& media) {
  const BCConversionRule::Dictionary& conditions = rule.IfConditions();
  for (auto it = conditions.begin(); it != conditions.end(); ++it) {
    const Condition* condition = rowFor(kIfRulesDescription, it.key());
    if (condition && !condition->holds(media, valueText(it.value()))) return false;
  }
  return true;
}

QList<BCConversionRule> ConversionRulesFromSettings(const Reporter& reporter) {
  const QByteArray data = Defaults::standard().get(setting::Rules);
  if (data.isEmpty()) return {};
  QString failure;
  std::optional<QList<BCConversionRule>> rules = unarchiveObjectsWithData<BCConversionRule>(data, &failure);
  if (!rules) {
    report(reporter, QString::fromLatin1(kUnreadableRules).arg(failure), kUnreadableLevel);
    return {};
  }
  return *rules;
}

void SaveConversionRules(const QList<BCConversionRule>& rules) {
  Defaults::standard().set(setting::Rules, archivedDataWithRootObjects(rules));
}

BCError ApplyRulesBeforeLookup(MediaFile& media, const Reporter& reporter, const Reporter& userLog) {
  return applyRules(media, BeforeLookup, reporter, userLog);
}

BCError ApplyRulesAfterLookup(MediaFile& media, const Reporter& reporter, const Reporter& userLog) {
  return applyRules(media, AfterLookup, reporter, userLog);
}

}  // namespace zuvo
