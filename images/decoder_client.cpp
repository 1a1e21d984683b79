// The decoder process: found beside the engine's library, started with
// posix_spawn on a socket pair, watched while a job runs, and replaced
// when it fails or when a forked copy of the engine finds another's.
#include "images/decoder_client.h"

#include <dlfcn.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/mman.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "engine/store.h"

extern char** environ;

namespace zorl {

namespace {

constexpr long long kMiB = 1 << 20;

// The decoder beside the library that holds this code (the build tree), or
// in ../libexec/zorl from it (an installed tree); ZORL_DECODER names
// another.
std::string DecoderPath() {
  if (const char* set = std::getenv("ZORL_DECODER"); set && *set) return set;
  Dl_info info{};
  std::string dir = ".";
  if (dladdr(reinterpret_cast<void*>(&DecoderMemoryLimit), &info) &&
      info.dli_fname) {
    dir = info.dli_fname;
    std::size_t slash = dir.rfind('/');
    dir = slash == std::string::npos ? "." : dir.substr(0, slash);
  }
  std::string beside = dir + "/zorl-decoder";
  if (access(beside.c_str(), X_OK) == 0) return beside;
  return dir + "/../libexec/zorl/zorl-decoder";
}

std::string Seconds(double s) {
  char text[32];
  std::snprintf(text, sizeof text, "%.0f", s);
  return text;
}

std::string SignalName(int sig) {
  switch (sig) {
    case SIGSEGV:
      return "SIGSEGV, a memory fault";
    case SIGBUS:
      return "SIGBUS, a memory fault";
    case SIGFPE:
      return "SIGFPE, an arithmetic fault";
    case SIGILL:
      return "SIGILL";
    case SIGKILL:
      return "SIGKILL";
    default:
      return "signal " + std::to_string(sig);
  }
}

class Decoder {
 public:
  ~Decoder() { Stop(true); }

  bool Run(const Fields& request, int fd, long long fileBytes, Fields* reply,
           int* replyFd, std::string* error,
           const std::function<void(int)>& whileHeld) {
    std::lock_guard<std::mutex> hold(lock_);
    *replyFd = -1;
    if (owner_ != getpid()) Forget();  // a forked copy: the process is not ours
    if (pid_ < 0 && !Start(error)) return false;
    if (log_ >= 0 && ftruncate(log_, 0) != 0) {
    }  // the log is a courtesy
    const std::string text = request.Format();
    if (!SendMessage(sock_, text, fd)) {
      // It ended since the last job (an idle process killed from outside):
      // once more with a new one.
      Stop(true);
      if (!Start(error)) return false;
      if (!SendMessage(sock_, text, fd))
        return Died(DecoderSeconds(fileBytes), error);
    }
    if (!Wait(fileBytes, reply, replyFd, error)) return false;
    if (whileHeld) whileHeld(*replyFd);
    return true;
  }

 private:
  bool Start(std::string* error) {
    const std::string path = DecoderPath();
    int pair[2];
    if (socketpair(AF_UNIX, SOCK_SEQPACKET | SOCK_CLOEXEC, 0, pair) != 0)
      return Fail(error, std::strerror(errno));
    log_ = memfd_create("zorl-decoder-log", MFD_CLOEXEC);
    if (log_ >= 0) fcntl(log_, F_SETFL, O_APPEND);
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions, pair[1], 3);
    if (log_ >= 0) {
      posix_spawn_file_actions_adddup2(&actions, log_, 1);
      posix_spawn_file_actions_adddup2(&actions, log_, 2);
    }
    const std::string memory = std::to_string(DecoderMemoryLimit());
    char* argv[] = {const_cast<char*>(path.c_str()),
                    const_cast<char*>("--memory"),
                    const_cast<char*>(memory.c_str()), nullptr};
    // A group of its own: Ctrl-C at the prompt interrupts the script, not
    // the decoder's read.
    posix_spawnattr_t attributes;
    posix_spawnattr_init(&attributes);
    posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETPGROUP);
    posix_spawnattr_setpgroup(&attributes, 0);
    pid_t pid = -1;
    int failed =
        posix_spawn(&pid, path.c_str(), &actions, &attributes, argv, environ);
    posix_spawnattr_destroy(&attributes);
    posix_spawn_file_actions_destroy(&actions);
    close(pair[1]);
    if (failed) {
      close(pair[0]);
      CloseLog();
      return Fail(error, "the DICOM decoder " + path +
                             " cannot be started: " + std::strerror(failed));
    }
    pid_ = pid;
    sock_ = pair[0];
    owner_ = getpid();
    return true;
  }

  // Waits for the reply, watching the time and the process's memory.
  bool Wait(long long fileBytes, Fields* reply, int* replyFd,
            std::string* error) {
    using Clock = std::chrono::steady_clock;
    // The process's processor time is limited by the system; the wall
    // time, a backstop for one that waits, is looser.
    const double seconds = 3 * DecoderSeconds(fileBytes) + 10;
    const auto deadline = Clock::now() + std::chrono::duration<double>(seconds);
    for (;;) {
      pollfd p{sock_, POLLIN, 0};
      int ready = poll(&p, 1, 20);
      if (ready < 0 && errno != EINTR)
        return Died(DecoderSeconds(fileBytes), error);
      if (ready > 0) {
        std::string text;
        if (!ReceiveMessage(sock_, &text, replyFd))
          return Died(DecoderSeconds(fileBytes), error);
        *reply = Fields::Parse(text);
        return true;
      }
      if (ResidentBytes() > DecoderMemoryLimit()) {
        Stop(true);
        return Fail(error, "the DICOM decoder needed more than " +
                               std::to_string(DecoderMemoryLimit() / kMiB) +
                               " MiB for it");
      }
      if (Clock::now() > deadline) {
        Stop(true);
        return Fail(error, "the DICOM decoder took longer than " +
                               Seconds(seconds) + " s reading it");
      }
    }
  }

  // The process ended without a reply: what it died of, and the last line
  // it wrote (a failed check of the library says which).
  bool Died(double seconds, std::string* error) {
    int status = 0;
    pid_t pid = pid_;
    std::string last = LastLogLine();
    Stop(false);
    // Its end of the socket closes as it exits; a process that is still
    // there (a reply it could not send) is ended after a moment.
    bool ended = pid <= 0;
    for (int i = 0; i < 200 && !ended; ++i) {
      ended = waitpid(pid, &status, WNOHANG) == pid;
      if (!ended) usleep(10000);
    }
    if (!ended) {
      kill(pid, SIGKILL);
      waitpid(pid, &status, 0);
    }
    std::string what;
    if (WIFSIGNALED(status) && WTERMSIG(status) == SIGABRT)
      what = "aborted";
    else if (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU)
      what = "used more than " + Seconds(seconds) +
             " s of processor time (ZORL_DECODE_SECONDS)";
    else if (WIFSIGNALED(status))
      what = "crashed (" + SignalName(WTERMSIG(status)) + ")";
    else
      what = "ended with status " + std::to_string(WEXITSTATUS(status));
    if (last.find("Sanitizer") != std::string::npos)
      what = "crashed (a memory fault)";
    error->assign("the DICOM decoder " + what + " reading it");
    if (!last.empty()) *error += ": " + last;
    return false;
  }

  std::string LastLogLine() const {
    if (log_ < 0) return {};
    char text[4096];
    off_t size = lseek(log_, 0, SEEK_END);
    off_t from = size > static_cast<off_t>(sizeof text - 1)
                     ? size - static_cast<off_t>(sizeof text - 1)
                     : 0;
    ssize_t n = pread(log_, text, sizeof text - 1, from);
    if (n <= 0) return {};
    std::string all(text, static_cast<std::size_t>(n));
    // The last line that says something, at most 200 bytes of it.
    std::size_t end = all.find_last_not_of("\r\n ");
    if (end == std::string::npos) return {};
    std::size_t start = all.rfind('\n', end);
    start = start == std::string::npos ? 0 : start + 1;
    std::string line = all.substr(start, end + 1 - start);
    if (line.find("SUMMARY:") != std::string::npos ||
        line.find("ABORTING") != std::string::npos)
      return "a sanitizer report";
    // A failed check of the library: the check, not where it stands.
    std::size_t check = line.find("Assertion");
    if (check != std::string::npos)
      line = "the DICOM library's check" + line.substr(check + 9);
    return line.substr(0, 200);
  }

  long long ResidentBytes() const {
    char path[64], text[128] = {};
    std::snprintf(path, sizeof path, "/proc/%d/statm", static_cast<int>(pid_));
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return 0;
    ssize_t n = read(fd, text, sizeof text - 1);
    close(fd);
    long long size = 0, resident = 0;
    if (n <= 0 || std::sscanf(text, "%lld %lld", &size, &resident) != 2)
      return 0;
    return resident * sysconf(_SC_PAGESIZE);
  }

  // Ends the process (killing it when kill) and closes our ends.
  void Stop(bool kill) {
    if (pid_ > 0 && owner_ == getpid()) {
      if (kill) ::kill(pid_, SIGKILL);
      if (sock_ >= 0) close(sock_);
      sock_ = -1;
      if (kill) waitpid(pid_, nullptr, 0);
    }
    if (sock_ >= 0) close(sock_);
    sock_ = -1;
    pid_ = -1;
    CloseLog();
  }

  // After a fork: the descriptors are copies of the parent's, whose
  // process this copy must neither talk to nor end.
  void Forget() {
    if (sock_ >= 0) close(sock_);
    sock_ = -1;
    pid_ = -1;
    CloseLog();
  }

  void CloseLog() {
    if (log_ >= 0) close(log_);
    log_ = -1;
  }

  static bool Fail(std::string* error, const std::string& what) {
    *error = what;
    return false;
  }

  std::mutex lock_;
  pid_t pid_ = -1, owner_ = -1;
  int sock_ = -1, log_ = -1;
};

Decoder& TheDecoder() {
  static Decoder decoder;
  return decoder;
}

}  // namespace

long long DecoderMemoryLimit() {
  // The file and its decoded pixels, each at most the allocation limit,
  // and room for the library itself.
  return 2 * static_cast<long long>(MaxBytes()) + 512 * kMiB;
}

double DecoderSeconds(long long fileBytes) {
  if (const char* set = std::getenv("ZORL_DECODE_SECONDS")) {
    char* end = nullptr;
    double s = std::strtod(set, &end);
    if (end != set && !*end && s > 0 && std::isfinite(s)) return s;
  }
  return 8.0 + std::floor(static_cast<double>(fileBytes) / kMiB);
}

bool RunDecoder(Fields request, int fd, long long fileBytes, Fields* reply,
                int* replyFd, std::string* error,
                const std::function<void(int)>& whileHeld) {
  request.Set("memory", DecoderMemoryLimit());
  request.SetNumber("seconds", DecoderSeconds(fileBytes));
  return TheDecoder().Run(request, fd, fileBytes, reply, replyFd, error,
                          whileHeld);
}

}  // namespace zorl
