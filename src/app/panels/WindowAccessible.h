#pragma once
// A window built on a plain widget is, to a screen reader, a nameless "filler": this tells
// it what the window is. Its name is its title. GUI thread only.
#include <QAccessible>

class QWidget;

namespace zuvo {

// Call before anything asks for the window's interface (before it is first shown).
void setAccessibleWindowRole(QWidget* window, QAccessible::Role role);

}  // namespace zuvo
