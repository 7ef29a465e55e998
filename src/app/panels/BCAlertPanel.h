#pragma once
// The application's modal message box: a title, a message in plain or styled text, an
// image and one close button. Each owner makes one, with its title, and reuses it; the
// window is built at the first show. GUI thread only.
#include <QImage>
#include <QList>
#include <QObject>
#include <QPointer>
#include <QString>
#include <memory>

class QDialog;
class QWidget;
namespace Ui {
class BCAlertPanel;
}

namespace zuvo {

class BCAlertPanel : public QObject {
 public:
  explicit BCAlertPanel(const QString& title, QObject* parent = nullptr);
  ~BCAlertPanel() override;

  // Shows the message centred on `window` (on the screen when there is none) and
  // returns when the user has closed the alert; `window` then comes to the front.
  void ShowAlertPanel(const QString& message, QWidget* window);
  // As above with styled text (Qt rich text); the plain message becomes its characters.
  void ShowAlertPanelAS(const QString& styledMessage, QWidget* window);
  // Centred on the screen; the window brought forward on close stays the previous one.
  void ShowAlertPanel(const QString& message);
  // The close button: ends the modal run, hides the alert, brings its window forward.
  void CloseAlertPanelButtonPress();
  void setImage(const QImage& image);

  const QString& title() const { return title_; }
  const QString& message() const { return message_; }
  bool attributedmessage() const { return attributedmessage_; }
  const QImage& image() const { return image_; }
  // The alert's window once built, else null.
  QDialog* window() const { return window_.get(); }

 private:
  void windowDidLoad();
  QDialog* loadedWindow();
  void run(const QString& text, bool styled, QWidget* over);
  void runOne(const QString& text, bool styled, QWidget* over);

  QString title_;
  QString message_ = QStringLiteral("No message...");
  QString attmessage_;
  bool attributedmessage_ = false;
  bool firstrun_ = true;
  QImage image_;
  QPointer<QWidget> MainWindow;
  std::unique_ptr<QDialog> window_;
  std::unique_ptr<::Ui::BCAlertPanel> ui_;
  // Alerts raised while one is showing (from work its wait lets run): each gets its turn.
  struct Waiting {
    QString text;
    bool styled;
    QPointer<QWidget> over;
  };
  QList<Waiting> waiting_;
  bool showing_ = false;
};

}  // namespace zuvo
