#pragma once
// Turning the rows of the two rule editors into one conversion rule, and the new order of
// the rules list after a drag.
#include <QList>
#include <QStringList>

#include "media/BCConversionRule.h"

namespace zuvo {

// One editor row: the display value at each position (root, kind, operator or joining
// word, value; a text field shows "") and the text of its text field.
struct RuleEditorRow {
  QStringList displayValues;
  QString text;
};

// Conditions from the If rows, actions from the Then rows, in row order; a later row of a
// kind replaces an earlier one, and rows of an unknown kind add nothing.
BCConversionRule ruleFromEditorRows(const QList<RuleEditorRow>& ifRows, const QList<RuleEditorRow>& thenRows);

// The rules before `row` that were not dragged, then the dragged ones in their old order,
// then the rest. Dragged indexes outside the list are ignored.
QList<BCConversionRule> reorderedRules(const QList<BCConversionRule>& rules, QList<int> dragged, int row);

}  // namespace zuvo
