#include "oncommpacer.h"

#include <algorithm>

namespace zem {

qint64 OnCommPacer::arrived(qint64 now)
{
    // A handler that ran is no quiet: after a slow one, bytes that waited for it are a stream.
    const bool quiet = now - std::max(m_lastArrival, m_lastEnd) >= QuietMs;
    m_lastArrival = now;
    if (quiet)
        return 0;
    const qint64 gap = std::clamp(m_lastCost * CostFactor, MinGapMs, MaxGapMs);
    return std::max<qint64>(0, m_lastEnd + gap - now);
}

void OnCommPacer::handled(qint64 start, qint64 end)
{
    m_lastCost = end - start;
    m_lastEnd = end;
}

} // namespace zem
