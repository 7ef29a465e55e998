#include "media/RegisteredSettings.h"

#include <QStringList>

#include "platform/Defaults.h"
#include "platform/Paths.h"

namespace zuvo {
namespace {

template <typename T>
constexpr SettingType settingType() {
  if constexpr (std::is_same_v<T, bool>)
    return SettingType::Bool;
  else if constexpr (std::is_same_v<T, int>)
    return SettingType::Integer;
  else if constexpr (std::is_same_v<T, double>)
    return SettingType::Double;
  else if constexpr (std::is_same_v<T, QStringList>)
    return SettingType::StringList;
  else
    return SettingType::String;
}

}  // namespace

const std::vector<RegisteredSetting>& registeredSettings() {
  // Built on first use: the folder defaults depend on the environment.
  static const std::vector<RegisteredSetting> table{
#define ZUVO_SETTING_ROW(name, type, value) {#name, settingType<type>(), QVariant::fromValue<type>(value)},
      ZUVO_REGISTERED_SETTINGS(ZUVO_SETTING_ROW)
#undef ZUVO_SETTING_ROW
  };
  return table;
}

QVariantMap registeredSettingsDictionary() {
  QVariantMap map;
  for (const RegisteredSetting& s : registeredSettings()) map.insert(s.key, s.value);
  return map;
}

void registerSettingDefaults() { Defaults::standard().registerDefaults(registeredSettingsDictionary()); }

}  // namespace zuvo
