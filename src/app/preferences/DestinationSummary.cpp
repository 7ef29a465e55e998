#include "app/preferences/DestinationSummary.h"

#include "app/controller/Localized.h"
#include "platform/Defaults.h"

#include <QDir>
#include <QFileInfo>

namespace zuvo {
namespace {

QString summaryOf(const QString& value, const QString& importKey, const QString& deleteKey) {
  if (value == QLatin1String("iTunes")) return localizedString("Import converted file into iTunes");
  if (value == QLatin1String("Desktop")) return localizedString("Place converted file onto the Desktop");
  if (value == QLatin1String("Original Folder"))
    return localizedString("Place converted file into the same folder as the orignal file");
  const Defaults& defaults = Defaults::standard();
  QString text = QStringLiteral("%1 %2").arg(localizedString("Place converted file into"), QFileInfo(QDir::cleanPath(value)).fileName());
  if (defaults.boolForKey(importKey)) text += localizedString(" import into iTunes");
  if (defaults.boolForKey(deleteKey)) text += localizedString(" then delete");
  return text;
}

}  // namespace

QString defaultDestinationSummary() {
  return summaryOf(Defaults::standard().stringForKey(QStringLiteral("ShowDestination")),
                   QStringLiteral("ImportFileIntoiTunes"), QStringLiteral("DeleteFileAfterImport"));
}

QString destinationSummary(const QString& destinationKey, const QString& importKey, const QString& deleteKey) {
  const QString value = Defaults::standard().stringForKey(destinationKey);
  if (value == QLatin1String(kUseDefaultDestination)) return defaultDestinationSummary();
  return summaryOf(value, importKey, deleteKey);
}

}  // namespace zuvo
