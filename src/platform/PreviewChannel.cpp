#include "platform/PreviewChannel.h"

#include <cstddef>
#include <cstring>

namespace zuvo::previewchannel {

sockaddr_un socketAddress(const QByteArray& name, socklen_t* length) {
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  // sun_path[0] stays 0: the abstract namespace.
  const size_t n = std::min(static_cast<size_t>(name.size()), sizeof(address.sun_path) - 1);
  std::memcpy(address.sun_path + 1, name.constData(), n);
  *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + 1 + n);
  return address;
}

QByteArray sharedMemoryName(const QByteArray& name) { return "/" + name; }

}  // namespace zuvo::previewchannel
