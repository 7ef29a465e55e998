#pragma once
// The preferences window: ten panes behind a toolbar, run modally over the main window.
// Plain settings are bound to their controls (PreferenceBindings) and written as the user
// changes them; the converted controls, the video sources and the rules reach the store
// at OK. Cancel puts every setting the window edits back to its value when the window was
// filled; Reset gives them their registered defaults. GUI thread only.
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>
#include <functional>
#include <memory>
#include <optional>

#include "app/panels/BCAlertPanel.h"
#include "app/shared/Feed.h"
#include "media/BCCReporter.h"
#include "media/BCConversionRule.h"
#include "media/HelperInfo.h"
#include "platform/Defaults.h"

class QComboBox;
class QDialog;
class QGroupBox;
class QLabel;
class QLineEdit;
class QMimeData;
class QWidget;
namespace Ui {
class BCPreferencePanel;
}

namespace zuvo {

class RulesTableModel;
class ServiceKeyTests;

class BCPreferencePanel : public QObject {
 public:
  // What a file or folder chooser is asked for; the answer is the chosen paths, empty
  // when cancelled.
  enum class Choose { Folder, File };
  using Chooser = std::function<QStringList(Choose kind, QWidget* over)>;

  explicit BCPreferencePanel(const Reporter& reporter, QObject* parent = nullptr);
  ~BCPreferencePanel() override;

  // The controller's cache folder (what the cache flush walks) and where the answer of the
  // encoder check goes.
  void setCacheFolder(const QString& folder) { cacheFolder_ = folder; }
  void setHelperInfoSink(std::function<void(const HelperInfo&)> sink) { helperSink_ = std::move(sink); }
  // Replaces the desktop's file dialogs (tests).
  void setChooser(Chooser chooser) { chooser_ = std::move(chooser); }

  // Opens the window over `parentWindow` with pane 3 (video sources) or the devices pane,
  // and returns when the user has left it.
  void activatePanel(int pane, QWidget* parentWindow);
  // The window, loading the interface on the first call.
  QDialog* window();
  ::Ui::BCPreferencePanel& ui();
  bool firstrun() const { return firstrun_; }

  void fillPreferences();
  void updatePreferences();
  void UpdateButtonPressed();
  void CancelButtonPressed();
  void ResetButtonPressed();
  void ResetFileNaming();
  void hidePanel();

  void TimeStepperValueChanged(int value);
  void BitRateSlidersMoved();
  // `byWindow`: the summary only, as the window's own fill asks for it.
  void DevicesChanged(bool byWindow);
  void ChangeFASTMode();
  void ChangeShowDetails();
  void ScanForTurbo264();

  // Destinations.
  void SelectDestinationNotADirectory(QComboBox* popUp);
  void SelectDestinationDirectory(QComboBox* popUp);
  void updateDestinationStrings();

  void DirectoryForFilesUnderConversionButtonPress();
  void DirectoryForOriginalFilesButtonPress();
  void selectPostConversionAppleScript();
  // Asks before removing the cache files the look-ups saved in the cache folder, naming them.
  void FlushCacheButtonPress();

  // Panes.
  void setViewTab(QWidget* pane, bool animate);
  QWidget* shownPane() const { return shownPane_; }
  // The metadata plug-ins in the support folder, by name.
  QStringList pluginNames() const;

  // Video sources.
  const QList<Feed>& feeds() const { return feeds_; }
  void AddFeedButtonPress();
  void DeleteFeedButtonPress();
  void selectFeedPath(int row);

  // Rules.
  const QList<BCConversionRule>& rules() const { return rules_; }
  void AddRuleButtonPress();
  void DeleteRuleButtonPress();
  void rulesDropped(const QList<int>& dragged, int row);
  RulesTableModel& rulesModel() { return *rulesModel_; }

  BCAlertPanel& alertPanel() { return myAlertPanel_; }

 private:
  class Dialog;
  // One destination pop-up with its path field, the controls shown only for a folder and
  // its summary field (none for the default).
  struct Destination {
    QComboBox* popUp = nullptr;
    QLineEdit* pathField = nullptr;
    QList<QWidget*> folderControls;
    QLabel* summary = nullptr;
    SettingKey<QString> key{};
    SettingKey<bool> importKey{}, deleteKey{};
    bool isDefault = false;
    int folderItem() const { return isDefault ? 4 : 5; }
  };

  void load();
  void windowDidLoad();
  void connectControls();
  void reloadFeeds();
  void feedEdited(int row, int column);
  void fillLists();
  void fillDestination(const Destination& destination);
  void showFolderControls(const Destination& destination, bool shown);
  void writeSettingNow(SettingKey<QString> key, const QString& value);
  const Destination* destinationOf(QComboBox* popUp) const;
  QStringList choose(Choose kind);
  void takeInitialValues();
  void revertToInitialValues();
  void selectToolbarItem(QWidget* pane);
  bool confirmCacheFlush(const QStringList& doomed);

  Reporter bcreporter_;
  bool firstrun_ = true;
  QList<Feed> feeds_;
  QList<BCConversionRule> rules_;
  BCAlertPanel myAlertPanel_;
  QString cacheFolder_;
  std::function<void(const HelperInfo&)> helperSink_;
  Chooser chooser_;
  QPointer<QWidget> parentwindow_;
  std::unique_ptr<Dialog> window_;
  std::unique_ptr<::Ui::BCPreferencePanel> ui_;
  RulesTableModel* rulesModel_ = nullptr;
  ServiceKeyTests* keyTests_ = nullptr;
  QList<Destination> destinations_;
  QWidget* shownPane_ = nullptr;
  // Each edited key's user value when the window was filled; none where it had none.
  QList<std::pair<QString, std::optional<QVariant>>> initialValues_;
  bool hiding_ = false;
};

}  // namespace zuvo
