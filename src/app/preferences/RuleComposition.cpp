#include "app/preferences/RuleComposition.h"

#include <algorithm>

namespace zuvo {
namespace {

// Where a row's value comes from: the chosen value at position 3, the typed text, or
// the flag YES.
enum class Source { Choice, Text, Flag };

struct RowKind {
  const char* name;  // the display value at position 1
  qint32 code;
  Source source;
};

constexpr RowKind kConditions[] = {{"Media Type", RuleConditionCode::MediaType, Source::Choice},
                                   {"Filename", RuleConditionCode::FileNameContains, Source::Text},
                                   {"Source Folder", RuleConditionCode::SourceDirectory, Source::Text},
                                   {"Video Height", RuleConditionCode::VideoHeight, Source::Text}};

constexpr RowKind kActions[] = {{"Media Type", RuleActionCode::MediaType, Source::Choice},
                                {"Show/Movie Name", RuleActionCode::ShowName, Source::Text},
                                {"TVDB/MovieDB ID", RuleActionCode::ShowID, Source::Text},
                                {"Destination Folder", RuleActionCode::DestinationFolder, Source::Text},
                                {"Conversion Quality", RuleActionCode::Quality, Source::Choice},
                                {"Artwork", RuleActionCode::Artwork, Source::Text},
                                {"HD Flag", RuleActionCode::HDFlag, Source::Choice},
                                {"To 16:9 Aspect Ratio", RuleActionCode::AspectRatio169, Source::Flag}};

template <std::size_t N>
const RowKind* kindOf(const RowKind (&table)[N], const RuleEditorRow& row) {
  const QString name = row.displayValues.value(1);
  for (const RowKind& kind : table)
    if (name == QLatin1String(kind.name)) return &kind;
  return nullptr;
}

QVariant valueOf(const RowKind& kind, const RuleEditorRow& row) {
  switch (kind.source) {
    case Source::Choice:
      return row.displayValues.value(3);
    case Source::Text:
      return row.text;
    case Source::Flag:
      return true;
  }
  return {};
}

}  // namespace

BCConversionRule ruleFromEditorRows(const QList<RuleEditorRow>& ifRows,
                                    const QList<RuleEditorRow>& thenRows) {
  BCConversionRule rule;
  for (const RuleEditorRow& row : ifRows) {
    const RowKind* kind = kindOf(kConditions, row);
    if (!kind) continue;
    QVariant value = valueOf(*kind, row);
    if (kind->code == RuleConditionCode::VideoHeight)
      value = (row.displayValues.value(2).contains(QLatin1String("greater")) ? QStringLiteral(">%1")
                                                                             : QStringLiteral("<%1"))
                  .arg(row.text);
    rule.addIfCondition(kind->code, value);
  }
  for (const RuleEditorRow& row : thenRows)
    if (const RowKind* kind = kindOf(kActions, row)) rule.addThenAction(kind->code, valueOf(*kind, row));
  return rule;
}

QList<BCConversionRule> reorderedRules(const QList<BCConversionRule>& rules, QList<int> dragged, int row) {
  std::sort(dragged.begin(), dragged.end());
  dragged.erase(std::unique(dragged.begin(), dragged.end()), dragged.end());
  dragged.erase(
      std::remove_if(dragged.begin(), dragged.end(), [&](int i) { return i < 0 || i >= rules.size(); }),
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
