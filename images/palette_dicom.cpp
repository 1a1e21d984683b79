// DICOM colour palettes through the decoder process: the file's bytes go
// to it in a shared-memory file and its three tables come back in another.
#include <sys/mman.h>
#include <unistd.h>

#include <cstring>

#include "images/decoder_client.h"
#include "images/dicom.h"
#include "images/palette.h"

namespace zorl {

bool ParseDicomPalette(const std::string& bytes, Palette* palette,
                       std::string* error) {
  int file = SharedFileOf(bytes);
  if (file < 0) {
    *error = std::string("cannot pass it to the DICOM decoder: ") +
             std::strerror(errno);
    return false;
  }
  Fields request, reply;
  request.Set("job", "palette");
  int tables = -1;
  bool ran = RunDecoder(request, file, static_cast<long long>(bytes.size()),
                        &reply, &tables, error);
  close(file);
  ZeroedBytes got;
  long long n = reply.Whole("entries");
  bool taken = ran && !reply.Has("error") && n > 0 &&
               n <= kMostPaletteEntries &&
               TakeDecodedBytes(tables, static_cast<std::size_t>(3 * n), &got);
  if (tables >= 0) close(tables);
  if (!ran) return false;
  if (reply.Has("error") || !taken) {
    *error = reply.Has("error") ? reply.Text("error")
                                : "the DICOM decoder gave no tables";
    return false;
  }
  const auto* p = reinterpret_cast<const uint8_t*>(got.data());
  palette->red.assign(p, p + n);
  palette->green.assign(p + n, p + 2 * n);
  palette->blue.assign(p + 2 * n, p + 3 * n);
  return true;
}

}  // namespace zorl
