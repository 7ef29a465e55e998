#include "app/tags/EpisodePickerWindow.h"

#include <gtest/gtest.h>

#include <QAbstractItemModel>
#include <QApplication>
#include <QButtonGroup>
#include <QDialog>
#include <QHeaderView>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTableView>
#include <QTest>
#include <QTimer>
#include <functional>

#include "app/support/WidgetApplication.h"
#include "media/MediaValues.h"
#include "metadata/LookUpFixtures.h"
#include "metadata/LookUpTestSupport.h"
#include "platform/RunLoop.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

// The cell texts of a table view, row by row.
QList<QStringList> cells(const QTableView* table) {
  QList<QStringList> rows;
  const QAbstractItemModel* model = table->model();
  for (int r = 0; r < model->rowCount(); ++r) {
    QStringList row;
    for (int c = 0; c < model->columnCount(); ++c) row << model->index(r, c).data().toString();
    rows << row;
  }
  return rows;
}

QStringList headings(const QTableView* table) {
  QStringList list;
  for (int c = 0; c < table->model()->columnCount(); ++c)
    list << table->model()->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString();
  return list;
}

class EpisodePickerWindowTest : public ServiceTest {
 protected:
  EpisodePickerWindowTest() {
    routeTwinPeaks(server);
    auto owned = std::make_unique<EpisodePickerWindow>(lookup);
    window = owned.get();
    lookup.setEpisodePickerPanel(std::move(owned));
    mainWindow.setGeometry(100, 80, 900, 640);
    mainWindow.show();
    lookup.setMainWindow(&mainWindow);
  }

  // Runs the picker; `user` acts once its panel is the modal window.
  void runPicker(const std::function<void(QDialog*)>& user) {
    bool acted = false;
    std::function<void()> poll = [&] {
      QDialog* panel = window->window();
      if (panel && panel->isVisible() && QApplication::activeModalWidget() == panel) {
        acted = true;
        user(panel);
      } else {
        QTimer::singleShot(20, poll);
      }
    };
    QTimer::singleShot(20, poll);
    lookup.RunEpisodePicker(item);
    EXPECT_TRUE(acted) << "the panel never ran modally";
  }
  template <class W>
  static W* child(QDialog* panel, const char* name) {
    W* w = panel->findChild<W*>(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }

  BCLookUpShow lookup{cache, "en", true, reporter};
  EpisodePickerWindow* window = nullptr;
  QMainWindow mainWindow;
  MediaFilePtr item = twinPeaksItem();
};

TEST_F(EpisodePickerWindowTest, ShowsTheEpisodesInColumnsAndTheRadioGroupFiltersThem) {
  EXPECT_EQ(window->window(), nullptr) << "nothing is built before the first use";
  runPicker([&](QDialog* panel) {
    auto* table = child<QTableView>(panel, "EpisodePickerTableView");
    auto* all = child<QRadioButton>(panel, "EpisodePickerAllEpisodes");
    auto* matching = child<QRadioButton>(panel, "EpisodePickerMatchingEpisodes");
    EXPECT_EQ(child<QLabel>(panel, "EpisodePickerTextField")->text(),
              "Please select the correct episode for Twin.Peaks.S01E02.avi");
    EXPECT_TRUE(child<QWidget>(panel, "EpisodePickerMatrix")->isAncestorOf(all));
    EXPECT_TRUE(all->isChecked());
    EXPECT_FALSE(matching->isChecked());
    EXPECT_EQ(all->group(), matching->group()) << "one radio group";
    EXPECT_EQ(headings(table), QStringList({"Series", "Season", "Episode", "Episode Name", "Match"}));
    EXPECT_EQ(cells(table),
              QList<QStringList>({{"Twin Peaks", "1", "1", "Pilot", "0"},
                                  {"Twin Peaks", "1", "2", "Traces to Nowhere", "10"},
                                  {"Twin Peaks", "1", "3", "Zen, or the Skill to Catch a Killer", "0"},
                                  {"Twin Peaks", "2", "1", "May the Giant Be with You", "0"},
                                  {"Twin Peaks", "2", "2", "Coma & Co", "0"}}));
    EXPECT_EQ(window->selectedRow(), 1) << "the best match starts chosen";
    const QPoint a = panel->frameGeometry().center(), b = mainWindow.frameGeometry().center();
    EXPECT_LE((a - b).manhattanLength(), 2) << "centred on the main window";

    matching->click();
    EXPECT_EQ(cells(table), QList<QStringList>({{"Twin Peaks", "1", "2", "Traces to Nowhere", "10"}}));
    all->click();
    EXPECT_EQ(table->model()->rowCount(), 5);

    table->selectRow(4);
    child<QPushButton>(panel, "EpisodePickerOKButton")->click();
  });
  EXPECT_FALSE(window->window()->isVisible());
  EXPECT_FALSE(lookup.pickerrunning());
  EXPECT_EQ(lookup.pickerShow(), item);
  EXPECT_EQ(item->episodename(), "Coma & Co");
  EXPECT_EQ(item->season(), 2u);
  EXPECT_EQ(item->show(), 2u);
  EXPECT_TRUE(item->selected());
  EXPECT_EQ(item->reasonfordeselection(), DeselectionReason::None);
  EXPECT_TRUE(runloop::waitUntil([&] { return mainWindow.isActiveWindow(); }, 2, 10))
      << "the main window comes forward";
}

// OK takes the row that starts chosen: the best match, the first of equal ones, in view in a
// long list, so that OK or Enter without a look at the table keeps the episode the name gave.
TEST_F(EpisodePickerWindowTest, OKOrEnterWithoutAChoiceTakesTheBestMatch) {
  QByteArray episodes =
      "<?xml version=\"1.0\" encoding=\"UTF-8\" ?>\n<Show>\n<name>Long Run</name>\n<Episodelist>\n"
      "<Season no=\"1\">\n";
  for (int n = 1; n <= 60; ++n) {
    const QByteArray title = n == 1    ? "Pilot"
                             : n == 4  ? "The Falls"  // a partial match, early
                             : n == 46 ? "The Fire"
                             : n == 51 ? "The Fire Returns"  // as good a match, later
                                       : "Episode " + QByteArray::number(n);
    episodes += "<episode><epnum>" + QByteArray::number(n) + "</epnum><seasonnum>" + QByteArray::number(n) +
                "</seasonnum><title>" + title + "</title></episode>\n";
  }
  episodes += "</Season>\n</Episodelist>\n</Show>\n";
  server.route(
      tvRageSearchTarget("long%20run"),
      xmlAnswer("<Results>\n<show>\n<showid>777</showid>\n<name>Long Run</name>\n</show>\n</Results>\n"));
  server.route(tvRageEpisodesTarget(777), xmlAnswer(episodes));

  const struct {
    const char* what;
    std::function<void(MediaFile&)> name;
    int bestRow;
    std::function<void(QDialog*)> ok;
    const char* episodeName;
    quint32 episode;
  } cases[] = {
      {"OK, two episodes with one match", [](MediaFile&) {}, 1,
       [&](QDialog* panel) { child<QPushButton>(panel, "EpisodePickerOKButton")->click(); },
       "Traces to Nowhere", 2},
      {"Enter, far down a long season",
       [](MediaFile& m) {
         m.setFilename("Long.Run.S01E46.mkv");
         m.setSeriesname("Long Run");
         m.setEpisodename("The Fire");
         m.setShow(46);
       },
       45,
       [](QDialog* panel) {
         QTest::keyClick(panel->focusWidget() ? panel->focusWidget() : panel, Qt::Key_Return);
       },
       "The Fire", 46},
  };
  for (const auto& c : cases) {
    item = twinPeaksItem();
    c.name(*item);
    runPicker([&](QDialog* panel) {
      auto* table = child<QTableView>(panel, "EpisodePickerTableView");
      EXPECT_EQ(window->selectedRow(), c.bestRow) << c.what;
      const QRect row = table->visualRect(table->model()->index(c.bestRow, 0));
      EXPECT_TRUE(table->viewport()->rect().contains(row)) << c.what << ": the chosen row is in view";
      c.ok(panel);
    });
    EXPECT_FALSE(window->window()->isVisible()) << c.what;
    EXPECT_EQ(item->episodename(), c.episodeName) << c.what;
    EXPECT_EQ(item->season(), 1u) << c.what;
    EXPECT_EQ(item->show(), c.episode) << c.what;
    EXPECT_TRUE(item->selected()) << c.what;
  }
}

TEST_F(EpisodePickerWindowTest, CancelTheCloseBoxAndOKWithoutARowChooseNothing) {
  const struct {
    const char* what;
    std::function<void(QDialog*)> user;
  } cases[] = {
      {"Cancel", [&](QDialog* panel) { child<QPushButton>(panel, "EpisodePickerCancelButton")->click(); }},
      {"close box", [](QDialog* panel) { panel->reject(); }},
      {"OK without a row",
       [&](QDialog* panel) {
         child<QTableView>(panel, "EpisodePickerTableView")->clearSelection();
         EXPECT_EQ(window->selectedRow(), -1);
         child<QPushButton>(panel, "EpisodePickerOKButton")->click();
       }},
  };
  for (const auto& c : cases) {
    runPicker(c.user);
    EXPECT_FALSE(window->window()->isVisible()) << c.what;
    expectNothingChosen(lookup, *item, c.what);
  }
  // The window is reused and starts again on every episode.
  runPicker([&](QDialog* panel) {
    EXPECT_TRUE(child<QRadioButton>(panel, "EpisodePickerAllEpisodes")->isChecked());
    child<QTableView>(panel, "EpisodePickerTableView")->selectRow(1);
    child<QPushButton>(panel, "EpisodePickerOKButton")->click();
  });
  EXPECT_EQ(item->episodename(), "Traces to Nowhere");
}

TEST_F(EpisodePickerWindowTest, ASeriesWithoutEpisodesShowsTheAlertInstead) {
  server.route(tvRageSearchTarget("peaks%20and%20valleys"), xmlAnswer("<Results>\n</Results>\n"));
  server.route(tvRageEpisodesTarget(0), xmlAnswer("<Show>\n</Show>\n"));
  item->setSeriesname("Peaks and Valleys");
  QString shown;
  QString title;
  std::function<void()> poll = [&] {
    QWidget* modal = QApplication::activeModalWidget();
    if (auto* text = modal ? modal->findChild<QLabel*>("AlertTextField") : nullptr) {
      shown = text->text();
      title = modal->windowTitle();
      modal->findChild<QPushButton*>("CloseAlertPanelButton")->click();
    } else {
      QTimer::singleShot(20, poll);
    }
  };
  QTimer::singleShot(20, poll);
  lookup.RunEpisodePicker(item);
  EXPECT_EQ(shown,
            "Unable to find a series with the name Peaks and Valleys. Try and use the Search button to find "
            "the right "
            "series name.");
  EXPECT_EQ(title, "Zuvo Alert");
  EXPECT_EQ(window->window() ? window->window()->isVisible() : false, false);
  EXPECT_FALSE(lookup.pickerrunning());
  EXPECT_EQ(lookup.pickerShow(), nullptr);
}

}  // namespace
