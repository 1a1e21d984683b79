// The engine's threads, offered to modules for work that splits into parts.
#ifndef ZORL_HOST_THREADS_H
#define ZORL_HOST_THREADS_H

#include "host/platform.h"

// One part of a job: part is 0 to parts - 1.
typedef void (*ZorlPartFn)(void* context, int part);

// The threads a job may use: 1 or more (ZORL_THREADS, SetThreads, or the
// processors this process may run on).
ZORL_API int ZorlThreads();

// The parts a job that reads and writes that many bytes should split into:
// 1 below twice the smallest part (1 MiB; settable by the embedding host),
// else as many parts of at least that size as there are threads.
ZORL_API int ZorlPartsFor(long long bytes);

// Runs work(context, i) once for every i from 0 to parts - 1 and returns
// when all have run: on the engine's threads and the calling one together,
// or all on the calling one when the threads are busy with another caller's
// job (or the caller is one of them). Parts must not raise errors or touch
// values; they get no processor.
ZORL_API void ZorlRunParts(int parts, ZorlPartFn work, void* context);

#endif
