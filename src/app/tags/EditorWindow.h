#pragma once
// What both tag editors' windows share for keyboard and screen-reader users: the window is
// a dialog named by its title, Tab and Shift+Tab leave every multi-line field (Done would
// otherwise save the tabs typed into a description), and each showing starts with the
// focus on the first control of the page shown. GUI thread only.
class QWidget;

namespace zuvo {

// Call once, after the window's controls are made and before it is first shown.
void prepareEditorWindow(QWidget* window);

}  // namespace zuvo
