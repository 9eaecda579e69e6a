#pragma once

// Named steps at which a test may kill the process, to prove that what the step leaves behind
// is either the whole change or none of it. Only builds that define YJGL_CRASH_POINTS (a test
// worker compiles its own copy of the code for that) contain them; in the program the macro is
// nothing at all.
#ifdef YJGL_CRASH_POINTS
#include <csignal>
#include <cstdlib>
#include <cstring>

namespace CrashPoint {
// Kills the process without any clean-up when YJGL_CRASH_AT names this step.
inline void reach(const char* name) {
    const char* wanted = std::getenv("YJGL_CRASH_AT");
    if (wanted && std::strcmp(wanted, name) == 0)
        std::raise(SIGKILL);
}
} // namespace CrashPoint
#define YJGL_CRASH_POINT(name) CrashPoint::reach(name)
#else
#define YJGL_CRASH_POINT(name) ((void)0)
#endif
