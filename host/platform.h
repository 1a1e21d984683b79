// Platform types of the host interface.
//
// The host was made for a 32-bit platform on which `long` is 32 bits. Every
// "long" of the interface is therefore a fixed 32-bit type here, so that
// wrap-around, division and printed texts are the same on every build. The one
// pointer-sized number is a memory address.
#ifndef ZORL_HOST_PLATFORM_H
#define ZORL_HOST_PLATFORM_H

#include <cstdint>

// Marks what the engine library exports; everything else is hidden.
#define ZORL_API __attribute__((visibility("default")))

typedef std::int32_t zlong;    // the host's long
typedef std::uint32_t zulong;  // the host's unsigned long
typedef void* HINSTANCE;       // a module handle: the module's base address

// Entry-point reasons.
enum { DLL_PROCESS_DETACH = 0, DLL_PROCESS_ATTACH = 1 };

// The platform's debug output: the engine collects each text it receives.
ZORL_API void OutputDebugStringA(const char* text);

#endif
