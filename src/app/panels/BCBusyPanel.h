#pragma once
// The non-modal "please wait" window: a message and an animated bar over the window
// that is busy. Each owner makes one, with its title; the window is built at the first
// show. GUI thread only.
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class QWidget;
namespace Ui {
class BCBusyPanel;
}

namespace zuvo {

class BCBusyPanel : public QObject {
 public:
  explicit BCBusyPanel(const QString& title, QObject* parent = nullptr);
  ~BCBusyPanel() override;

  // Shows the message centred on `parentwindow` (on the screen when there is none) and
  // returns at once.
  void activateBusyPanel(const QString& message, QWidget* parentwindow);
  // Hides the panel and brings the window it was shown over forward.
  void hideBusyPanel();

  const QString& message() const { return message_; }
  void setMessage(const QString& message) { message_ = message; }
  const QString& title() const { return title_; }
  // The panel's window once built, else null.
  QWidget* window() const { return window_.get(); }

 private:
  void windowDidLoad();
  QWidget* loadedWindow();

  QString title_;
  QString message_ = QStringLiteral("No message yet!");
  bool firstrun_ = true;
  QPointer<QWidget> parentwindow_;
  std::unique_ptr<QWidget> window_;
  std::unique_ptr<::Ui::BCBusyPanel> ui_;
};

}  // namespace zuvo
