#include <gtest/gtest.h>

#include <QObject>
#include <QThread>
#include <functional>

#include "media/MediaValues.h"
#include "metadata/BCLookUpShow.h"
#include "metadata/LookUpFixtures.h"
#include "metadata/LookUpTestSupport.h"

using namespace zuvo;
using namespace zuvo::test;

namespace {

// A panel that records what the look-up asks of it; `user` acts inside the modal run.
class RecordingPanel : public EpisodePickerPanel {
 public:
  int selectedMatrixColumn() const override { return column; }
  void selectMatrixCell(int, int c) override { column = c; }
  void reloadData() override { ++reloads; }
  int selectedRow() const override { return row; }
  void runModal(const QString& text, QObject* window) override {
    prompt = text;
    modalOver = window;
    ++modalRuns;
    if (user) user();
  }
  void stopModal(QObject*) override { ++stops; }
  void showAlert(const QString& message, QObject* window) override {
    alert = message;
    modalOver = window;
  }

  int column = 1;
  int row = -1;
  int reloads = 0;
  int modalRuns = 0;
  int stops = 0;
  QString prompt;
  QString alert;
  QObject* modalOver = nullptr;
  std::function<void()> user;
};

struct Row {
  QString title;
  int season;
  int episode;
  int match;
};

class EpisodePicker : public ServiceTest {
 protected:
  EpisodePicker() {
    routeTwinPeaks(server);
    auto owned = std::make_unique<RecordingPanel>();
    panel = owned.get();
    lookup.setEpisodePickerPanel(std::move(owned));
    lookup.setMainWindow(&mainWindow);
  }

  QList<Row> rows() const {
    QList<Row> list;
    for (int r = 0; r < lookup.numberOfRowsInTableView(PickerTable::EpisodePicker); ++r) {
      auto value = [&](const char* column) {
        return lookup.objectValueForTableColumn(PickerTable::EpisodePicker, column, r);
      };
      EXPECT_EQ(value("SeriesName").toString(), "Twin Peaks");
      list.append({value("EpisodeName").toString(), value("SeasonNumber").toInt(),
                   value("ShowNumber").toInt(), value("Match").toInt()});
    }
    return list;
  }

  BCLookUpShow lookup{cache, "en", true, reporter};
  RecordingPanel* panel = nullptr;
  QObject mainWindow;
  MediaFilePtr item = twinPeaksItem();
};

void expectRows(const QList<Row>& got, const QList<Row>& expected, const char* what) {
  ASSERT_EQ(got.size(), expected.size()) << what;
  for (qsizetype i = 0; i < expected.size(); ++i) {
    EXPECT_EQ(got[i].title, expected[i].title) << what << " row " << i;
    EXPECT_EQ(got[i].season, expected[i].season) << what << " row " << i;
    EXPECT_EQ(got[i].episode, expected[i].episode) << what << " row " << i;
    EXPECT_EQ(got[i].match, expected[i].match) << what << " row " << i;
  }
}

TEST_F(EpisodePicker, RowsListTheShowsEpisodesWithTheirScoresAndTheSecondColumnOnlyMatches) {
  lookup.setPickerrunning(true);  // the cells show only while the picker runs
  panel->column = 0;
  EXPECT_EQ(lookup.CreateEpisodePickerList("Twin Peaks", "Traces"), 0);
  expectRows(rows(),
             {{"Pilot", 1, 1, 0},
              {"Traces to Nowhere", 1, 2, 10},
              {"Zen, or the Skill to Catch a Killer", 1, 3, 0},
              {"May the Giant Be with You", 2, 1, 0},
              {"Coma & Co", 2, 2, 0}},
             "every episode");
  EXPECT_EQ(panel->reloads, 1);
  EXPECT_EQ(requests(), QStringList({tvRageSearchTarget("twin%20peaks"), tvRageEpisodesTarget(2204)}));

  panel->column = 1;
  lookup.EpisodePickerMatrixPress();
  expectRows(rows(), {{"Traces to Nowhere", 1, 2, 10}}, "matching episodes");
  EXPECT_EQ(panel->reloads, 2);
  EXPECT_TRUE(logged("Changing Episode Picker Radio Button", 4)) << log().toStdString();

  lookup.CreateEpisodePickerList("Twin Peaks", "Coffee");
  expectRows(rows(), {{"Coma & Co", 2, 2, 3}}, "another name");
}

TEST_F(EpisodePicker, TheDataSourceServesOnlyTheEpisodeTableAndOnlyWhileThePickerRuns) {
  lookup.CreateEpisodePickerList("Twin Peaks", "Pilot");
  ASSERT_EQ(lookup.numberOfRowsInTableView(PickerTable::EpisodePicker), 1);
  EXPECT_FALSE(lookup.objectValueForTableColumn(PickerTable::EpisodePicker, "EpisodeName", 0).isValid());
  lookup.setPickerrunning(true);
  const struct {
    PickerTable table;
    const char* column;
    int row;
    QVariant value;
  } cases[] = {
      {PickerTable::EpisodePicker, "EpisodeName", 0, QString("Pilot")},
      {PickerTable::EpisodePicker, "ShowNumber", 0, 1},
      {PickerTable::EpisodePicker, "Match", 0, 10},
      {PickerTable::EpisodePicker, "Airdate", 0, QString("No Data")},
      {PickerTable::EpisodePicker, "EpisodeName", 1, QString("No Data")},
      {PickerTable::ShowPicker, "EpisodeName", 0, QString("No Data")},
  };
  for (const auto& c : cases)
    EXPECT_EQ(lookup.objectValueForTableColumn(c.table, c.column, c.row), c.value)
        << c.column << " row " << c.row;
  EXPECT_EQ(lookup.numberOfRowsInTableView(PickerTable::ShowPicker), 0);
}

TEST_F(EpisodePicker, OKTakesTheChosenEpisodeIntoTheItemAndSelectsIt) {
  item->setEpisodename("");  // no name to match: every episode scores 0
  item->setReasonfordeselection(DeselectionReason::IncompleteTVShow);
  panel->user = [&] {
    EXPECT_TRUE(lookup.pickerrunning());
    EXPECT_EQ(panel->column, 0) << "the picker starts on every episode";
    EXPECT_EQ(lookup.numberOfRowsInTableView(PickerTable::EpisodePicker), 5);
    panel->row = 3;
    lookup.EpisodePickerOKButtonPressed();
  };
  lookup.RunEpisodePicker(item);

  EXPECT_EQ(panel->modalRuns, 1);
  EXPECT_EQ(panel->prompt, "Please select the correct episode for Twin.Peaks.S01E02.avi");
  EXPECT_EQ(panel->modalOver, &mainWindow);
  EXPECT_EQ(panel->stops, 1);
  EXPECT_FALSE(lookup.pickerrunning());
  EXPECT_EQ(lookup.pickerShow(), item);
  EXPECT_EQ(item->episodename(), "May the Giant Be with You");
  EXPECT_EQ(item->season(), 2u);
  EXPECT_EQ(item->show(), 1u);
  EXPECT_EQ(item->reasonfordeselection(), DeselectionReason::None);
  EXPECT_TRUE(item->selected());
}

TEST_F(EpisodePicker, CancelOrOKWithoutARowLeaveTheItemAndForgetIt) {
  const struct {
    const char* what;
    bool ok;
    int row;
  } cases[] = {{"Cancel", false, 2}, {"OK without a row", true, -1}, {"OK past the rows", true, 9}};
  for (const auto& c : cases) {
    panel->stops = 0;
    panel->user = [&] {
      panel->row = c.row;
      c.ok ? lookup.EpisodePickerOKButtonPressed() : lookup.EpisodePickerCancelButtonPressed();
    };
    lookup.RunEpisodePicker(item);
    EXPECT_EQ(panel->stops, 1) << c.what;
    expectNothingChosen(lookup, *item, c.what);
  }
}

TEST_F(EpisodePicker, ARunThatEndsWithoutTheButtonsChoosesNothing) {
  lookup.RunEpisodePicker(item);  // the user closed the window
  EXPECT_EQ(panel->modalRuns, 1);
  EXPECT_FALSE(lookup.pickerrunning());
  EXPECT_EQ(lookup.pickerShow(), nullptr);
  EXPECT_EQ(item->episodename(), "Traces");
}

TEST_F(EpisodePicker, AnUnknownSeriesShowsTheAlertAndAFailedFetchShowsNothing) {
  server.route(tvRageSearchTarget("lost%20in%20peaks"), xmlAnswer("<Results>\n</Results>\n"));
  server.route(tvRageEpisodesTarget(0), xmlAnswer("<Show>\n</Show>\n"));
  item->setSeriesname("Lost in Peaks");
  lookup.RunEpisodePicker(item);
  EXPECT_EQ(panel->alert,
            "Unable to find a series with the name Lost in Peaks. Try and use the Search button to find the "
            "right series "
            "name.");
  EXPECT_EQ(panel->modalOver, &mainWindow);
  EXPECT_EQ(panel->modalRuns, 0);
  EXPECT_FALSE(lookup.pickerrunning());
  EXPECT_EQ(lookup.pickerShow(), nullptr);

  panel->alert.clear();
  server.route(tvRageEpisodesTarget(0), errorAnswer(503));
  emptyCache(cache);
  EXPECT_EQ(lookup.CreateEpisodePickerList("Lost in Peaks", "x"), 1);
  lookup.RunEpisodePicker(item);
  EXPECT_TRUE(panel->alert.isEmpty());
  EXPECT_EQ(panel->modalRuns, 0);
  EXPECT_FALSE(lookup.pickerrunning());
  EXPECT_EQ(lookup.pickerShow(), nullptr);
}

TEST_F(EpisodePicker, OffTheMainThreadOrWithoutAWindowNobodyIsAskedAndNothingIsChosen) {
  BCLookUpShow windowless(cache, "en", true, reporter);
  windowless.RunEpisodePicker(item);
  EXPECT_FALSE(windowless.pickerrunning());
  EXPECT_EQ(windowless.pickerShow(), nullptr);

  // A probe thread: the panel is never touched there.
  std::unique_ptr<QThread> probe(QThread::create([&] { lookup.RunEpisodePicker(item); }));
  probe->start();
  ASSERT_TRUE(probe->wait(10000));
  EXPECT_EQ(panel->modalRuns + panel->reloads + panel->stops, 0);
  EXPECT_TRUE(panel->alert.isEmpty());
  EXPECT_FALSE(lookup.pickerrunning());
  EXPECT_EQ(lookup.pickerShow(), nullptr);
  EXPECT_EQ(item->episodename(), "Traces");
  EXPECT_TRUE(requests().isEmpty());
}

}  // namespace
