#include "common/WindowRequests.h"

namespace WindowRequests {
namespace {
CanOpen& canOpenHandler() {
    static CanOpen handler;
    return handler;
}
Open& openHandler() {
    static Open handler;
    return handler;
}
} // namespace

void install(CanOpen canOpen, Open open) {
    canOpenHandler() = std::move(canOpen);
    openHandler() = std::move(open);
}

void uninstall() {
    install({}, {});
}

bool canOpen(const QString& name) {
    return canOpenHandler() && canOpenHandler()(name);
}

void open(const QString& name) {
    if (canOpen(name) && openHandler())
        openHandler()(name);
}

} // namespace WindowRequests
