// The pages of a TIFF, found by following the chain of its directories:
// each directory is a count of entries, the entries, and the offset of the
// next directory (0 after the last). Classic TIFF has 2-byte counts,
// 12-byte entries and 4-byte offsets; BigTIFF 8, 20 and 8.
#include "images/tiff_pages.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <list>
#include <mutex>
#include <unordered_set>
#include <vector>

namespace zorl {

namespace {

bool Fail(std::string* error, const std::string& what) {
  *error = what;
  return false;
}

// Reads n bytes at offset as a number of the file's byte order.
bool Number(int fd, std::uint64_t offset, int n, bool little,
            std::uint64_t* value) {
  unsigned char b[8];
  if (pread(fd, b, static_cast<std::size_t>(n), static_cast<off_t>(offset)) !=
      n)
    return false;
  *value = 0;
  for (int i = 0; i < n; ++i)
    *value |= static_cast<std::uint64_t>(b[little ? i : n - 1 - i]) << (8 * i);
  return true;
}

bool Follow(int fd, std::uint64_t size, std::vector<std::uint64_t>* pages,
            std::string* error) {
  unsigned char head[4];
  if (pread(fd, head, 4, 0) != 4) return Fail(error, "truncated TIFF header");
  bool little = head[0] == 'I', big = (little ? head[2] : head[3]) == 43;
  int countBytes = big ? 8 : 2, entryBytes = big ? 20 : 12,
      linkBytes = big ? 8 : 4;
  std::uint64_t next = 0;
  if (!Number(fd, big ? 8 : 4, linkBytes, little, &next))
    return Fail(error, "truncated TIFF header");
  std::unordered_set<std::uint64_t> seen;
  while (next != 0) {
    std::string page = "page " + std::to_string(pages->size());
    if (static_cast<long long>(pages->size()) >= kMostTiffPages)
      return Fail(error,
                  "more than " + std::to_string(kMostTiffPages) + " pages");
    if (!seen.insert(next).second)
      return Fail(error, "corrupt TIFF: " + page +
                             " is an earlier page again (the chain of pages "
                             "loops)");
    std::uint64_t count = 0;
    if (next >= size || !Number(fd, next, countBytes, little, &count))
      return Fail(error, "corrupt or truncated TIFF: " + page +
                             " begins past the end of the file");
    pages->push_back(next);
    if (count > size / static_cast<std::uint64_t>(entryBytes) ||
        !Number(fd, next + countBytes + count * entryBytes, linkBytes, little,
                &next))
      return Fail(error, "corrupt or truncated TIFF: " + page +
                             " ends past the end of the file");
  }
  if (pages->empty()) return Fail(error, "corrupt TIFF: no pages");
  return true;
}

// A stack as it was when its chain was followed, held open so that its
// inode is not another file's while it is remembered.
struct Known {
  int fd;
  long long size, modified;  // bytes; nanoseconds
  std::vector<std::uint64_t> pages;
  Known(int f, long long n, long long m) : fd(f), size(n), modified(m) {}
  ~Known() { close(fd); }
  Known(const Known&) = delete;
  Known& operator=(const Known&) = delete;
};

// Files of fewer pages are followed again at each read.
constexpr std::size_t kFewPages = 16;

bool Answer(const std::vector<std::uint64_t>& chain, long long page,
            long long* pages, std::uint64_t* offset) {
  *pages = static_cast<long long>(chain.size());
  if (page >= 0 && page < *pages)
    *offset = chain[static_cast<std::size_t>(page)];
  return true;
}

}  // namespace

bool TiffPage(int fd, long long page, long long* pages, std::uint64_t* offset,
              std::string* error) {
  struct stat st, held;
  if (fstat(fd, &st) != 0) return Fail(error, "can't be examined");
  long long modified = st.st_mtim.tv_sec * 1000000000LL + st.st_mtim.tv_nsec;
  static std::mutex mutex;
  static std::list<Known> known;  // the last read first
  std::lock_guard<std::mutex> lock(mutex);
  auto it = known.begin();
  while (it != known.end() &&
         !(fstat(it->fd, &held) == 0 && held.st_dev == st.st_dev &&
           held.st_ino == st.st_ino && it->size == st.st_size &&
           it->modified == modified))
    ++it;
  if (it == known.end()) {
    std::vector<std::uint64_t> chain;
    if (!Follow(fd, static_cast<std::uint64_t>(st.st_size), &chain, error))
      return false;
    int copy = chain.size() > kFewPages && S_ISREG(st.st_mode)
                   ? fcntl(fd, F_DUPFD_CLOEXEC, 0)
                   : -1;
    if (copy < 0) return Answer(chain, page, pages, offset);
    known.emplace_front(copy, st.st_size, modified);
    known.front().pages = std::move(chain);
    if (known.size() > 8) known.pop_back();
    it = known.begin();
  }
  known.splice(known.begin(), known, it);
  return Answer(known.front().pages, page, pages, offset);
}

}  // namespace zorl
