#pragma once
// The settings every part of Zuvo reads, with their registered defaults.
// Registered once at start-up into the defaults store's registration domain.
#include <QString>
#include <QVariant>
#include <vector>

namespace zuvo {

enum class SettingType { Bool, Integer, Double, String, StringList };

struct RegisteredSetting {
  const char* key;
  SettingType type;
  QVariant value;
};

// The 91 registered keys, in table order.
const std::vector<RegisteredSetting>& registeredSettings();
// The table as the registration dictionary.
QVariantMap registeredSettingsDictionary();
// Registers the table with Defaults::standard().
void registerSettingDefaults();

// The two keys that hold keyed archives and are not registered.
inline constexpr const char* kSourcesKey = "Sources";
inline constexpr const char* kRulesKey = "Rules";

}  // namespace zuvo
