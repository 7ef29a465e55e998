#pragma once
// The per-row values that the table models hand their cells beside the shown value, and
// the little every cell shares: the selection colour and the row background.
#include <QColor>
#include <QModelIndex>
#include <QStyleOptionViewItem>

namespace zuvo {

namespace TableRole {
inline constexpr int Identifier = Qt::UserRole + 1;    // header: the column identifier
inline constexpr int RowColour = Qt::UserRole + 2;     // QColor by look-up and deselection
inline constexpr int StatusImage = Qt::UserRole + 3;   // QImage
inline constexpr int HasSubtitles = Qt::UserRole + 4;  // bool
inline constexpr int HasChapters = Qt::UserRole + 5;   // bool
inline constexpr int LookingUp = Qt::UserRole + 6;     // bool
inline constexpr int Description = Qt::UserRole + 7;   // text under an image
inline constexpr int Enabled = Qt::UserRole + 8;       // bool
inline constexpr int Reason = Qt::UserRole + 9;        // text; absent: nothing is drawn
inline constexpr int ConversionError = Qt::UserRole + 10;
inline constexpr int IsSample = Qt::UserRole + 11;
inline constexpr int ButtonImage = Qt::UserRole + 12;      // QImage; null: no image
inline constexpr int AccessibleValue = Qt::UserRole + 13;  // int 0-100 for a screen reader; absent: none
inline constexpr int AccessibleAction =
    Qt::UserRole + 14;  // bool: the cell is a button a screen reader presses
}  // namespace TableRole

// The system's alternate selected control colour.
inline QColor selectionColour(const QStyleOptionViewItem& option) {
  return option.palette.color(QPalette::Active, QPalette::Highlight);
}

inline bool rowSelected(const QStyleOptionViewItem& option) {
  return option.state.testFlag(QStyle::State_Selected);
}

// The cell's background: the selection colour while its row is selected, else the row's.
inline QColor cellBackground(const QStyleOptionViewItem& option, const QModelIndex& index) {
  if (rowSelected(option)) return selectionColour(option);
  const QVariant colour = index.data(TableRole::RowColour);
  return colour.isValid() ? colour.value<QColor>() : QColor(Qt::transparent);
}

}  // namespace zuvo
