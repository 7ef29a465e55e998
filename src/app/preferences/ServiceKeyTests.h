#pragma once
// The Test buttons beside the service keys in the preferences: each asks its service
// about the key in its field, off the GUI thread, and says beside the button whether the
// service took it. GUI thread only.
#include <QObject>
#include <QPointer>
#include <functional>

#include "metadata/live/KeyTests.h"

class QLabel;
class QLineEdit;
class QPushButton;

namespace zuvo {

class ServiceKeyTests : public QObject {
 public:
  using Check = std::function<live::KeyTestAnswer(const QString& key, const QString& pin)>;

  struct Row {
    QString service;  // as the answer names it
    QLineEdit* key = nullptr;
    QLineEdit* pin = nullptr;  // none for a service without PINs
    QPushButton* test = nullptr;
    QLabel* answer = nullptr;
    Check check;
  };

  explicit ServiceKeyTests(QObject* parent = nullptr) : QObject(parent) {}
  // Connects the row's button; a press runs the check with the fields' texts.
  void add(const Row& row);

  // The answer's text for the user.
  static QString answerText(const QString& service, const live::KeyTestAnswer& check);

 private:
  void test(const Row& row);
};

}  // namespace zuvo
