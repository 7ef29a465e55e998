#include "app/preferences/DestinationSummary.h"

#include <QDir>
#include <QFileInfo>

#include "app/shared/Localized.h"
#include "media/RegisteredSettings.h"
#include "platform/Defaults.h"

namespace zuvo {
namespace {

QString summaryOf(const QString& value, SettingKey<bool> importKey, SettingKey<bool> deleteKey) {
  if (value == QLatin1String("iTunes")) return localizedString("Import converted file into iTunes");
  if (value == QLatin1String("Desktop")) return localizedString("Place converted file onto the Desktop");
  if (value == QLatin1String("Original Folder"))
    return localizedString("Place converted file into the same folder as the orignal file");
  const Defaults& defaults = Defaults::standard();
  QString text = QStringLiteral("%1 %2").arg(localizedString("Place converted file into"),
                                             QFileInfo(QDir::cleanPath(value)).fileName());
  if (defaults.get(importKey)) text += localizedString(" import into iTunes");
  if (defaults.get(deleteKey)) text += localizedString(" then delete");
  return text;
}

}  // namespace

QString defaultDestinationSummary() {
  return summaryOf(Defaults::standard().get(setting::ShowDestination), setting::ImportFileIntoiTunes,
                   setting::DeleteFileAfterImport);
}

QString destinationSummary(SettingKey<QString> destinationKey, SettingKey<bool> importKey,
                           SettingKey<bool> deleteKey) {
  const QString value = Defaults::standard().get(destinationKey);
  if (value == QLatin1String(kUseDefaultDestination)) return defaultDestinationSummary();
  return summaryOf(value, importKey, deleteKey);
}

}  // namespace zuvo
