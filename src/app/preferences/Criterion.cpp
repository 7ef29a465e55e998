#include "app/preferences/Criterion.h"

namespace zuvo {

Criterion::Criterion(const QString& name, bool textField, QList<CriterionPtr> children)
    : name_(name), textField_(textField), children_(std::move(children)) {}

CriterionPtr Criterion::criterionWithName(const QString& name, QList<CriterionPtr> children) {
  return CriterionPtr(new Criterion(name, false, std::move(children)));
}

CriterionPtr Criterion::textFieldCriterion(QList<CriterionPtr> children) {
  return CriterionPtr(new Criterion(QString(), true, std::move(children)));
}

QString Criterion::displayValue() const {
  if (textField_) return QString();
  return name_.isNull() ? QStringLiteral("No Data") : name_;
}

QString Criterion::description() const {
  return QStringLiteral("Criterion %1").arg(textField_ ? QStringLiteral("<text field>") : displayValue());
}

namespace {

CriterionPtr named(const char* name, QList<CriterionPtr> children = {}) {
  return Criterion::criterionWithName(QString::fromUtf8(name), std::move(children));
}

QList<CriterionPtr> mediaTypes() { return {named("Movie"), named("TV Show"), named("Home Movie")}; }

}  // namespace

const QList<CriterionPtr>& newIfCriteria() {
  static const QList<CriterionPtr> roots{named(
      "", {named("Media Type", {named("is", mediaTypes())}),
           named("Filename", {named("contains", {Criterion::textFieldCriterion()})}),
           named("Source Folder", {named("is", {Criterion::textFieldCriterion()})}),
           named("Video Height", {named("is greater than or equal to", {Criterion::textFieldCriterion()}),
                                  named("is less than or equal to ", {Criterion::textFieldCriterion()})})})};
  return roots;
}

const QList<CriterionPtr>& newThenCriteria() {
  static const QList<CriterionPtr> roots{named(
      "Change",
      {named("Media Type", {named("to", mediaTypes())}),
       named("Show/Movie Name", {named("to", {Criterion::textFieldCriterion()})}),
       named("TVDB/MovieDB ID", {named("to", {Criterion::textFieldCriterion()})}),
       named("Destination Folder", {named("to", {Criterion::textFieldCriterion()})}),
       named("Conversion Quality", {named("to", {named("Normal"), named("High"), named("Highest")})}),
       named("Artwork", {named("to", {Criterion::textFieldCriterion()})}),
       named("HD Flag", {named("to", {named("Set"), named("Not Set")})}), named("To 16:9 Aspect Ratio")})};
  return roots;
}

}  // namespace zuvo
