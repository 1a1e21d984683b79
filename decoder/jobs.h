// The decoder's jobs. Each takes the request's fields and the descriptor
// that came with it, and fills the reply: the facts of what it decoded and
// a shared-memory file of the bytes, or an "error" field that says why the
// file is refused.
#ifndef ZORL_DECODER_JOBS_H
#define ZORL_DECODER_JOBS_H

#include <sstream>

#include "images/decoder_protocol.h"

namespace zorl {

// Frame "frame" of a DICOM image, in the module's pixel format.
void DecodeImage(const Fields& request, int fd, Fields* reply, int* replyFd);
// The red, green and blue tables of a DICOM colour palette.
void DecodePalette(const Fields& request, int fd, Fields* reply, int* replyFd);
// Paths (a shared-memory file of names, each ended by a 0 byte) in the
// order of their slices.
void SortSeries(const Fields& request, int fd, Fields* reply, int* replyFd);

// The DICOM library's warnings and errors of the current job.
std::ostringstream& LibraryMessages();

// A shared-memory file holding bytes, for the reply; false when it cannot
// be made.
bool ReplyBytes(const char* bytes, std::size_t n, Fields* reply, int* replyFd);

}  // namespace zorl

#endif
