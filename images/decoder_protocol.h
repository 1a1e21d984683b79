// The messages between the engine and its DICOM decoder process. Each is one
// datagram of a local socket: lines of "key value" text and, beside it, at
// most one open descriptor (the file to decode going out; a shared-memory
// file holding the decoded bytes coming back).
#ifndef ZORL_IMAGES_DECODER_PROTOCOL_H
#define ZORL_IMAGES_DECODER_PROTOCOL_H

#include <cstddef>
#include <map>
#include <optional>
#include <string>

#include "images/formats.h"

namespace zorl {

// The fields of a message, by key. Values hold no line break.
class Fields {
 public:
  void Set(const std::string& key, const std::string& value);
  void Set(const std::string& key, long long value);
  void SetNumber(const std::string& key, double value);  // round-trips
  void Set(const std::string& key, const std::optional<double>& value);
  bool Has(const std::string& key) const { return map_.count(key) > 0; }
  std::string Text(const std::string& key) const;
  long long Whole(const std::string& key) const;  // 0 when absent or bad
  std::optional<double> Number(const std::string& key) const;

  std::string Format() const;
  static Fields Parse(const std::string& text);

 private:
  std::map<std::string, std::string> map_;
};

// What a scan says of its pixels, as fields and back.
void PutFacts(const PixelFacts& facts, Fields* fields);
PixelFacts TakeFacts(const Fields& fields);

// The most text one message carries.
constexpr std::size_t kMostMessage = 64 * 1024;

// Sends text and, unless fd is -1, the descriptor; never raises SIGPIPE.
// False when the other end is gone.
bool SendMessage(int sock, const std::string& text, int fd);
// Receives one message; *fd is -1 when none came with it. False at the end
// of the stream or on an error.
bool ReceiveMessage(int sock, std::string* text, int* fd);

// A new shared-memory file of n bytes and one zero after them, mapped for
// writing at *at; -1 on failure (errno says why).
int MakeSharedBytes(std::size_t n, char** at);
// A new shared-memory file holding exactly these bytes (a file for the
// decoder to read to its end); -1 on failure (errno says why).
int SharedFileOf(const std::string& bytes);
// A new shared-memory file of size bytes (size >= n) that starts with
// these n, the rest zero; written, not mapped, in this process (mapping
// and unmapping a file's pages costs more than writing them, on some
// virtual machines ten times more). -1 on failure (errno says why).
int SharedFileWith(const char* bytes, std::size_t n, std::size_t size);
// The process's kept shared-memory file, mapped for writing at *at, of at
// least n bytes: grown when needed, and otherwise reused from reply to
// reply, so that its pages are made and mapped once. Gives a new
// descriptor of it for the caller to send and close; -1 on failure (errno
// says why). What it held is overwritten by the next call.
int KeptSharedBytes(std::size_t n, char** at);
// Unmaps what MakeSharedBytes mapped.
void UnmapSharedBytes(char* at, std::size_t n);

}  // namespace zorl

#endif
