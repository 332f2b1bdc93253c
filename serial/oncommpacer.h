#pragma once

#include <QtGlobal>

#include <limits>

namespace zem {

// When OnComm may follow received bytes, like a receive threshold that counts time instead of bytes.
// Showing a batch costs the window more the more it already shows, so while bytes stream in OnComm
// waits CostFactor times as long as the last handler took (MinGapMs to MaxGapMs), and batches grow
// instead. After a quiet spell, with no bytes and no handler, the first bytes go through at once.
// Times are in milliseconds on any monotonic clock.
class OnCommPacer
{
public:
    static constexpr qint64 QuietMs = 100;
    static constexpr qint64 MinGapMs = 40;
    static constexpr qint64 MaxGapMs = 400;  // with the handler's own time, under half a second behind
    static constexpr qint64 CostFactor = 80; // showing takes about 1% of the time, painting included

    // Bytes arrived at `now`: how long to wait before raising OnComm for them.
    qint64 arrived(qint64 now);
    // A handler ran from `start` to `end`.
    void handled(qint64 start, qint64 end);

private:
    static constexpr qint64 Never = std::numeric_limits<qint64>::min() / 2;
    qint64 m_lastArrival = Never;
    qint64 m_lastEnd = Never;
    qint64 m_lastCost = 0;
};

} // namespace zem
