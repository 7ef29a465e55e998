#pragma once
// The tag editor's seven tables as models over the item being edited: every edit goes
// straight into the item. The editor answers what the rows need (the item, the
// chapter-titles list). GUI thread only.
#include <QAbstractTableModel>
#include <QStringList>
#include <QStyledItemDelegate>
#include <functional>

#include "media/MediaFile.h"

namespace zuvo {

enum class TagEditorTable {
  Chapters,
  ChapterTitles,
  AlternativeChapters,
  Alternatives,
  Subtitles,
  VideoJoin,
  AudioStreams
};

// What a table model reads from its editor.
struct TagEditorSource {
  std::function<MediaFilePtr()> show;
  std::function<QStringList()> chapterTitles;
  std::function<void(const QString&, int)> log;
  // A drop of file paths on the subtitle or join table (the join table also gets the
  // dragged row and the drop row, else -1).
  std::function<void(TagEditorTable, const QStringList&, int draggedRow, int dropRow)> dropped;
};

class TagEditorTableModel : public QAbstractTableModel {
 public:
  TagEditorTableModel(TagEditorTable table, TagEditorSource source, QObject* parent = nullptr);

  static QStringList columnIdentifiers(TagEditorTable table);
  // The heading a column shows.
  static QString columnTitle(TagEditorTable table, const QString& identifier);
  TagEditorTable table() const { return table_; }
  void reload();

  int rowCount(const QModelIndex& parent = {}) const override;
  int columnCount(const QModelIndex& parent = {}) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  Qt::DropActions supportedDropActions() const override;
  Qt::DropActions supportedDragActions() const override;
  QStringList mimeTypes() const override;
  QMimeData* mimeData(const QModelIndexList& indexes) const override;
  bool canDropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                       const QModelIndex& parent) const override;
  bool dropMimeData(const QMimeData* data, Qt::DropAction action, int row, int column,
                    const QModelIndex& parent) override;

 private:
  QString identifier(int column) const { return columns_.value(column); }
  QVariant display(int row, const QString& column) const;

  TagEditorTable table_;
  TagEditorSource source_;
  QStringList columns_;
};

// A combo box over the cells of one column: the language names or the encodings.
class TagEditorComboDelegate : public QStyledItemDelegate {
 public:
  TagEditorComboDelegate(QStringList items, QObject* parent = nullptr);
  QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                        const QModelIndex& index) const override;
  void setEditorData(QWidget* editor, const QModelIndex& index) const override;
  void setModelData(QWidget* editor, QAbstractItemModel* model, const QModelIndex& index) const override;

 private:
  QStringList items_;
};

// The mime type of a dragged join row.
inline constexpr const char* kVideoJoinTableRow = "application/x-zuvo-VideoJoinTableRow";

}  // namespace zuvo
