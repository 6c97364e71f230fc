// SPDX-License-Identifier: GPL-3.0-or-later
#include "manualclock.h"

namespace quarnex {

class ManualClock::Timer final : public RunTimer {
public:
    Timer(ManualClock *clock, std::shared_ptr<Entry> entry)
        : m_clock(clock), m_entry(std::move(entry))
    {}
    void start(qint64 milliseconds, std::function<void()> due) override
    {
        m_entry->running = true;
        m_entry->due = m_clock->m_now + milliseconds;
        m_entry->callback = std::move(due);
    }
    void cancel() override
    {
        m_entry->running = false;
        m_entry->callback = nullptr;
    }

private:
    ManualClock *m_clock;
    std::shared_ptr<Entry> m_entry;
};

RunClock ManualClock::runClock()
{
    return {[this] { return m_now; },
            [this] {
                auto entry = std::make_shared<Entry>();
                m_entries.push_back(entry);
                return std::unique_ptr<RunTimer>(new Timer(this, entry));
            }};
}

void ManualClock::advance(qint64 milliseconds)
{
    const qint64 until = m_now + milliseconds;
    for (;;) {
        std::shared_ptr<Entry> next;
        for (const auto &weak : m_entries) {
            const auto entry = weak.lock();
            if (entry && entry->running && entry->due <= until && (!next || entry->due < next->due))
                next = entry;
        }
        if (!next)
            break;
        m_now = std::max(m_now, next->due);
        next->running = false;
        const auto callback = std::exchange(next->callback, nullptr);
        if (callback)
            callback();
    }
    m_now = until;
}

} // namespace quarnex
