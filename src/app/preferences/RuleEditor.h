#pragma once
// A list of rows, each a sentence built by walking a criterion tree: a pop-up where a
// node has several choices, a word where it has one, a text field for typed values, and
// buttons to add a row below or remove the row. GUI thread only.
#include <QList>
#include <QWidget>

#include "app/preferences/Criterion.h"
#include "app/preferences/RuleComposition.h"

class QLineEdit;
class QVBoxLayout;

namespace zuvo {

class RuleEditor : public QWidget {
 public:
  explicit RuleEditor(QWidget* parent = nullptr);
  ~RuleEditor() override;

  void setRoots(const QList<CriterionPtr>& roots);
  const QList<CriterionPtr>& roots() const { return roots_; }

  int numberOfRows() const { return int(rows_.size()); }
  // A new row showing the first choice at every position, after `afterRow` (at the end
  // when out of range).
  void addRow(int afterRow = -1);
  void removeRowAtIndex(int row);

  // The chosen nodes of a row, root first.
  QList<CriterionPtr> criteriaForRow(int row) const;
  QString textForRow(int row) const;
  RuleEditorRow editorRow(int row) const;
  QList<RuleEditorRow> editorRows() const;

  // Chooses, position by position from the root, the child whose display value is the
  // given text ("" picks a text field); false when one is not a choice there.
  bool selectCriteria(int row, const QStringList& displayValues);
  void setTextForRow(int row, const QString& text);
  // The row's text field; null when the row has none.
  QLineEdit* textFieldForRow(int row) const;

 private:
  struct Row;
  // Position 0 is the root, 1 the kind of condition or action.
  static constexpr int kKindLevel = 1;
  // `focusLevel`: the position whose pop-up takes the keyboard focus.
  void rebuild(Row& row, int focusLevel = -1);
  void completePath(Row& row, int from);

  QList<CriterionPtr> roots_;
  QList<Row*> rows_;
  QVBoxLayout* layout_ = nullptr;
};

}  // namespace zuvo
