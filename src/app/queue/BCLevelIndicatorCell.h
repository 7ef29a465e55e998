#pragma once
// The queue's status block: title, second line, optional details, a status message by
// state and stage, the time left and, while converting, a progress bar. A message wider
// than the cell ends in an ellipsis and shows whole as the row's tooltip.
#include <QStyledItemDelegate>

#include "media/MediaValues.h"

namespace zuvo {

class BCLevelIndicatorCell : public QStyledItemDelegate {
 public:
  using QStyledItemDelegate::QStyledItemDelegate;
  void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
  // The row's status message whole, for one too long for its line (a failure's reason).
  bool helpEvent(QHelpEvent* event, QAbstractItemView* view, const QStyleOptionViewItem& option,
                 const QModelIndex& index) override;

  // The status message of a row and whether it is drawn as a success, failure or plain.
  enum class Tone { Plain, Finished, Failed };
  struct Message {
    QString text;
    Tone tone = Tone::Plain;
  };
  static Message statusMessage(MediaState state, bool finished, const QString& passLabel,
                               const QString& timeText, const QString& conversionError);

  // Where the progress bar lies in a cell (the frame of a converting row).
  static QRect progressBarRect(const QRect& frame, bool detailed);
};

}  // namespace zuvo
