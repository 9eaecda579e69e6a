#pragma once

#include <functional>

// Ends the process at once, without clean-up (the settings dialog's exits, a user without
// the module right). Tests install a recorder; the caller returns right after the call.
namespace ProcessExit {
void now(int code = 0);
// An empty function restores the real exit.
void install(std::function<void(int code)> exitFunction);
} // namespace ProcessExit
