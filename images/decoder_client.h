// The engine's side of its DICOM decoder: a small process of ours that
// runs the DICOM library's parsing and decoding, so that whatever a damaged
// file makes the library do (abort, crash, loop, allocate without end) ends
// only that read. The process is started on first use and reused; it runs
// under limits of memory, processor time and wall time, and is started
// anew after a failure.
#ifndef ZORL_IMAGES_DECODER_CLIENT_H
#define ZORL_IMAGES_DECODER_CLIENT_H

#include <functional>
#include <string>

#include "images/decoder_protocol.h"

namespace zorl {

// Runs one job: sends the request with the descriptor fd (the file; -1 for
// none), waits for the reply within the limits and gives its fields and
// the descriptor that came with it (-1 when none; the caller closes it).
// A reply with an "error" field is the decoder's refusal of the file. When
// the process failed instead, false and what happened ("the DICOM decoder
// crashed ..."). fileBytes sizes the wall-time limit.
// whileHeld, when given, runs after a reply came (with its descriptor)
// before the next job may start: the decoder reuses its shared memory from
// job to job, so bytes there are to be taken in it.
bool RunDecoder(Fields request, int fd, long long fileBytes, Fields* reply,
                int* replyFd, std::string* error,
                const std::function<void(int replyFd)>& whileHeld = nullptr);

// The limits the decoder runs under: the most memory it may hold (bytes)
// and the processor time a job may take for a file of that many bytes
// (seconds): ZORL_DECODE_SECONDS when set, else 8 s and 1 s more for each
// MiB of the file. The wall time a job may take is three times that and
// 10 s more.
long long DecoderMemoryLimit();
double DecoderSeconds(long long fileBytes);

}  // namespace zorl

#endif
