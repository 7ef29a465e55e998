#pragma once
// Placing panels over the window they serve: centring, stacking and bringing forward.
class QWidget;

namespace zuvo {

// Puts `moved`'s centre on `reference`'s centre, or on its screen's when there is no
// reference window.
void centreWindowOnWindow(QWidget* moved, const QWidget* reference);
// Asks the window manager to keep a panel above the window it is shown over, without
// tying the panel's lifetime to that window.
void keepAbove(QWidget* panel, QWidget* window);
// Makes a window key and front; nothing when there is none.
void bringWindowForward(QWidget* window);

}  // namespace zuvo
