// Reading a file whole within a limit, and writing one whole or not at all
// (a temporary file beside the target, renamed onto it).
#include "engine/whole_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <new>

namespace zorl {

namespace {

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

bool FailErrno(std::string* error) { return Fail(error, FileReason(errno)); }

// Closes a descriptor on every path.
class Descriptor {
 public:
  explicit Descriptor(int fd) : fd_(fd) {}
  ~Descriptor() {
    if (fd_ >= 0) close(fd_);
  }
  Descriptor(const Descriptor&) = delete;
  Descriptor& operator=(const Descriptor&) = delete;
  int get() const { return fd_; }

 private:
  int fd_;
};

// Reads fd to its end into bytes, which may hold room already (expected
// bytes and one more, to see the end without growing).
bool ReadToEnd(int fd, long long limit, ZeroedBytes* bytes,
               std::string* error) {
  std::size_t n = 0;
  for (;;) {
    if (n == bytes->size()) {
      if (static_cast<long long>(n) > limit)
        return Fail(error, "more than " + std::to_string(limit) + " bytes");
      long long grow = n < 65536 ? 65536 : static_cast<long long>(n);
      long long size = static_cast<long long>(n) + grow;
      if (size > limit + 1) size = limit + 1;
      try {
        bytes->resize(static_cast<std::size_t>(size));
      } catch (const OverBudget&) {
        throw;
      } catch (const std::bad_alloc&) {
        return Fail(error, "no memory for " + std::to_string(size) + " bytes");
      }
    }
    ssize_t got = read(fd, bytes->data() + n, bytes->size() - n);
    if (got < 0 && errno == EINTR) continue;
    if (got < 0) return FailErrno(error);
    if (got == 0) break;
    n += static_cast<std::size_t>(got);
  }
  bytes->resize(n);
  return true;
}

// Follows symbolic links from path to the file they point to (which need
// not exist yet).
bool FollowLinks(std::string path, std::string* target, std::string* error) {
  for (int hops = 0; hops < 40; ++hops) {
    struct stat st;
    if (lstat(path.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
      *target = path;
      return true;
    }
    std::string link(static_cast<std::size_t>(st.st_size) + 1, '\0');
    ssize_t n = readlink(path.c_str(), &link[0], link.size());
    if (n < 0) return FailErrno(error);
    link.resize(static_cast<std::size_t>(n));
    std::size_t slash = path.rfind('/');
    if (link.empty() || link[0] == '/' || slash == std::string::npos)
      path = link;
    else
      path = path.substr(0, slash + 1) + link;
  }
  return Fail(error, FileReason(ELOOP));
}

// Writes through an open file and closes it; every step checked.
bool FillAndClose(std::FILE* f,
                  const std::function<bool(std::FILE*, std::string*)>& fill,
                  std::string* error) {
  error->clear();
  errno = 0;
  bool ok = fill(f, error);
  if (!ok && error->empty())
    *error = errno ? std::strerror(errno) : "cannot write";
  if (ok && (std::fflush(f) != 0 || std::ferror(f))) ok = FailErrno(error);
  if (std::fclose(f) != 0 && ok) ok = FailErrno(error);
  return ok;
}

mode_t NewFileMode() {
  mode_t mask = umask(0);
  umask(mask);
  return 0666 & ~mask;
}

}  // namespace

std::string FileReason(int errnum) {
  return errnum == ELOOP ? "a loop of symbolic links" : std::strerror(errnum);
}

bool ReadWholeFile(const std::string& path, long long limit, ZeroedBytes* bytes,
                   std::string* error) {
  // Not blocking: a named pipe is refused below rather than waited on.
  Descriptor fd(open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC));
  if (fd.get() < 0) return FailErrno(error);
  struct stat st;
  if (fstat(fd.get(), &st) != 0) return FailErrno(error);
  if (S_ISDIR(st.st_mode)) return Fail(error, std::strerror(EISDIR));
  if (!S_ISREG(st.st_mode)) return Fail(error, "not a regular file");
  if (st.st_size > limit)
    return Fail(error, "more than " + std::to_string(limit) + " bytes");
  try {
    bytes->resize(static_cast<std::size_t>(st.st_size) + 1);
  } catch (const OverBudget&) {
    throw;
  } catch (const std::bad_alloc&) {
    return Fail(error,
                "no memory for " + std::to_string(st.st_size) + " bytes");
  }
  return ReadToEnd(fd.get(), limit, bytes, error);
}

bool ReadWholeStream(int fd, long long limit, ZeroedBytes* bytes,
                     std::string* error) {
  bytes->resize(0);
  return ReadToEnd(fd, limit, bytes, error);
}

bool WriteWholeFile(const std::string& path,
                    const std::function<bool(std::FILE*, std::string*)>& fill,
                    std::string* error) {
  std::string target;
  if (!FollowLinks(path, &target, error)) return false;
  struct stat st;
  bool exists = stat(target.c_str(), &st) == 0;
  if (exists && S_ISDIR(st.st_mode)) return Fail(error, std::strerror(EISDIR));
  if (exists && !S_ISREG(st.st_mode)) {
    std::FILE* f = std::fopen(target.c_str(), "wb");
    if (!f) return FailErrno(error);
    return FillAndClose(f, fill, error);
  }
  std::size_t slash = target.rfind('/');
  std::string dir =
      slash == std::string::npos ? "" : target.substr(0, slash + 1);
  std::string base = target.substr(dir.size());
  std::string temp = dir + "." + base + ".XXXXXX";
  int fd = mkstemp(&temp[0]);
  if (fd < 0) return FailErrno(error);
  mode_t mode = exists ? (st.st_mode & 07777) : NewFileMode();
  std::FILE* f = fchmod(fd, mode) == 0 ? fdopen(fd, "wb") : nullptr;
  bool ok;
  if (!f) {
    ok = FailErrno(error);
    close(fd);
  } else {
    ok = FillAndClose(f, fill, error);
  }
  if (ok && std::rename(temp.c_str(), target.c_str()) != 0)
    ok = FailErrno(error);
  if (!ok) unlink(temp.c_str());
  return ok;
}

}  // namespace zorl
