#pragma once

#include <functional>

namespace tarvolin {

// Runs `fn` on the main thread and returns when it has run: directly when already there,
// otherwise through the main event loop while the caller waits.
void ChiamataSincronizzata(const std::function<void()>& fn);

} // namespace tarvolin
