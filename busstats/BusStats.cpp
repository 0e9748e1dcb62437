#include "busstats/BusStats.h"

#include <algorithm>

#include "busstats/FrameBits.h"

namespace {

// Floor division and modulo, so that times before the clock's epoch stay in
// range too.
int64_t FloorDivide(int64_t a, int64_t b)
{
    return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0);
}

size_t RingIndex(int64_t number, int64_t size)
{
    return static_cast<size_t>(number - FloorDivide(number, size) * size);
}

}  // namespace

BusStats::Bucket& BusStats::BucketAt(Clock::time_point at)
{
    const int64_t number = FloorDivide(at.time_since_epoch().count(), kBucket.count());
    if (!m_started) {
        m_started = true;
        m_current = number;
    } else if (number > m_current) {
        const int64_t passed = std::min<int64_t>(number - m_current, kSlots);
        for (int64_t i = 1; i <= passed; ++i) {
            m_buckets[RingIndex(m_current + i, kSlots)] = Bucket{};
        }
        m_current = number;
    }
    // A time before the current bucket (a late arrival) counts in it.
    return m_buckets[RingIndex(m_current, kSlots)];
}

void BusStats::AddFrame(const CanFrame& frame, int dataBytes, Clock::time_point at)
{
    const bool extended = frame.extended != 0;
    const bool remote = frame.remote != 0;
    const FrameBits bits = CanFrameBits(extended, remote, frame.dlc);
    Bucket& bucket = BucketAt(at);
    ++bucket.frames;
    ++(extended ? bucket.extended : bucket.standard);
    bucket.remote += remote ? 1 : 0;
    bucket.bits += bits.noStuffing;
    bucket.worstBits += bits.worstCase;
    bucket.lineBytes += ReceivedFrameLineBytes(extended, dataBytes);
    ++m_totalFrames;
    m_totalBits += bits.noStuffing;
    m_identifiers.Add(extended, frame.id, bits.noStuffing, at);
}

void BusStats::CountError(BusErrorKind kind, Clock::time_point at)
{
    BusErrorCount& count = m_errors[static_cast<size_t>(kind)];
    ++count.count;
    count.last = at;
}

void BusStats::AddErrorReport(uint8_t code, Clock::time_point at)
{
    BucketAt(at).lineBytes += kErrorReportLineBytes;
    using namespace converter_error;
    if (code & kBusOff) {
        CountError(BusErrorKind::kBusOff, at);
    }
    if (code & (kRxPassive | kTxPassive)) {
        CountError(BusErrorKind::kErrorPassive, at);
    }
    if (code & (kRxWarning | kTxWarning)) {
        CountError(BusErrorKind::kWarning, at);
    }
    if (code & ~kDefined) {
        CountError(BusErrorKind::kOther, at);
    }
}

void BusStats::AddError(BusErrorKind kind, Clock::time_point at)
{
    CountError(kind, at);
}

BusSnapshot BusStats::Sample(Clock::time_point now)
{
    BucketAt(now);
    Bucket sum;
    for (int i = 1; i <= kWindowBuckets; ++i) {
        const Bucket& bucket = m_buckets[RingIndex(m_current + i, kSlots)];
        sum.frames += bucket.frames;
        sum.standard += bucket.standard;
        sum.extended += bucket.extended;
        sum.remote += bucket.remote;
        sum.lineBytes += bucket.lineBytes;
        sum.bits += bucket.bits;
        sum.worstBits += bucket.worstBits;
    }
    const double seconds =
        std::chrono::duration<double>(kBucket).count() * static_cast<double>(kWindowBuckets);
    BusSnapshot snapshot;
    snapshot.framesPerSecond = sum.frames / seconds;
    snapshot.standardPerSecond = sum.standard / seconds;
    snapshot.extendedPerSecond = sum.extended / seconds;
    snapshot.remotePerSecond = sum.remote / seconds;
    if (m_bitRate > 0) {
        snapshot.busLoadPercent = 100.0 * static_cast<double>(sum.bits) / seconds / m_bitRate;
        snapshot.busLoadWorstPercent =
            100.0 * static_cast<double>(sum.worstBits) / seconds / m_bitRate;
    }
    snapshot.lineBytesPerSecond = sum.lineBytes / seconds;
    if (m_lineSpeed > 0) {
        snapshot.lineLoadPercent = 100.0 * snapshot.lineBytesPerSecond / (m_lineSpeed / 10.0);
    }
    snapshot.lineNearlyFull = snapshot.lineLoadPercent > kLineFullPercent;
    snapshot.totalFrames = m_totalFrames;
    snapshot.errors = m_errors;
    return snapshot;
}

double BusStats::LoadSharePercent(const IdStatsTable::Row& row) const
{
    return m_totalBits == 0
               ? 0.0
               : 100.0 * static_cast<double>(row.bits) / static_cast<double>(m_totalBits);
}

void BusStats::Clear()
{
    m_buckets.fill(Bucket{});
    m_started = false;
    m_totalFrames = 0;
    m_totalBits = 0;
    m_errors = {};
    m_identifiers.Clear();
}
