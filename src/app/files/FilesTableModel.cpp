#include "app/files/FilesTableModel.h"

#include <algorithm>

#include "app/files/BCPopUpCell.h"
#include "app/files/RowColours.h"
#include "app/shared/Localized.h"
#include "app/tables/TableImages.h"
#include "app/tables/TableRoles.h"
#include "media/MediaLabels.h"
#include "media/MediaSummary.h"
#include "media/MediaValues.h"

namespace zuvo {
namespace {

const QString kNoData = QStringLiteral("No Data");

bool hasSubtitles(const MediaFile& item) {
  return !item.SoftSubtitleTracks().isEmpty() || !item.HardSubtitleTracks().isEmpty();
}

// What the status image of the row stands for.
QString statusText(const MediaFile& item) {
  if (!item.didlookup()) return QStringLiteral("Looking up");
  switch (item.reasonfordeselection()) {
    case DeselectionReason::None:
      return item.hadexistingtags() ? QStringLiteral("Already tagged") : QStringLiteral("Ready");
    case DeselectionReason::Duplicate:
      return QStringLiteral("Duplicate");
    case DeselectionReason::NoLookUpMatch:
      return QStringLiteral("No match found");
    case DeselectionReason::IncompleteTVShow:
      return QStringLiteral("Episode details missing");
    case DeselectionReason::ProtectedByDRM:
      return QStringLiteral("Protected by DRM");
    case DeselectionReason::UnsupportedVideo:
      return QStringLiteral("Unsupported video");
    case DeselectionReason::NoVideo:
      return QStringLiteral("No video in this file");
    default:
      return QString();
  }
}

// The title block as the cell draws it, with its badges, in one line.
QString titleText(const MediaFile& item) {
  if (!item.didlookup()) return QStringLiteral("Looking up %1").arg(item.filename());
  const QVariantList values = summaryArray(item);
  const auto text = [&values](int i) { return i < values.size() ? values[i].toString() : QString(); };
  QStringList parts;
  if (text(2) == QLatin1String("TV Show"))
    parts << QStringLiteral("%1, %2, Season %3 Episode %4").arg(text(0), text(1), text(3), text(4));
  else
    parts << QStringLiteral("Movie: %1").arg(text(0));
  if (text(5) == QLatin1String("6")) parts << QStringLiteral("5.1 audio");
  if (hasSubtitles(item)) parts << QStringLiteral("subtitles");
  if (!item.Chapters().isEmpty()) parts << QStringLiteral("chapters");
  return parts.join(QStringLiteral(", "));
}

}  // namespace

const QStringList& FilesTableModel::identifiers() {
  static const QStringList ids = {
      QStringLiteral("MediaSelected"), QStringLiteral("WhyDeselected"), QStringLiteral("Summary"),
      QStringLiteral("FileName"),      QStringLiteral("ShowType"),      QStringLiteral("ShowTypeStepper"),
      QStringLiteral("SDHD"),          QStringLiteral("Speed"),         QStringLiteral("Tags")};
  return ids;
}

FilesTableModel::FilesTableModel(const QList<MediaFilePtr>& files, QObject* parent)
    : QAbstractTableModel(parent), files_(files) {}

void FilesTableModel::reload() {
  if (shown_ == files_) {
    if (!files_.isEmpty()) emit dataChanged(index(0, 0), index(int(files_.size()) - 1, columnCount() - 1));
    return;
  }
  // Items added at the end (a folder coming in) are inserted rows: the rows shown stay
  // as they are, and the view lays out only the new ones.
  if (shown_.size() < files_.size() && std::equal(shown_.cbegin(), shown_.cend(), files_.cbegin())) {
    if (!shown_.isEmpty()) emit dataChanged(index(0, 0), index(int(shown_.size()) - 1, columnCount() - 1));
    beginInsertRows({}, int(shown_.size()), int(files_.size()) - 1);
    shown_ = files_;
    endInsertRows();
    return;
  }
  beginResetModel();
  shown_ = files_;
  endResetModel();
}

QString FilesTableModel::accessibleText(const QString& id, const MediaFile& item) {
  if (id == QLatin1String("MediaSelected"))
    return item.selected() ? QStringLiteral("checked") : QStringLiteral("not checked");
  if (id == QLatin1String("WhyDeselected")) return statusText(item);
  if (id == QLatin1String("Summary")) return titleText(item);
  if (id == QLatin1String("FileName")) return value(id, item).toString();
  if (id == QLatin1String("ShowType") || id == QLatin1String("ShowTypeStepper"))
    return mediaTypeDescription(item.mediatype());
  if (id == QLatin1String("SDHD")) return BCPopUpCell::formatTitles().value(value(id, item).toInt());
  if (id == QLatin1String("Speed")) {
    // The menu's own labels, as the cell draws them.
    const QString fast = localizedString(value(id, item).toInt() == 0 ? "YES" : "NO");
    if (item.fastmodeEnabled() || item.reasonfornofastmode().isEmpty()) return fast;
    return QStringLiteral("%1, %2").arg(fast, item.reasonfornofastmode());
  }
  // The cell always draws the same button, whatever the look-up found (the status cell
  // says that): it opens the tag editor.
  if (id == QLatin1String("Tags")) return QStringLiteral("Edit Tags");
  return kNoData;
}

QVariant FilesTableModel::value(const QString& id, const MediaFile& item) {
  if (id == QLatin1String("MediaSelected")) return item.selected();
  if (id == QLatin1String("WhyDeselected")) {
    const QImage image = statusImage(item);
    return image.isNull() ? QVariant(QString()) : QVariant(image);
  }
  if (id == QLatin1String("Summary")) return summaryArray(item);
  if (id == QLatin1String("FileName")) return item.didlookup() ? summary(item) : QString();
  if (id == QLatin1String("ShowType")) return tableImage(mediaTypeImageName(item.mediatype()));
  if (id == QLatin1String("ShowTypeStepper")) {
    const QString label = MediaTypeName(item.mediatype());
    if (label == QLatin1String("TV Show")) return 1.0f;
    if (label == QLatin1String("Movie")) return 2.0f;
    if (label == QLatin1String("Home Movie")) return 3.0f;
    return 0.0f;
  }
  if (id == QLatin1String("SDHD")) {
    const ConversionFormat format = item.ConversionFormat();
    return int(codeOf(format <= ConversionFormat::Original ? format : ConversionFormat::HDAndSD));
  }
  if (id == QLatin1String("Speed")) return item.fastmodeEnabled() && item.fastmode() ? 0 : 1;
  if (id == QLatin1String("Tags")) return tableImage(QStringLiteral("OKCircle"));
  return kNoData;
}

int FilesTableModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(files_.size());
}

int FilesTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(identifiers().size());
}

QVariant FilesTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= files_.size() || index.column() >= identifiers().size()) return {};
  const MediaFile& item = *files_[index.row()];
  const QString& id = identifiers()[index.column()];
  switch (role) {
    case Qt::DisplayRole:
    case Qt::EditRole:
      return value(id, item);
    case Qt::AccessibleTextRole:
      return accessibleText(id, item);
    case Qt::ToolTipRole:
      // What the status image stands for, in words, when the mouse rests on it.
      if (id == QLatin1String("WhyDeselected")) return statusText(item);
      return {};
    case TableRole::RowColour:
      return rowColour(item, index.row());
    case TableRole::StatusImage:
      return statusImage(item);
    case TableRole::HasSubtitles:
      return hasSubtitles(item);
    case TableRole::HasChapters:
      return !item.Chapters().isEmpty();
    case TableRole::LookingUp:
      return !item.didlookup();
    case TableRole::Description:
      if (id == QLatin1String("ShowType")) return mediaTypeDescription(item.mediatype());
      return QString();
    case TableRole::Enabled:
      if (id == QLatin1String("Speed")) return item.fastmodeEnabled();
      return true;
    case TableRole::AccessibleAction:
      return id == QLatin1String("Tags");
    case TableRole::Reason:
      if (id == QLatin1String("Speed"))
        return item.fastmodeEnabled() ? QString() : item.reasonfornofastmode();
      return {};
    default:
      return {};
  }
}

QVariant FilesTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation != Qt::Horizontal || section < 0 || section >= identifiers().size()) return {};
  static const char* const titles[] = {"", "", "Title", "File Details", "Type", "", "Format", "FAST", "Tags"};
  if (role == TableRole::Identifier) return identifiers()[section];
  if (role == Qt::DisplayRole) return QLatin1String(titles[section]);
  return {};
}

bool FilesTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (role != Qt::EditRole || !index.isValid() || index.row() >= files_.size()) return false;
  if (editRequest_) editRequest_(identifiers()[index.column()], index.row(), value);
  return false;  // the item itself decides what changes; the table is reloaded then
}

Qt::ItemFlags FilesTableModel::flags(const QModelIndex& index) const {
  return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}

}  // namespace zuvo
