#pragma once
// The choices a rule-editor row walks through: each node is one word or value of a row,
// its children the choices that may follow it. A text-field node stands for a value the
// user types. The two trees are built once and shared by every row of their editor.
#include <QList>
#include <QString>
#include <memory>

namespace zuvo {

class Criterion;
using CriterionPtr = std::shared_ptr<const Criterion>;

class Criterion {
 public:
  static CriterionPtr criterionWithName(const QString& name, QList<CriterionPtr> children = {});
  // A value typed into the row, with no name of its own.
  static CriterionPtr textFieldCriterion(QList<CriterionPtr> children = {});

  QString name() const { return name_; }
  bool isTextField() const { return textField_; }
  int numberOfChildren() const { return int(children_.size()); }
  CriterionPtr childAtIndex(int index) const { return children_.value(index); }
  // The word the row shows: the name, or "No Data" without one; a text field shows its
  // field and has no word.
  QString displayValue() const;
  QString description() const;

 private:
  Criterion(const QString& name, bool textField, QList<CriterionPtr> children);
  QString name_;
  bool textField_ = false;
  QList<CriterionPtr> children_;
};

// The roots of the condition ("If") and action ("Then") trees.
const QList<CriterionPtr>& newIfCriteria();
const QList<CriterionPtr>& newThenCriteria();

}  // namespace zuvo
