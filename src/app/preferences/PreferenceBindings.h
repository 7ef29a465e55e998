#pragma once
// The settings the preferences window edits through plain controls: each control shows
// its key's value and writes the store the moment the user changes it. Check boxes hold
// flags, spin boxes integers, line edits and combo boxes texts (a list of texts as one
// comma-separated line).
#include <QStringList>
#include <vector>

class QWidget;

namespace zuvo {

struct PreferenceBinding {
  const char* control;  // object name in the window
  const char* key;
};

const std::vector<PreferenceBinding>& preferenceBindings();

// Every key the window changes, bound or converted, and so every key Cancel and Reset
// put back. Counters and flags the program keeps for itself are not among them.
const QStringList& preferenceKeys();

// Store to controls, without writing anything back.
void showBoundSettings(QWidget* window);
// The controls bound to `key` show its stored value again.
void showBoundSetting(QWidget* window, const QString& key);
// Controls to store.
void storeBoundSettings(QWidget* window);
// Makes every bound control write its key as soon as the user changes it.
void connectBoundControls(QWidget* window);

}  // namespace zuvo
