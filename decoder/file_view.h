// A file to decode, read or mapped whole, and a stream over it
// for the DICOM library.
#ifndef ZORL_DECODER_FILE_VIEW_H
#define ZORL_DECODER_FILE_VIEW_H

#include <cstddef>
#include <istream>
#include <memory>
#include <streambuf>
#include <string>

namespace zorl {

// The bytes of an open file: read into memory up to kReadUpTo bytes,
// mapped read-only above (an empty file holds none).
class FileView {
 public:
  explicit FileView(int fd);
  ~FileView();
  FileView(const FileView&) = delete;
  FileView& operator=(const FileView&) = delete;
  bool ok() const { return ok_; }
  const char* data() const { return data_; }
  std::size_t size() const { return size_; }

 private:
  static constexpr std::size_t kReadUpTo = std::size_t(32) << 20;
  std::unique_ptr<char[]> read_;
  const char* data_ = "";
  std::size_t size_ = 0;
  bool ok_ = false, mapped_ = false;
};

// An input stream over bytes in memory, seekable, without a copy.
class MemoryStream : public std::istream {
 public:
  MemoryStream(const char* data, std::size_t size);

 private:
  class Buffer : public std::streambuf {
   public:
    Buffer(const char* data, std::size_t size);

   protected:
    pos_type seekoff(off_type off, std::ios_base::seekdir dir,
                     std::ios_base::openmode which) override;
    pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;
  };
  Buffer buffer_;
};

}  // namespace zorl

#endif
