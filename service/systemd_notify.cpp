// systemd's notification protocol, written out rather than taken from libsystemd: it is
// one datagram of "KEY=value" lines to a socket named by the environment, documented as
// stable (sd_notify(3)), and the generic launcher then needs no library that a system
// without systemd lacks.
#include "service/systemd_notify.h"

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cerrno>
#include <cstddef>
#include <cstring>

#include "core/trace.h"
#include "platform/environment.h"

void NotifyServiceManager(const char* state) {
  const char* name = ReadEnvironmentVariable("NOTIFY_SOCKET");
  if (name == nullptr || name[0] == '\0') return;
  sockaddr_un address{};
  address.sun_family = AF_UNIX;
  const std::size_t length = std::strlen(name);
  if ((name[0] != '/' && name[0] != '@') || length >= sizeof address.sun_path) {
    Trace("service manager: NOTIFY_SOCKET \"%s\" is not a socket this launcher can reach", name);
    return;
  }
  std::memcpy(address.sun_path, name, length);
  // An abstract socket's name starts with a zero byte and has no terminator.
  if (name[0] == '@') address.sun_path[0] = '\0';
  const socklen_t size = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + length);
  const int socket_fd = socket(AF_UNIX, SOCK_DGRAM | SOCK_CLOEXEC, 0);
  if (socket_fd < 0) {
    Trace("service manager: no socket for %s: %s", state, std::strerror(errno));
    return;
  }
  const ssize_t sent = sendto(socket_fd, state, std::strlen(state), MSG_NOSIGNAL,
                              reinterpret_cast<const sockaddr*>(&address), size);
  if (sent < 0) {
    Trace("service manager: %s not sent to %s: %s", state, name, std::strerror(errno));
  } else {
    Trace("service manager: %s sent to %s", state, name);
  }
  close(socket_fd);
}
