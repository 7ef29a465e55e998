#pragma once
// The user's conversion rules: each says that when all of its conditions hold for a new
// item, its actions are done to it. The list lives in the settings under "Rules" (a
// keyed archive); the probe runs two passes over it, one before the online look-up, so
// that a forced type, name or id steers the look-up, and one after it, for what
// concerns the output. The rule editor shows and edits the same list.
#include <QList>
#include <QMap>
#include <QString>
#include <QVariant>

#include "media/BCCReporter.h"
#include "media/BCError.h"
#include "platform/KeyedArchive.h"

namespace zuvo {

class MediaFile;

// Keys of `IfConditions`.
namespace RuleConditionCode {
inline constexpr qint32 MediaType = 0;         // the media-type label equals the value
inline constexpr qint32 FileNameContains = 1;  // any letter case
inline constexpr qint32 SourceDirectory = 2;   // the full path begins with the value
inline constexpr qint32 VideoHeight = 3;       // ">N" at least N, otherwise at most N
}  // namespace RuleConditionCode

// Keys of `ThenActions`.
namespace RuleActionCode {
inline constexpr qint32 MediaType = 0;
inline constexpr qint32 ShowName = 1;
inline constexpr qint32 ShowID = 2;
inline constexpr qint32 DestinationFolder = 3;
inline constexpr qint32 Quality = 4;
inline constexpr qint32 Artwork = 5;
inline constexpr qint32 HDFlag = 6;
inline constexpr qint32 AspectRatio169 = 7;
}  // namespace RuleActionCode

class BCConversionRule {
 public:
  static constexpr const char* kArchiveClass = "BCConversionRule";

  // Code to value. Values are texts; the rule editor stores the 16:9 action's as a flag.
  // Every code occurs once, and the codes are walked in ascending order.
  using Dictionary = QMap<qint32, QVariant>;

  BCConversionRule() = default;

  // Sets the code's value, replacing an earlier one.
  void addIfCondition(qint32 code, const QVariant& value);
  void addThenAction(qint32 code, const QVariant& value);

  const Dictionary& IfConditions() const { return IfConditions_; }
  void setIfConditions(const Dictionary& conditions) { IfConditions_ = conditions; }
  const Dictionary& ThenActions() const { return ThenActions_; }
  void setThenActions(const Dictionary& actions) { ThenActions_ = actions; }

  // The rule as one sentence, as the rules table lists it: "If Media Type is TV Show and
  // Video Height is greater than or equal to 720 Then convert show with High quality ".
  // Codes without a wording are left out.
  QString description() const;

  void encodeWithCoder(KeyedArchiver& coder) const;
  static BCConversionRule initWithCoder(const KeyedUnarchiver& coder);

  friend bool operator==(const BCConversionRule&, const BCConversionRule&) = default;

 private:
  Dictionary IfConditions_;
  Dictionary ThenActions_;
};

// YES when every condition of a known code holds; a rule without conditions matches
// every item.
bool RuleMatchesMediaFile(const BCConversionRule& rule, const MediaFile& media);

// The rules in the settings, top rule first. Nothing stored gives no rules; so does data
// that is no archive of a rule list, with a line in the log.
QList<BCConversionRule> ConversionRulesFromSettings(const Reporter& reporter);
void SaveConversionRules(const QList<BCConversionRule>& rules);

// The two passes: every matching rule, from the bottom of the list to the top so that
// the top rule wins, performs its actions of that pass. The first pass sets media type,
// show name, forced id, quality and 16:9; the second media type, destination folder,
// artwork and the HD flag. Changes are reported to `reporter` and to the user log.
BCError ApplyRulesBeforeLookup(MediaFile& media, const Reporter& reporter, const Reporter& userLog);
BCError ApplyRulesAfterLookup(MediaFile& media, const Reporter& reporter, const Reporter& userLog);

}  // namespace zuvo
