// zorl-decoder: the process in which the engine has the DICOM library parse
// and decode files. It reads requests from descriptor 3 (a socket the
// engine holds the other end of) and answers each; it ends when the engine
// closes the socket. Its standard output and error go to a log the engine
// reads only when this process fails.
//
//   zorl-decoder --memory BYTES
#include <gdcmTrace.h>
#include <malloc.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/time.h>
#include <unistd.h>

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <new>
#include <string>

#include "decoder/allocation.h"
#include "decoder/jobs.h"
#include "decoder/limits.h"

#if defined(__SANITIZE_ADDRESS__)
#define ZORL_ADDRESS_SANITIZER 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define ZORL_ADDRESS_SANITIZER 1
#endif
#endif

namespace {

constexpr int kSocket = 3;

void SetLimit(int resource, rlim_t soft) {
  rlimit r{};
  if (getrlimit(resource, &r) != 0) return;
  if (r.rlim_max != RLIM_INFINITY && soft > r.rlim_max) soft = r.rlim_max;
  r.rlim_cur = soft;
  setrlimit(resource, &r);
}

// The processor time this job may take, counted from what the process has
// used so far: past it the system ends the process (SIGXCPU).
void LimitProcessorTime(double seconds) {
  rusage used{};
  getrusage(RUSAGE_SELF, &used);
  double so_far =
      static_cast<double>(used.ru_utime.tv_sec + used.ru_stime.tv_sec);
  if (!(seconds > 0) || !std::isfinite(seconds)) seconds = 60;
  SetLimit(RLIMIT_CPU, static_cast<rlim_t>(so_far + std::ceil(seconds) + 1));
}

void Serve() {
  for (;;) {
    std::string text;
    int fd = -1;
    if (!zorl::ReceiveMessage(kSocket, &text, &fd)) return;
    zorl::Fields request = zorl::Fields::Parse(text), reply;
    int replyFd = -1;
    LimitProcessorTime(request.Number("seconds").value_or(60));
    zorl::SetDecoderLimits(request.Whole("max"), request.Whole("max_elements"));
    zorl::LibraryMessages().str("");
    zorl::SetAllocationCap(static_cast<std::size_t>(-1));
    const std::string job = request.Text("job");
    try {
      if (job == "image")
        zorl::DecodeImage(request, fd, &reply, &replyFd);
      else if (job == "palette")
        zorl::DecodePalette(request, fd, &reply, &replyFd);
      else if (job == "series")
        zorl::SortSeries(request, fd, &reply, &replyFd);
      else
        reply.Set("error", "the decoder has no job \"" + job + "\"");
    } catch (const std::bad_alloc&) {
      if (replyFd >= 0) close(replyFd);
      replyFd = -1;
      reply = zorl::Fields();
      reply.Set("error",
                "the DICOM decoder needed more memory than it allows "
                "for a file of its size (one allocation of more "
                "than " +
                    std::to_string(zorl::AllocationCap() >> 20) + " MiB)");
    } catch (const std::exception& e) {
      if (replyFd >= 0) close(replyFd);
      replyFd = -1;
      reply = zorl::Fields();
      reply.Set("error", std::string("malformed DICOM file: ") + e.what());
    }
    if (fd >= 0) close(fd);
    bool sent = zorl::SendMessage(kSocket, reply.Format(), replyFd);
    if (replyFd >= 0) close(replyFd);
    if (!sent) return;
  }
}

}  // namespace

int main(int argc, char** argv) {
  long long memory = 0;
  for (int i = 1; i + 1 < argc; i += 2)
    if (std::strcmp(argv[i], "--memory") == 0)
      memory = std::strtoll(argv[i + 1], nullptr, 10);
  struct stat st;
  if (memory <= 0 || fstat(kSocket, &st) != 0 || !S_ISSOCK(st.st_mode)) {
    const char usage[] =
        "zorl-decoder: started by the zorl engine, not by hand\n";
    if (write(2, usage, sizeof usage - 1) < 0) return 2;
    return 2;
  }
  // Buffers of a slice's size (the Pixel Data the library reads, the
  // decoded frames) are served again from the heap, rather than mapped
  // fresh and faulted in for every file.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 64 << 20);
  SetLimit(RLIMIT_CORE, 0);  // a crash leaves no core file behind
#ifndef ZORL_ADDRESS_SANITIZER
  // (The sanitizer reserves its shadow memory as address space; there the
  // engine watches this process's resident memory alone.)
  SetLimit(RLIMIT_AS, static_cast<rlim_t>(memory));
#endif
  gdcm::Trace::SetWarningStream(zorl::LibraryMessages());
  gdcm::Trace::SetErrorStream(zorl::LibraryMessages());
  gdcm::Trace::SetDebugStream(zorl::LibraryMessages());
  gdcm::Trace::WarningOn();
  gdcm::Trace::ErrorOn();
  gdcm::Trace::DebugOff();
  Serve();
  return 0;
}
