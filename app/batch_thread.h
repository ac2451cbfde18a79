// Batch work (an import or the conversion) on a thread of its own while the starter waits.
#pragma once

#include <functional>

namespace rastrel {

// Runs `body` on a new thread and waits until it has ended, calling `tick` on the calling
// thread about every `tickMs` milliseconds meanwhile. False when no thread could be
// started; `body` has not run then.
bool RunBatchThread(const std::function<void()>& body, const std::function<void()>& tick = {},
                    int tickMs = 200);

}  // namespace rastrel
