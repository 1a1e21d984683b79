// The decoder's messages: fields as text, descriptors passed beside them.
#include "images/decoder_protocol.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

namespace zorl {

void Fields::Set(const std::string& key, const std::string& value) {
  std::string v = value;
  for (char& c : v)
    if (c == '\n' || c == '\r') c = ' ';
  map_[key] = v;
}

void Fields::Set(const std::string& key, long long value) {
  map_[key] = std::to_string(value);
}

void Fields::SetNumber(const std::string& key, double value) {
  char text[40];
  std::snprintf(text, sizeof text, "%.17g", value);
  map_[key] = text;
}

void Fields::Set(const std::string& key, const std::optional<double>& value) {
  if (value) SetNumber(key, *value);
}

std::string Fields::Text(const std::string& key) const {
  auto it = map_.find(key);
  return it == map_.end() ? std::string() : it->second;
}

long long Fields::Whole(const std::string& key) const {
  std::string t = Text(key);
  char* end = nullptr;
  errno = 0;
  long long v = std::strtoll(t.c_str(), &end, 10);
  return t.empty() || *end || errno ? 0 : v;
}

std::optional<double> Fields::Number(const std::string& key) const {
  if (!Has(key)) return std::nullopt;
  std::string t = Text(key);
  char* end = nullptr;
  double v = std::strtod(t.c_str(), &end);
  if (t.empty() || *end) return std::nullopt;
  return v;
}

std::string Fields::Format() const {
  std::string out;
  for (const auto& [key, value] : map_) out += key + " " + value + "\n";
  return out;
}

Fields Fields::Parse(const std::string& text) {
  Fields f;
  std::size_t at = 0;
  while (at < text.size()) {
    std::size_t end = text.find('\n', at);
    if (end == std::string::npos) end = text.size();
    std::string line = text.substr(at, end - at);
    std::size_t gap = line.find(' ');
    if (gap != std::string::npos)
      f.map_[line.substr(0, gap)] = line.substr(gap + 1);
    at = end + 1;
  }
  return f;
}

void PutFacts(const PixelFacts& facts, Fields* f) {
  f->Set("signed", facts.isSigned ? 1 : 0);
  f->Set("bits_stored", facts.bitsStored);
  f->Set("photometric", facts.photometric);
  f->Set("rescale_slope", facts.rescaleSlope);
  f->Set("rescale_intercept", facts.rescaleIntercept);
  f->Set("window_center", facts.windowCenter);
  f->Set("window_width", facts.windowWidth);
  f->Set("frames", facts.frames);
  f->Set("frame", facts.frame);
  f->Set("instance_number", facts.instanceNumber);
  f->Set("slice_position", facts.slicePosition);
}

PixelFacts TakeFacts(const Fields& f) {
  PixelFacts facts;
  facts.isSigned = f.Whole("signed") != 0;
  facts.bitsStored = static_cast<int>(f.Whole("bits_stored"));
  facts.photometric = f.Text("photometric");
  facts.rescaleSlope = f.Number("rescale_slope");
  facts.rescaleIntercept = f.Number("rescale_intercept");
  facts.windowCenter = f.Number("window_center");
  facts.windowWidth = f.Number("window_width");
  facts.frames = f.Whole("frames");
  facts.scan = true;
  facts.frame = f.Whole("frame");
  facts.instanceNumber = f.Number("instance_number");
  facts.slicePosition = f.Number("slice_position");
  return facts;
}

bool SendMessage(int sock, const std::string& text, int fd) {
  iovec iov{const_cast<char*>(text.data()), text.size()};
  msghdr msg{};
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  if (fd >= 0) {
    msg.msg_control = control;
    msg.msg_controllen = sizeof control;
    cmsghdr* c = CMSG_FIRSTHDR(&msg);
    c->cmsg_level = SOL_SOCKET;
    c->cmsg_type = SCM_RIGHTS;
    c->cmsg_len = CMSG_LEN(sizeof(int));
    std::memcpy(CMSG_DATA(c), &fd, sizeof fd);
  }
  ssize_t n;
  do n = sendmsg(sock, &msg, MSG_NOSIGNAL);
  while (n < 0 && errno == EINTR);
  return n == static_cast<ssize_t>(text.size());
}

bool ReceiveMessage(int sock, std::string* text, int* fd) {
  *fd = -1;
  std::vector<char> buffer(kMostMessage);
  iovec iov{buffer.data(), buffer.size()};
  msghdr msg{};
  msg.msg_iov = &iov;
  msg.msg_iovlen = 1;
  alignas(cmsghdr) char control[CMSG_SPACE(sizeof(int))] = {};
  msg.msg_control = control;
  msg.msg_controllen = sizeof control;
  ssize_t n;
  do n = recvmsg(sock, &msg, MSG_CMSG_CLOEXEC);
  while (n < 0 && errno == EINTR);
  for (cmsghdr* c = CMSG_FIRSTHDR(&msg); n >= 0 && c; c = CMSG_NXTHDR(&msg, c))
    if (c->cmsg_level == SOL_SOCKET && c->cmsg_type == SCM_RIGHTS &&
        c->cmsg_len == CMSG_LEN(sizeof(int)))
      std::memcpy(fd, CMSG_DATA(c), sizeof *fd);
  if (n <= 0 || (msg.msg_flags & (MSG_TRUNC | MSG_CTRUNC))) {
    if (*fd >= 0) close(*fd);
    *fd = -1;
    return false;
  }
  text->assign(buffer.data(), static_cast<std::size_t>(n));
  return true;
}

int MakeSharedBytes(std::size_t n, char** at) {
  int fd = memfd_create("zorl-decoded", MFD_CLOEXEC);
  if (fd < 0) return -1;
  if (ftruncate(fd, static_cast<off_t>(n + 1)) != 0) {
    close(fd);
    return -1;
  }
  // Populated at once: the pages are all written next, and one call
  // costs less than a fault on each.
  int flags = MAP_SHARED;
#ifdef MAP_POPULATE
  flags |= MAP_POPULATE;
#endif
  void* p = mmap(nullptr, n + 1, PROT_READ | PROT_WRITE, flags, fd, 0);
  if (p == MAP_FAILED) {
    int saved = errno;
    close(fd);
    errno = saved;
    return -1;
  }
  *at = static_cast<char*>(p);
  return fd;
}

void UnmapSharedBytes(char* at, std::size_t n) { munmap(at, n + 1); }

int KeptSharedBytes(std::size_t n, char** at) {
  static int fd = -1;
  static char* mapped = nullptr;
  static std::size_t size = 0;
  if (n > size) {
    if (mapped) munmap(mapped, size);
    mapped = nullptr;
    size = 0;
    if (fd < 0) fd = memfd_create("zorl-reply", MFD_CLOEXEC);
    if (fd < 0 || ftruncate(fd, static_cast<off_t>(n)) != 0) return -1;
    void* p = mmap(nullptr, n, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    if (p == MAP_FAILED) return -1;
    mapped = static_cast<char*>(p);
    size = n;
  }
  *at = mapped;
  return fcntl(fd, F_DUPFD_CLOEXEC, 0);
}

int SharedFileWith(const char* bytes, std::size_t n, std::size_t size) {
  int fd = memfd_create("zorl-bytes", MFD_CLOEXEC);
  if (fd < 0) return -1;
  bool ok = ftruncate(fd, static_cast<off_t>(size)) == 0;
  for (std::size_t at = 0; ok && at < n;) {
    ssize_t put = pwrite(fd, bytes + at, n - at, static_cast<off_t>(at));
    if (put < 0 && errno == EINTR) continue;
    ok = put > 0;
    if (ok) at += static_cast<std::size_t>(put);
  }
  if (!ok) {
    int saved = errno;
    close(fd);
    errno = saved;
    return -1;
  }
  return fd;
}

int SharedFileOf(const std::string& bytes) {
  return SharedFileWith(bytes.data(), bytes.size(), bytes.size());
}

}  // namespace zorl
