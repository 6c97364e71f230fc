// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "check/checkrun.h"

#include <memory>
#include <vector>

namespace quarnex {

// A run clock that stands still until a test moves it: advance() fires, in order, every timer
// that falls due meanwhile, also those started by the timers it fires.
class ManualClock {
public:
    RunClock runClock();
    void advance(qint64 milliseconds);

private:
    struct Entry {
        bool running = false;
        qint64 due = 0;
        std::function<void()> callback;
    };
    class Timer;

    qint64 m_now = 0;
    std::vector<std::weak_ptr<Entry>> m_entries;
};

} // namespace quarnex
