#include "app/tags/TagEditorTables.h"

#include <QComboBox>
#include <QHash>
#include <QMimeData>
#include <QUrl>

#include "app/tags/TagEditorRules.h"
#include "media/BCStringEncoding.h"

namespace zuvo {

namespace {

QVariant checkState(bool on) { return on ? Qt::Checked : Qt::Unchecked; }

bool isCheckColumn(TagEditorTable table, const QString& column) {
  if (table == TagEditorTable::Subtitles) return column == QLatin1String("Include");
  if (table == TagEditorTable::AudioStreams)
    return column == QLatin1String("Include") || column == QLatin1String("Stereo") ||
           column == QLatin1String("Default");
  return false;
}

QList<SubtitleTrack> shownSubtitles(const MediaFile& media) {
  return media.SoftSubtitles() ? media.SoftSubtitleTracks() : media.HardSubtitleTracks();
}

}  // namespace

TagEditorTableModel::TagEditorTableModel(TagEditorTable table, TagEditorSource source, QObject* parent)
    : QAbstractTableModel(parent),
      table_(table),
      source_(std::move(source)),
      columns_(columnIdentifiers(table)) {}

QStringList TagEditorTableModel::columnIdentifiers(TagEditorTable table) {
  switch (table) {
    case TagEditorTable::Chapters:
      return {QStringLiteral("StartTime"), QStringLiteral("Title")};
    case TagEditorTable::ChapterTitles:
      return {QStringLiteral("Title")};
    case TagEditorTable::AlternativeChapters:
      return {QStringLiteral("Name")};
    case TagEditorTable::Alternatives:
      return {QStringLiteral("Alternatives")};
    case TagEditorTable::Subtitles:
      return {QStringLiteral("Include"),  QStringLiteral("Language"), QStringLiteral("Format"),
              QStringLiteral("Encoding"), QStringLiteral("Summary"),  QStringLiteral("Location")};
    case TagEditorTable::VideoJoin:
      return {QStringLiteral("Position"), QStringLiteral("FilePath")};
    case TagEditorTable::AudioStreams:
      return {QStringLiteral("Include"),  QStringLiteral("Default"),  QStringLiteral("Stereo"),
              QStringLiteral("Channels"), QStringLiteral("Language"), QStringLiteral("TrackName"),
              QStringLiteral("Volume")};
  }
  return {};
}

void TagEditorTableModel::reload() {
  beginResetModel();
  endResetModel();
}

int TagEditorTableModel::rowCount(const QModelIndex& parent) const {
  const MediaFilePtr media = source_.show ? source_.show() : nullptr;
  if (parent.isValid()) return 0;
  if (table_ == TagEditorTable::ChapterTitles)
    return source_.chapterTitles ? int(source_.chapterTitles().size()) : 0;
  if (!media) return 0;
  switch (table_) {
    case TagEditorTable::Chapters:
      return int(media->Chapters().size());
    case TagEditorTable::AlternativeChapters:
      return int(media->ChaptersAlternates().size());
    case TagEditorTable::Alternatives:
      return int(media->AlternativeSuggestions().size());
    case TagEditorTable::Subtitles:
      return int(shownSubtitles(*media).size());
    case TagEditorTable::VideoJoin:
      return int(media->VideoJoinPaths().size());
    case TagEditorTable::AudioStreams:
      return int(media->AudioTracks().size());
    case TagEditorTable::ChapterTitles:
      break;
  }
  return 0;
}

int TagEditorTableModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : int(columns_.size());
}

QString TagEditorTableModel::columnTitle(TagEditorTable table, const QString& identifier) {
  static const QHash<QString, QString> titles{
      {QStringLiteral("StartTime"), QStringLiteral("Start")},
      {QStringLiteral("TrackName"), QStringLiteral("Track Name")},
      {QStringLiteral("FilePath"), QStringLiteral("Joined File")},
      {QStringLiteral("Position"), QStringLiteral("Part")},
      {QStringLiteral("Include"), QStringLiteral("Include")},
      {QStringLiteral("Default"), QStringLiteral("Default")},
      {QStringLiteral("Stereo"), QStringLiteral("Stereo Copy")},
      {QStringLiteral("Channels"), QStringLiteral("Channels")},
      {QStringLiteral("Language"), QStringLiteral("Language")},
      {QStringLiteral("Volume"), QStringLiteral("Volume")},
      {QStringLiteral("Format"), QStringLiteral("Format")},
      {QStringLiteral("Encoding"), QStringLiteral("Encoding")},
      {QStringLiteral("Summary"), QStringLiteral("Summary")},
      {QStringLiteral("Location"), QStringLiteral("Location")},
      {QStringLiteral("Alternatives"), QStringLiteral("Other Matches")},
  };
  if (identifier == QLatin1String("Title"))
    return table == TagEditorTable::ChapterTitles ? QStringLiteral("Chapter Titles Found")
                                                  : QStringLiteral("Title");
  if (identifier == QLatin1String("Name")) return QStringLiteral("Chapter Lists Found");
  return titles.value(identifier, identifier);
}

QVariant TagEditorTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (orientation == Qt::Horizontal && role == Qt::DisplayRole)
    return columnTitle(table_, identifier(section));
  return {};
}

// Rows past the end show an empty text (256 for the volume, nothing for channels).
QVariant TagEditorTableModel::display(int row, const QString& column) const {
  const MediaFilePtr media = source_.show ? source_.show() : nullptr;
  switch (table_) {
    case TagEditorTable::ChapterTitles:
      return source_.chapterTitles ? source_.chapterTitles().value(row) : QString();
    case TagEditorTable::Chapters: {
      const QList<ChapterTrack> chapters = media->Chapters();
      if (row >= chapters.size()) return QString();
      return column == QLatin1String("StartTime") ? chapters.at(row).starttime() : chapters.at(row).title();
    }
    case TagEditorTable::AlternativeChapters:
      return media->ChaptersAlternates().value(row).Name();
    case TagEditorTable::Alternatives: {
      const QList<VideoAlternate> alternates = media->AlternativeSuggestions();
      // The services keep candidate names unescaped already.
      return row < alternates.size() ? alternates.at(row).Name() : QString();
    }
    case TagEditorTable::Subtitles: {
      const QList<SubtitleTrack> tracks = shownSubtitles(*media);
      if (row >= tracks.size()) return QString();
      const SubtitleTrack& track = tracks.at(row);
      if (column == QLatin1String("Include")) return track.selected();
      if (column == QLatin1String("Language")) return track.language();
      if (column == QLatin1String("Format")) return track.format();
      if (column == QLatin1String("Encoding"))
        return media->SoftSubtitles() ? track.encoding().name : QStringLiteral("N/A");
      if (column == QLatin1String("Summary")) return track.subtitlesummary();
      if (column == QLatin1String("Location"))
        return track.location() == 2 ? QStringLiteral("On Disk") : QStringLiteral("In Original File");
      return QString();
    }
    case TagEditorTable::VideoJoin: {
      const QStringList paths = media->VideoJoinPaths();
      if (column == QLatin1String("Position")) return QString::number(row + 2);
      return paths.value(row);
    }
    case TagEditorTable::AudioStreams: {
      const QList<AudioTrack> tracks = media->AudioTracks();
      if (row >= tracks.size())
        return column == QLatin1String("Volume") ? QVariant(256) : QVariant(QString());
      const AudioTrack& track = tracks.at(row);
      if (column == QLatin1String("Volume")) return track.volume();
      if (column == QLatin1String("Language")) return track.language();
      if (column == QLatin1String("TrackName")) return track.name();
      if (column == QLatin1String("Include")) return track.selected();
      if (column == QLatin1String("Stereo")) return track.makeStereo();
      if (column == QLatin1String("Default")) return track.isDefault();
      if (column == QLatin1String("Channels")) return channelsText(track.channels());
      return QStringLiteral("Unknown");
    }
  }
  return {};
}

QVariant TagEditorTableModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid()) return {};
  const QString column = identifier(index.column());
  if (isCheckColumn(table_, column)) {
    if (role == Qt::CheckStateRole) return checkState(display(index.row(), column).toBool());
    return {};
  }
  if (role == Qt::DisplayRole || role == Qt::EditRole) return display(index.row(), column);
  if (role == Qt::ToolTipRole && table_ == TagEditorTable::VideoJoin)
    return display(index.row(), QStringLiteral("FilePath"));
  return {};
}

Qt::ItemFlags TagEditorTableModel::flags(const QModelIndex& index) const {
  Qt::ItemFlags flags = Qt::ItemIsEnabled | Qt::ItemIsSelectable;
  if (table_ == TagEditorTable::VideoJoin || table_ == TagEditorTable::Subtitles)
    flags |= Qt::ItemIsDropEnabled;
  if (table_ == TagEditorTable::VideoJoin) flags |= Qt::ItemIsDragEnabled;
  if (!index.isValid()) return flags;
  const QString column = identifier(index.column());
  const MediaFilePtr media = source_.show ? source_.show() : nullptr;
  if (isCheckColumn(table_, column)) flags |= Qt::ItemIsUserCheckable;
  switch (table_) {
    case TagEditorTable::Chapters:
      flags |= Qt::ItemIsEditable;
      break;
    case TagEditorTable::Subtitles:
      if (column == QLatin1String("Language")) flags |= Qt::ItemIsEditable;
      // Burnt-in subtitles are drawn, not decoded: their encoding does not apply.
      if (column == QLatin1String("Encoding")) {
        if (media && media->SoftSubtitles())
          flags |= Qt::ItemIsEditable;
        else
          flags &= ~Qt::ItemIsEnabled;
      }
      break;
    case TagEditorTable::AudioStreams:
      if (column == QLatin1String("Volume") || column == QLatin1String("Language") ||
          column == QLatin1String("TrackName"))
        flags |= Qt::ItemIsEditable;
      if (column == QLatin1String("Stereo") && media && index.row() < media->AudioTracks().size() &&
          media->AudioTracks().at(index.row()).channels() == 2)
        flags &= ~Qt::ItemIsEnabled;
      break;
    default:
      break;
  }
  return flags;
}

bool TagEditorTableModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  const MediaFilePtr media = source_.show ? source_.show() : nullptr;
  if (!media || !index.isValid()) return false;
  const QString column = identifier(index.column());
  const int row = index.row();
  const bool check = isCheckColumn(table_, column);
  if (check ? role != Qt::CheckStateRole : role != Qt::EditRole) return false;
  const bool on = value.toInt() == Qt::Checked;
  switch (table_) {
    case TagEditorTable::Chapters: {
      QList<ChapterTrack> chapters = media->Chapters();
      if (row >= chapters.size()) return false;
      if (column == QLatin1String("StartTime")) {
        chapters[row].setStarttime(chapterStartFromText(value.toString()));
        media->setChapters(sortedChapters(chapters));
      } else {
        chapters[row].setTitle(value.toString());
        media->setChapters(chapters);
      }
      break;
    }
    case TagEditorTable::Subtitles: {
      if (column == QLatin1String("Include")) {
        toggleSubtitleInclude(*media, row);
        break;
      }
      const bool soft = media->SoftSubtitles();
      QList<SubtitleTrack> tracks = soft ? media->SoftSubtitleTracks() : media->HardSubtitleTracks();
      if (row >= tracks.size()) return false;
      if (column == QLatin1String("Language"))
        tracks[row].setLanguage(value.toString());
      else if (column == QLatin1String("Encoding"))
        tracks[row].setEncoding(EncodingForName(value.toString()));
      else
        return false;
      soft ? media->setSoftSubtitleTracks(tracks) : media->setHardSubtitleTracks(tracks);
      break;
    }
    case TagEditorTable::AudioStreams: {
      QList<AudioTrack> tracks = media->AudioTracks();
      if (row >= tracks.size()) return false;
      AudioTrack& track = tracks[row];
      bool rule = false;
      if (column == QLatin1String("Volume")) {
        track.setVolume(value.toInt());
      } else if (column == QLatin1String("Language")) {
        track.setLanguage(value.toString());
      } else if (column == QLatin1String("TrackName")) {
        track.setName(value.toString());
      } else if (column == QLatin1String("Include")) {
        track.setSelected(on);
        rule = true;
      } else if (column == QLatin1String("Stereo")) {
        track.setMakeStereo(on);
        rule = true;
      } else if (column == QLatin1String("Default")) {
        track.setIsDefault(on);
        rule = true;
      } else {
        return false;
      }
      // The row whose box was clicked is the row the user is at, selected or not.
      if (rule) sanityCheckAudioMatrix(tracks, row);
      media->setAudioTracks(tracks);
      break;
    }
    case TagEditorTable::Alternatives:
      if (source_.log) source_.log(QStringLiteral("New alternate selected for show"), 4);
      return false;
    default:
      return false;
  }
  // A rule may change other rows, and sorting moves them; the rows stay as many, so the
  // selection and the current cell stay where the user left them.
  emit dataChanged(this->index(0, 0), this->index(rowCount() - 1, columnCount() - 1));
  return true;
}

Qt::DropActions TagEditorTableModel::supportedDropActions() const {
  if (table_ == TagEditorTable::VideoJoin || table_ == TagEditorTable::Subtitles)
    return Qt::CopyAction | Qt::MoveAction | Qt::LinkAction;
  return Qt::IgnoreAction;
}

Qt::DropActions TagEditorTableModel::supportedDragActions() const {
  return table_ == TagEditorTable::VideoJoin ? Qt::MoveAction : Qt::IgnoreAction;
}

QStringList TagEditorTableModel::mimeTypes() const {
  QStringList types{QStringLiteral("text/uri-list")};
  if (table_ == TagEditorTable::VideoJoin) types << QString::fromLatin1(kVideoJoinTableRow);
  return types;
}

QMimeData* TagEditorTableModel::mimeData(const QModelIndexList& indexes) const {
  if (table_ != TagEditorTable::VideoJoin || indexes.isEmpty()) return nullptr;
  int first = indexes.first().row();
  for (const QModelIndex& index : indexes) first = std::min(first, index.row());
  auto* data = new QMimeData;
  data->setData(QString::fromLatin1(kVideoJoinTableRow), QByteArray::number(first));
  return data;
}

bool TagEditorTableModel::canDropMimeData(const QMimeData* data, Qt::DropAction, int, int,
                                          const QModelIndex&) const {
  if (table_ == TagEditorTable::VideoJoin) {
    if (source_.log) source_.log(QStringLiteral("VideoJoinTableView validateDrop called"), 3);
    return data->hasUrls() || data->hasFormat(QString::fromLatin1(kVideoJoinTableRow));
  }
  if (table_ == TagEditorTable::Subtitles) {
    if (source_.log) source_.log(QStringLiteral("SubtitlesTableView validateDrop called"), 3);
    return data->hasUrls();
  }
  return false;
}

bool TagEditorTableModel::dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                                       const QModelIndex& parent) {
  if (!canDropMimeData(data, action, row, column, parent) || !source_.dropped) return false;
  QStringList paths;
  for (const QUrl& url : data->urls())
    if (url.isLocalFile()) paths << url.toLocalFile();
  int dragged = -1;
  if (data->hasFormat(QString::fromLatin1(kVideoJoinTableRow)))
    dragged = data->data(QString::fromLatin1(kVideoJoinTableRow)).toInt();
  // A drop on a row lands before it; a drop below the rows appends.
  const int dropRow = row >= 0 ? row : (parent.isValid() ? parent.row() : rowCount());
  source_.dropped(table_, paths, dragged, dropRow);
  reload();
  return true;
}

TagEditorComboDelegate::TagEditorComboDelegate(QStringList items, QObject* parent)
    : QStyledItemDelegate(parent), items_(std::move(items)) {}

QWidget* TagEditorComboDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                              const QModelIndex&) const {
  auto* box = new QComboBox(parent);
  box->setEditable(true);
  box->setInsertPolicy(QComboBox::NoInsert);
  box->addItems(items_);
  return box;
}

void TagEditorComboDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
  static_cast<QComboBox*>(editor)->setCurrentText(index.data(Qt::EditRole).toString());
}

void TagEditorComboDelegate::setModelData(QWidget* editor, QAbstractItemModel* model,
                                          const QModelIndex& index) const {
  model->setData(index, static_cast<QComboBox*>(editor)->currentText(), Qt::EditRole);
}

}  // namespace zuvo
