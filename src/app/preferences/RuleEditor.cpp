#include "app/preferences/RuleEditor.h"

#include <QComboBox>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QToolButton>
#include <QVBoxLayout>

#include "app/shared/FileDropTarget.h"

namespace zuvo {

struct RuleEditor::Row {
  QWidget* widget = nullptr;
  QList<CriterionPtr> path;
  QString text;
  QLineEdit* field = nullptr;
};

namespace {

// Where a typed value stands: a file or folder dragged from the desktop gives its local
// path, the value the rules compare with, not the drag's file URL.
class PathDropField : public QLineEdit {
 public:
  using QLineEdit::QLineEdit;

 protected:
  void dragEnterEvent(QDragEnterEvent* event) override {
    if (localPath(event->mimeData()).isEmpty()) return QLineEdit::dragEnterEvent(event);
    event->acceptProposedAction();
  }
  void dragMoveEvent(QDragMoveEvent* event) override {
    if (localPath(event->mimeData()).isEmpty()) return QLineEdit::dragMoveEvent(event);
    event->acceptProposedAction();
  }
  void dropEvent(QDropEvent* event) override {
    const QString path = localPath(event->mimeData());
    if (path.isEmpty()) return QLineEdit::dropEvent(event);
    // One path is one value: it takes the place of what the field held.
    setText(path);
    setFocus(Qt::OtherFocusReason);
    event->acceptProposedAction();
  }

 private:
  static QString localPath(const QMimeData* data) {
    const QStringList paths = FileDropTarget::localPaths(data);
    return paths.isEmpty() ? QString() : paths.first();
  }
};

QList<CriterionPtr> childrenOf(const QList<CriterionPtr>& roots, const QList<CriterionPtr>& path, int level) {
  if (level == 0) return roots;
  QList<CriterionPtr> children;
  const CriterionPtr& parent = path[level - 1];
  for (int i = 0; i < parent->numberOfChildren(); ++i) children << parent->childAtIndex(i);
  return children;
}

}  // namespace

RuleEditor::RuleEditor(QWidget* parent) : QWidget(parent), layout_(new QVBoxLayout(this)) {
  layout_->setContentsMargins(0, 0, 0, 0);
  layout_->addStretch();
}

RuleEditor::~RuleEditor() { qDeleteAll(rows_); }

void RuleEditor::setRoots(const QList<CriterionPtr>& roots) {
  roots_ = roots;
  while (!rows_.isEmpty()) removeRowAtIndex(0);
}

void RuleEditor::completePath(Row& row, int from) {
  row.path = row.path.mid(0, from);
  for (int level = from;; ++level) {
    const QList<CriterionPtr> choices = childrenOf(roots_, row.path, level);
    if (choices.isEmpty()) break;
    row.path << choices.first();
  }
}

void RuleEditor::addRow(int afterRow) {
  if (roots_.isEmpty()) return;
  auto* row = new Row;
  row->widget = new QWidget(this);
  new QHBoxLayout(row->widget);
  row->widget->layout()->setContentsMargins(0, 0, 0, 0);
  completePath(*row, 0);
  const int index = afterRow >= 0 && afterRow < rows_.size() ? afterRow + 1 : int(rows_.size());
  rows_.insert(index, row);
  layout_->insertWidget(index, row->widget);
  rebuild(*row);
}

void RuleEditor::removeRowAtIndex(int index) {
  if (index < 0 || index >= rows_.size()) return;
  Row* row = rows_.takeAt(index);
  delete row->widget;
  delete row;
}

void RuleEditor::rebuild(Row& row, int focusLevel) {
  auto* layout = static_cast<QHBoxLayout*>(row.widget->layout());
  // The pop-up that asked for the rebuild is still in its signal: let it go later.
  while (QLayoutItem* item = layout->takeAt(0)) {
    if (QWidget* widget = item->widget()) {
      widget->hide();
      widget->deleteLater();
    }
    delete item;
  }
  row.field = nullptr;
  for (int level = 0; level < row.path.size(); ++level) {
    const QList<CriterionPtr> choices = childrenOf(roots_, row.path, level);
    const CriterionPtr& chosen = row.path[level];
    if (chosen->isTextField()) {
      row.field = new PathDropField(row.text, row.widget);
      row.field->setMinimumWidth(200);
      row.field->setPlaceholderText(QStringLiteral("Click to highlight then drop Folder or File here"));
      Row* target = &row;
      QObject::connect(row.field, &QLineEdit::textChanged, row.field,
                       [target](const QString& text) { target->text = text; });
      layout->addWidget(row.field, 1);
    } else if (choices.size() > 1) {
      auto* box = new QComboBox(row.widget);
      for (const CriterionPtr& choice : choices) box->addItem(choice->displayValue());
      box->setCurrentIndex(int(choices.indexOf(chosen)));
      Row* target = &row;
      QObject::connect(box, &QComboBox::activated, this, [this, target, level, choices](int index) {
        if (index < 0 || index >= choices.size() || target->path[level] == choices[index]) return;
        // A value typed for one kind means nothing for another.
        if (level <= kKindLevel) target->text.clear();
        target->path = target->path.mid(0, level);
        target->path << choices[index];
        completePath(*target, level + 1);
        rebuild(*target, level);
      });
      layout->addWidget(box);
      // The pop-up the user just chose from is replaced: its successor keeps the focus.
      if (level == focusLevel) {
        if (row.widget->isVisible()) box->show();  // a layout shows new children only later
        box->setFocus(Qt::OtherFocusReason);
      }
    } else if (!chosen->displayValue().isEmpty()) {
      layout->addWidget(new QLabel(chosen->displayValue(), row.widget));
    }
  }
  layout->addStretch();
  auto* remove = new QToolButton(row.widget);
  remove->setText(QStringLiteral("−"));
  auto* add = new QToolButton(row.widget);
  add->setText(QStringLiteral("+"));
  Row* target = &row;
  QObject::connect(remove, &QToolButton::clicked, this,
                   [this, target] { removeRowAtIndex(int(rows_.indexOf(target))); });
  QObject::connect(add, &QToolButton::clicked, this, [this, target] { addRow(int(rows_.indexOf(target))); });
  layout->addWidget(remove);
  layout->addWidget(add);
}

QList<CriterionPtr> RuleEditor::criteriaForRow(int row) const {
  return row >= 0 && row < rows_.size() ? rows_[row]->path : QList<CriterionPtr>{};
}

QString RuleEditor::textForRow(int row) const {
  return row >= 0 && row < rows_.size() ? rows_[row]->text : QString();
}

RuleEditorRow RuleEditor::editorRow(int row) const {
  RuleEditorRow result;
  for (const CriterionPtr& criterion : criteriaForRow(row)) result.displayValues << criterion->displayValue();
  result.text = textForRow(row);
  return result;
}

QList<RuleEditorRow> RuleEditor::editorRows() const {
  QList<RuleEditorRow> result;
  for (int row = 0; row < rows_.size(); ++row) result << editorRow(row);
  return result;
}

bool RuleEditor::selectCriteria(int index, const QStringList& displayValues) {
  if (index < 0 || index >= rows_.size()) return false;
  Row& row = *rows_[index];
  QList<CriterionPtr> path;
  for (int level = 0; level < displayValues.size(); ++level) {
    const QList<CriterionPtr> choices = childrenOf(roots_, path, level);
    const auto found = std::find_if(choices.begin(), choices.end(), [&](const CriterionPtr& c) {
      return c->displayValue() == displayValues[level];
    });
    if (found == choices.end()) return false;
    path << *found;
  }
  if (row.path.size() <= kKindLevel || path.size() <= kKindLevel || row.path[kKindLevel] != path[kKindLevel])
    row.text.clear();
  row.path = path;
  completePath(row, int(path.size()));
  rebuild(row);
  return true;
}

void RuleEditor::setTextForRow(int row, const QString& text) {
  if (row < 0 || row >= rows_.size()) return;
  rows_[row]->text = text;
  if (rows_[row]->field) rows_[row]->field->setText(text);
}

QLineEdit* RuleEditor::textFieldForRow(int row) const {
  return row >= 0 && row < rows_.size() ? rows_[row]->field : nullptr;
}

}  // namespace zuvo
