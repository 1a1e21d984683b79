// Files read whole, within a limit, and written whole or not at all.
#ifndef ZORL_ENGINE_WHOLE_FILE_H
#define ZORL_ENGINE_WHOLE_FILE_H

#include <cstdio>
#include <functional>
#include <string>

#include "engine/store.h"
#include "host/platform.h"

namespace zorl {

// Why a file operation failed, from its errno: the system's text, except
// that a loop of symbolic links is named as one.
ZORL_API std::string FileReason(int errnum);

// Reads a regular file whole; more than limit bytes, a file that is not
// regular and every failed read are refused. On failure: false and the
// reason (the caller names the file). Bytes that the memory budget refuses
// throw OverBudget.
ZORL_API bool ReadWholeFile(const std::string& path, long long limit,
                            ZeroedBytes* bytes, std::string* error);
// The same for an open descriptor of any kind (standard input), to its end.
ZORL_API bool ReadWholeStream(int fd, long long limit, ZeroedBytes* bytes,
                              std::string* error);

// Writes a file whole or not at all: fill writes the content and gives
// false (and its reason) when it fails. A regular file, or a new one, is
// written beside its target under a temporary name and renamed onto it
// when every write, the flush and the close have succeeded, so that a
// failure leaves the old file as it was; a symbolic link is followed to the
// file it points to. A new file gets the usual permissions (0666 less the
// umask), an existing one keeps its own. Anything else that is not a
// directory (a device, a pipe) is written directly.
ZORL_API bool WriteWholeFile(
    const std::string& path,
    const std::function<bool(std::FILE*, std::string*)>& fill,
    std::string* error);

}  // namespace zorl

#endif
