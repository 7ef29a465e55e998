#include "convert/subtitles/BCSubtitle.h"

namespace zuvo {

BCSubtitle::Order BCSubtitle::compare(const BCSubtitle& other) const {
  if (totalsecondsstart_ < other.totalsecondsstart_) return Order::Ascending;
  if (totalsecondsstart_ > other.totalsecondsstart_) return Order::Descending;
  return Order::Same;
}

}  // namespace zuvo
