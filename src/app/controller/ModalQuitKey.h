#pragma once
// The quit key while a modal window runs (the preferences, a folder chooser, the delete
// sheet): Qt gives the menu's key to no window a modal one blocks, nor to the modal one.
// The key ends every modal window as its Cancel does, innermost first, and then the
// quit runs on the event loop, once their runs have returned. GUI thread only.
#include <QObject>
#include <functional>

namespace zuvo {

class ModalQuitKey : public QObject {
 public:
  explicit ModalQuitKey(std::function<void()> quit, QObject* parent = nullptr);
  ~ModalQuitKey() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  std::function<void()> quit_;
};

}  // namespace zuvo
