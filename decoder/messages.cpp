// What every job shares: the library's messages and the reply's bytes.
#include <unistd.h>

#include <cstring>

#include "decoder/jobs.h"

namespace zorl {

std::ostringstream& LibraryMessages() {
  static std::ostringstream messages;
  return messages;
}

bool ReplyBytes(const char* bytes, std::size_t n, Fields* reply, int* replyFd) {
  int fd = SharedFileWith(bytes, n, n + 1);
  if (fd < 0) return false;
  *replyFd = fd;
  reply->Set("bytes", static_cast<long long>(n));
  return true;
}

}  // namespace zorl
