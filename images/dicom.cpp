// DICOM images through the decoder process: the file goes to it as an open
// descriptor, and its pixels come back in a shared-memory file, copied or
// taken over by the image's String. What the decoder says is checked again
// here: a size it gives must be one the engine allows and the bytes it hands
// over.
#include "images/dicom.h"

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <string>
#include <utility>

#include "engine/image_size.h"
#include "images/decoder_client.h"
#include "images/decoder_protocol.h"
#include "images/display_fields.h"

namespace zorl {

namespace {

// Replies up to this size are copied into a block of the engine's, which
// is most often one reused from an earlier String: the first touch of each
// page of a fresh mapping costs more than the copy (0.8 ms against 0.05 ms
// for a 512 KiB slice on a virtual machine). Larger replies are mapped, so
// that their memory is not held twice while they are taken.
constexpr std::size_t kCopiedReply = std::size_t(32) << 20;

}  // namespace

bool LooksLikeDicom(const unsigned char* head, std::size_t n) {
  if (n >= 132 && std::memcmp(head + 128, "DICM", 4) == 0) return true;
  if (n < 8) return false;
  // Without the preamble: a first tag of group 0002 or 0008, little or
  // big endian, with an element number below 0x0100.
  bool little = (head[0] == 2 || head[0] == 8) && head[1] == 0 && head[3] == 0;
  bool big = head[0] == 0 && (head[1] == 2 || head[1] == 8) && head[2] == 0;
  return little || big;
}

bool TakeDecodedBytes(int fd, std::size_t n, ZeroedBytes* bytes) {
  struct stat st;
  if (fd < 0 || fstat(fd, &st) != 0 ||
      static_cast<unsigned long long>(st.st_size) < n + 1)
    return false;
  if (n <= kCopiedReply) {
    *bytes = ZeroedBytes::Filled(n, [fd, n](char* p) {
      for (std::size_t got = 0; got < n;) {
        ssize_t r = pread(fd, p + got, n - got, static_cast<off_t>(got));
        if (r < 0 && errno == EINTR) continue;
        if (r <= 0) return false;
        got += static_cast<std::size_t>(r);
      }
      return true;
    });
    return n == 0 || bytes->size() == n;
  }
  int flags = MAP_SHARED;
#ifdef MAP_POPULATE
  flags |= MAP_POPULATE;
#endif
  void* p = mmap(nullptr, n + 1, PROT_READ | PROT_WRITE, flags, fd, 0);
  if (p == MAP_FAILED) return false;
  static_cast<char*>(p)[n] = 0;
  *bytes = ZeroedBytes::AdoptMapping(static_cast<char*>(p), n);
  return true;
}

namespace {

// The image of a reply: its size checked, its display tables read and its
// pixels taken. While it runs the decoder's memory is not reused.
bool TakeImage(const Fields& reply, int pixels, ImageData* image,
               std::string* error) {
  if (reply.Has("error")) {
    *error = reply.Text("error");
    return false;
  }
  long long width = reply.Whole("width"), height = reply.Whole("height");
  long long depth = reply.Whole("depth");
  if (!CheckImageSize(width, height, depth, error)) return false;
  const std::size_t n = static_cast<std::size_t>(width * height * depth);
  // The display tables' data, after the pixels and their zero.
  std::string tables(DisplayBytes(reply), '\0');
  if (!tables.empty() &&
      pread(pixels, &tables[0], tables.size(), static_cast<off_t>(n + 1)) !=
          static_cast<ssize_t>(tables.size())) {
    *error = "the DICOM decoder gave fewer bytes than its tables";
    return false;
  }
  DisplayFacts display;
  if (!TakeDisplayFacts(reply, tables, &display)) {
    *error = "the DICOM decoder's tables disagree with their bytes";
    return false;
  }
  // A mapped reply is cut to its pixels first (a copied one is the
  // decoder's kept memory, which stays as it is).
  if (!tables.empty() && n > kCopiedReply &&
      ftruncate(pixels, static_cast<off_t>(n + 1)) != 0) {
    *error = "the DICOM decoder's shared memory cannot be trimmed";
    return false;
  }
  if (!TakeDecodedBytes(pixels, n, &image->pixels)) {
    *error = "the DICOM decoder gave fewer bytes than its pixels";
    return false;
  }
  image->width = width;
  image->height = height;
  image->depth = depth;
  image->facts = TakeFacts(reply);
  image->facts.display = std::move(display);
  return true;
}

}  // namespace

bool ReadDicom(int fd, long long fileBytes, long long frame, ImageData* image,
               std::string* error) {
  Fields request, reply;
  request.Set("job", "image");
  request.Set("frame", frame);
  request.Set("max", static_cast<long long>(MaxBytes()));
  request.Set("max_elements", static_cast<long long>(MaxElements()));
  struct Closer {
    int fd = -1;
    ~Closer() {
      if (fd >= 0) close(fd);
    }
  } pixels;
  bool taken = false;
  bool ran = RunDecoder(
      request, fd, fileBytes, &reply, &pixels.fd, error,
      [&](int replyFd) { taken = TakeImage(reply, replyFd, image, error); });
  return ran && taken;
}

}  // namespace zorl
