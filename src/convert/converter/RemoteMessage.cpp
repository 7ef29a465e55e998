// The converter's notice to the controller.
#include "convert/converter/BCConverter.h"
#include "platform/NotificationCenter.h"

namespace zuvo {

void BCConverter::sendRemoteMessage(const QString& title, const QString& description, qint32 type,
                                    bool sticky) {
  NotificationCenter::defaultCenter().post(
      QStringLiteral("RemoteReport"), this,
      {{"Title", title}, {"Description", description}, {"Type", type}, {"Sticky", sticky}});
}

}  // namespace zuvo
