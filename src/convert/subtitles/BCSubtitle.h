#pragma once
// One cue of an ASS file on its way to SubRip: its times as SubRip writes them, its text,
// and the keys it is sorted and merged by.
#include <QString>

namespace zuvo {

class BCSubtitle {
 public:
  enum class Order { Ascending, Same, Descending };

  QString starttime() const { return starttime_; }
  void setStarttime(const QString& value) { starttime_ = value; }
  QString endtime() const { return endtime_; }
  void setEndtime(const QString& value) { endtime_ = value; }
  QString subtitletext() const { return subtitletext_; }
  void setSubtitletext(const QString& value) { subtitletext_ = value; }
  qint32 totalsecondsstart() const { return totalsecondsstart_; }
  void setTotalsecondsstart(qint32 value) { totalsecondsstart_ = value; }
  qint32 totalsecondsend() const { return totalsecondsend_; }
  void setTotalsecondsend(qint32 value) { totalsecondsend_ = value; }

  // By start: ascending when this cue starts first.
  Order compare(const BCSubtitle& other) const;

 private:
  QString starttime_;
  QString endtime_;
  QString subtitletext_;
  qint32 totalsecondsstart_ = 0;
  qint32 totalsecondsend_ = 0;
};

}  // namespace zuvo
