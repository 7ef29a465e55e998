#pragma once
// The look the files table and the queue tables share.
#include <QTableView>

namespace zuvo {

// No row numbers or grid, whole rows chosen from the keyboard, nothing edited in place.
void applyTableLook(QTableView* view);

}  // namespace zuvo
