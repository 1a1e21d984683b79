// The threads that modules split large jobs over (host/threads.h): started
// when a job first needs them, one job at a time. A caller that finds them
// busy, with another caller's job or with its own (a part that splits
// again), runs its parts itself, so that no job waits for another's threads
// and no part runs twice. The caller takes parts as the threads do, so a
// job ends even when no thread gets to it.
#include <sched.h>

#include <atomic>
#include <condition_variable>
#include <cstdlib>
#include <mutex>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

#include "engine/engine.h"
#include "host/threads.h"

namespace zorl {

namespace {

const int kMostThreads = 256;

// The smallest part, in bytes read and written. Waking a parked thread
// takes some microseconds; a part of 1 MiB keeps even the fastest kernel
// (map8, ~20 GB/s on one core) busy for about 50 us. On 2 shared, loaded
// cores (AMD EPYC) a second part paid off at no size up to 8 MiB: the
// other core was taken.
const long long kPartBytes = 1 << 20;
std::atomic<long long> g_partBytes{kPartBytes};

// The processors this process may run on.
int Processors() {
  cpu_set_t set;
  CPU_ZERO(&set);
  int n = 0;
  if (sched_getaffinity(0, sizeof set, &set) == 0) n = CPU_COUNT(&set);
  if (n <= 0) n = static_cast<int>(std::thread::hardware_concurrency());
  return n < 1 ? 1 : n > kMostThreads ? kMostThreads : n;
}

const char* Setting() {
  const char* s = std::getenv("ZORL_THREADS");
  return s && *s ? s : nullptr;
}

// A whole number from 1 to kMostThreads, in decimal digits only.
bool ParseThreads(const char* s, int* n) {
  long v = 0;
  const char* p = s;
  for (; *p >= '0' && *p <= '9'; ++p) {
    v = v * 10 + (*p - '0');
    if (v > kMostThreads) return false;
  }
  if (p == s || *p || v < 1) return false;
  *n = static_cast<int>(v);
  return true;
}

int DefaultThreads() {
  int n;
  const char* s = Setting();
  return s && ParseThreads(s, &n) ? n : Processors();
}

class Pool {
 public:
  ~Pool() {
    std::lock_guard<std::mutex> hold(job_);
    Stop();
  }

  int Threads() {
    int n = threads_.load(std::memory_order_relaxed);
    return n > 0 ? n : DefaultThreads();
  }

  void SetThreads(int n) {
    std::lock_guard<std::mutex> hold(job_);  // waits for a running job
    threads_.store(n, std::memory_order_relaxed);
    if (static_cast<int>(workers_.size()) >= Threads()) Stop();
  }

  void Run(int parts, ZorlPartFn work, void* context) {
    int helpers = (parts < Threads() ? parts : Threads()) - 1;
    if (helpers <= 0 || !job_.try_lock()) {
      for (int i = 0; i < parts; ++i) work(context, i);
      return;
    }
    std::lock_guard<std::mutex> hold(job_, std::adopt_lock);
    Start(helpers);
    {
      std::lock_guard<std::mutex> lock(m_);
      work_ = work;
      context_ = context;
      parts_ = parts;
      next_ = 0;
      left_ = parts;
    }
    wake_.notify_all();
    TakeParts();
    std::unique_lock<std::mutex> lock(m_);
    done_.wait(lock, [this] { return left_ == 0; });
    work_ = nullptr;
    parts_ = 0;
  }

 private:
  // At least n workers, as far as the system gives them. Needs job_.
  void Start(int n) {
    while (static_cast<int>(workers_.size()) < n) {
      try {
        workers_.emplace_back([this] { Work(); });
      } catch (const std::system_error&) {
        break;  // fewer threads: the caller takes their parts
      }
    }
  }

  // Ends and joins the workers. Needs job_.
  void Stop() {
    {
      std::lock_guard<std::mutex> lock(m_);
      stop_ = true;
    }
    wake_.notify_all();
    for (std::thread& t : workers_) t.join();
    workers_.clear();
    std::lock_guard<std::mutex> lock(m_);
    stop_ = false;
  }

  // Runs parts of the current job until none is left to take.
  void TakeParts() {
    for (;;) {
      ZorlPartFn work;
      void* context;
      int part;
      {
        std::lock_guard<std::mutex> lock(m_);
        if (next_ >= parts_) return;
        part = next_++;
        work = work_;
        context = context_;
      }
      work(context, part);
      std::lock_guard<std::mutex> lock(m_);
      if (--left_ == 0) done_.notify_all();
    }
  }

  void Work() {
    for (;;) {
      {
        std::unique_lock<std::mutex> lock(m_);
        wake_.wait(lock, [this] { return stop_ || next_ < parts_; });
        if (stop_) return;
      }
      TakeParts();
    }
  }

  std::mutex job_;  // held by the caller whose job runs
  std::mutex m_;    // guards what follows
  std::condition_variable wake_, done_;
  std::vector<std::thread> workers_;
  ZorlPartFn work_ = nullptr;
  void* context_ = nullptr;
  int parts_ = 0, next_ = 0, left_ = 0;
  bool stop_ = false;
  std::atomic<int> threads_{0};  // 0: the default
};

Pool& ThePool() {
  static Pool pool;
  return pool;
}

}  // namespace

int ConversionThreads() { return ThePool().Threads(); }

bool SetConversionThreads(int n) {
  if (n < 0 || n > kMostThreads) return false;
  ThePool().SetThreads(n);
  return true;
}

std::string ConversionThreadsProblem() {
  const char* s = Setting();
  int n;
  if (!s || ParseThreads(s, &n)) return "";
  return "ZORL_THREADS=" + std::string(s) + " is not a thread count: give " +
         "a whole number from 1 to " + std::to_string(kMostThreads);
}

void SetConversionPartBytes(long long bytes) {
  g_partBytes.store(bytes > 0 ? bytes : kPartBytes, std::memory_order_relaxed);
}

}  // namespace zorl

int ZorlThreads() { return zorl::ConversionThreads(); }

int ZorlPartsFor(long long bytes) {
  long long parts = bytes / zorl::g_partBytes.load(std::memory_order_relaxed);
  long long threads = zorl::ConversionThreads();
  return static_cast<int>(parts < 1 ? 1 : parts < threads ? parts : threads);
}

void ZorlRunParts(int parts, ZorlPartFn work, void* context) {
  if (parts > 0 && work) zorl::ThePool().Run(parts, work, context);
}
