#pragma once
// The helper's command line read as an argument domain: "-name value" pairs in any order;
// an absent option reads as 0, no string or NO.
#include <QHash>
#include <QStringList>
#include <optional>

namespace zuvo::helper264 {

class HelperOptions {
 public:
  explicit HelperOptions(const QStringList& arguments);  // without the program name

  std::optional<QString> string(const QString& key) const;
  int integer(const QString& key) const;
  bool boolean(const QString& key) const;

 private:
  QHash<QString, QString> values_;
};

}  // namespace zuvo::helper264
