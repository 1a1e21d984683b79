// Files read or mapped whole, and streams over memory.
#include "decoder/file_view.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

namespace zorl {

FileView::FileView(int fd) {
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0 || st.st_size < 0) return;
  size_ = static_cast<std::size_t>(st.st_size);
  if (size_ == 0) {
    ok_ = true;
    return;
  }
  // A file of a slice's size is read into the heap (which serves the same
  // memory again for the next file); mapping its pages and unmapping them
  // costs more on virtual machines that shadow page tables.
  if (size_ <= kReadUpTo) {
    read_.reset(new char[size_]);
    std::size_t at = 0;
    while (at < size_) {
      ssize_t got =
          pread(fd, read_.get() + at, size_ - at, static_cast<off_t>(at));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) break;
      at += static_cast<std::size_t>(got);
    }
    ok_ = at == size_;  // not a file that fails or shrinks as it is read
    data_ = read_.get();
    if (!ok_) size_ = 0;
    return;
  }
  void* p = mmap(nullptr, size_, PROT_READ, MAP_PRIVATE, fd, 0);
  if (p == MAP_FAILED) {
    size_ = 0;
    return;
  }
  data_ = static_cast<const char*>(p);
  mapped_ = true;
  ok_ = true;
}

FileView::~FileView() {
  if (mapped_) munmap(const_cast<char*>(data_), size_);
}

MemoryStream::Buffer::Buffer(const char* data, std::size_t size) {
  char* p = const_cast<char*>(data);
  setg(p, p, p + size);
}

std::streambuf::pos_type MemoryStream::Buffer::seekoff(
    off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) {
  if (!(which & std::ios_base::in)) return pos_type(off_type(-1));
  off_type base = dir == std::ios_base::beg   ? 0
                  : dir == std::ios_base::cur ? gptr() - eback()
                                              : egptr() - eback();
  off_type to = base + off;
  if (to < 0 || to > egptr() - eback()) return pos_type(off_type(-1));
  setg(eback(), eback() + to, egptr());
  return pos_type(to);
}

std::streambuf::pos_type MemoryStream::Buffer::seekpos(
    pos_type pos, std::ios_base::openmode which) {
  return seekoff(off_type(pos), std::ios_base::beg, which);
}

MemoryStream::MemoryStream(const char* data, std::size_t size)
    : std::istream(nullptr), buffer_(data, size) {
  rdbuf(&buffer_);
}

}  // namespace zorl
