#include "app/core/ProcessExit.h"

#include <cstdio>
#include <cstdlib>

namespace {
std::function<void(int)> g_exit;
}

namespace ProcessExit {

void now(int code) {
    if (g_exit) {
        g_exit(code);
        return;
    }
    std::fflush(nullptr);
    std::exit(code);
}

void install(std::function<void(int)> exitFunction) {
    g_exit = std::move(exitFunction);
}

} // namespace ProcessExit
