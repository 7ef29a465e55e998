#include "app/tags/EpisodePickerWindow.h"

#include <QDialog>
#include <QItemSelectionModel>
#include <QTableView>

#include "app/notices/ApplicationIcon.h"
#include "app/panels/PanelPlacement.h"
#include "ui_LookUpShow.h"

namespace zuvo {
namespace {

constexpr const char* kAlertTitle = "Zuvo Alert";

struct ColumnHeading {
  const char* identifier;
  const char* heading;
};
constexpr ColumnHeading kColumns[] = {
    {"SeriesName", "Series"},        {"SeasonNumber", "Season"}, {"ShowNumber", "Episode"},
    {"EpisodeName", "Episode Name"}, {"Match", "Match"},
};
constexpr int kColumnCount = static_cast<int>(std::size(kColumns));
constexpr int kMatchColumn = kColumnCount - 1;
static_assert(kColumns[kMatchColumn].identifier[0] == 'M', "the match is the last column");

QWidget* widgetOf(QObject* window) { return qobject_cast<QWidget*>(window); }

}  // namespace

int EpisodePickerModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : lookup_.numberOfRowsInTableView(PickerTable::EpisodePicker);
}

int EpisodePickerModel::columnCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : kColumnCount;
}

QVariant EpisodePickerModel::data(const QModelIndex& index, int role) const {
  if (role != Qt::DisplayRole || !index.isValid() || index.column() >= kColumnCount) return {};
  return lookup_.objectValueForTableColumn(
      PickerTable::EpisodePicker, QString::fromLatin1(kColumns[index.column()].identifier), index.row());
}

QVariant EpisodePickerModel::headerData(int section, Qt::Orientation orientation, int role) const {
  if (role != Qt::DisplayRole || orientation != Qt::Horizontal || section < 0 || section >= kColumnCount)
    return {};
  return QString::fromLatin1(kColumns[section].heading);
}

void EpisodePickerModel::reload() {
  beginResetModel();
  endResetModel();
}

EpisodePickerWindow::EpisodePickerWindow(BCLookUpShow& lookup) : lookup_(lookup) {}

EpisodePickerWindow::~EpisodePickerWindow() = default;

QDialog* EpisodePickerWindow::loadedWindow() const {
  if (window_) return window_.get();
  window_ = std::make_unique<QDialog>();
  ui_ = std::make_unique<::Ui::LookUpShow>();
  ui_->setupUi(window_.get());
  window_->setWindowModality(Qt::ApplicationModal);
  model_ = std::make_unique<EpisodePickerModel>(lookup_);
  ui_->EpisodePickerTableView->setModel(model_.get());
  matrix_ = std::make_unique<QButtonGroup>();
  matrix_->addButton(ui_->EpisodePickerAllEpisodes, 0);
  matrix_->addButton(ui_->EpisodePickerMatchingEpisodes, 1);
  ui_->EpisodePickerAllEpisodes->setChecked(true);

  BCLookUpShow* lookup = &lookup_;
  QObject::connect(matrix_.get(), &QButtonGroup::idClicked, window_.get(),
                   [lookup](int) { lookup->EpisodePickerMatrixPress(); });
  QObject::connect(ui_->EpisodePickerOKButton, &QPushButton::clicked, window_.get(),
                   [lookup] { lookup->EpisodePickerOKButtonPressed(); });
  QObject::connect(ui_->EpisodePickerCancelButton, &QPushButton::clicked, window_.get(),
                   [lookup] { lookup->EpisodePickerCancelButtonPressed(); });
  // Escape and the window's close box cancel; the buttons end the run as accepted.
  QObject::connect(window_.get(), &QDialog::rejected, window_.get(),
                   [lookup] { lookup->EpisodePickerCancelButtonPressed(); });
  return window_.get();
}

int EpisodePickerWindow::selectedMatrixColumn() const {
  loadedWindow();
  return matrix_->checkedId() < 0 ? 0 : matrix_->checkedId();
}

void EpisodePickerWindow::selectMatrixCell(int /*row*/, int column) {
  loadedWindow();
  if (QAbstractButton* cell = matrix_->button(column)) cell->setChecked(true);
}

void EpisodePickerWindow::reloadData() {
  loadedWindow();
  model_->reload();
  // OK takes the chosen row, so start on the best match (the first of equals), not on
  // whatever episode happens to come first.
  int best = -1;
  for (int row = 0; row < model_->rowCount(); ++row) {
    if (best < 0 ||
        model_->index(row, kMatchColumn).data().toInt() > model_->index(best, kMatchColumn).data().toInt())
      best = row;
  }
  if (best < 0) return;
  QTableView* table = ui_->EpisodePickerTableView;
  table->selectRow(best);
  table->scrollTo(model_->index(best, 0));
}

int EpisodePickerWindow::selectedRow() const {
  if (!window_) return -1;
  const QModelIndexList rows = ui_->EpisodePickerTableView->selectionModel()->selectedRows();
  return rows.isEmpty() ? -1 : rows.first().row();
}

void EpisodePickerWindow::runModal(const QString& prompt, QObject* mainWindow) {
  QDialog* panel = loadedWindow();
  ui_->EpisodePickerTextField->setText(prompt);
  QWidget* over = widgetOf(mainWindow);
  keepAbove(panel, over);
  panel->show();
  centreWindowOnWindow(panel, over);
  bringWindowForward(panel);
  panel->exec();
}

void EpisodePickerWindow::stopModal(QObject* mainWindow) {
  if (window_) window_->accept();
  bringWindowForward(widgetOf(mainWindow));
}

void EpisodePickerWindow::showAlert(const QString& message, QObject* mainWindow) {
  if (!myAlertPanel) {
    myAlertPanel = std::make_unique<BCAlertPanel>(QString::fromLatin1(kAlertTitle));
    myAlertPanel->setImage(applicationIcon());
  }
  myAlertPanel->ShowAlertPanel(message, widgetOf(mainWindow));
}

}  // namespace zuvo
