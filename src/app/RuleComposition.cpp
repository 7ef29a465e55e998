#include "app/RuleComposition.h"

#include <algorithm>

namespace zuvo {
namespace {

QString at(const RuleEditorRow& row, int position) { return row.displayValues.value(position); }

}  // namespace

BCConversionRule ruleFromEditorRows(const QList<RuleEditorRow>& ifRows, const QList<RuleEditorRow>& thenRows) {
  BCConversionRule rule;
  for (const RuleEditorRow& row : ifRows) {
    const QString kind = at(row, 1);
    if (kind == QLatin1String("Media Type"))
      rule.addIfCondition(RuleConditionCode::MediaType, at(row, 3));
    else if (kind == QLatin1String("Filename"))
      rule.addIfCondition(RuleConditionCode::FileNameContains, row.text);
    else if (kind == QLatin1String("Source Folder"))
      rule.addIfCondition(RuleConditionCode::SourceDirectory, row.text);
    else if (kind == QLatin1String("Video Height"))
      rule.addIfCondition(RuleConditionCode::VideoHeight,
                          (at(row, 2).contains(QLatin1String("greater")) ? QStringLiteral(">%1") : QStringLiteral("<%1"))
                              .arg(row.text));
  }
  for (const RuleEditorRow& row : thenRows) {
    const QString action = at(row, 1);
    if (action == QLatin1String("Media Type"))
      rule.addThenAction(RuleActionCode::MediaType, at(row, 3));
    else if (action == QLatin1String("Show/Movie Name"))
      rule.addThenAction(RuleActionCode::ShowName, row.text);
    else if (action == QLatin1String("TVDB/MovieDB ID"))
      rule.addThenAction(RuleActionCode::ShowID, row.text);
    else if (action == QLatin1String("Destination Folder"))
      rule.addThenAction(RuleActionCode::DestinationFolder, row.text);
    else if (action == QLatin1String("Conversion Quality"))
      rule.addThenAction(RuleActionCode::Quality, at(row, 3));
    else if (action == QLatin1String("Artwork"))
      rule.addThenAction(RuleActionCode::Artwork, row.text);
    else if (action == QLatin1String("HD Flag"))
      rule.addThenAction(RuleActionCode::HDFlag, at(row, 3));
    else if (action == QLatin1String("To 16:9 Aspect Ratio"))
      rule.addThenAction(RuleActionCode::AspectRatio169, true);
  }
  return rule;
}

QList<BCConversionRule> reorderedRules(const QList<BCConversionRule>& rules, QList<int> dragged, int row) {
  std::sort(dragged.begin(), dragged.end());
  dragged.erase(std::unique(dragged.begin(), dragged.end()), dragged.end());
  dragged.erase(std::remove_if(dragged.begin(), dragged.end(), [&](int i) { return i < 0 || i >= rules.size(); }),
                dragged.end());
  QList<BCConversionRule> before, moved, after;
  for (int i = 0; i < rules.size(); ++i) {
    if (dragged.contains(i))
      moved << rules[i];
    else
      (i < row ? before : after) << rules[i];
  }
  return before + moved + after;
}

}  // namespace zuvo
