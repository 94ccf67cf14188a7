#include "core/store/StoredDates.h"

#include <array>

namespace {

constexpr int FILTER_BITS_LOG2 = 24;

// Three bit positions for a date, from one well-mixed 64-bit value.
std::array<quint64, 3> filterBits(long long date)
{
    quint64 z = quint64(date) + 0x9E3779B97F4A7C15ULL;
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    z ^= z >> 31;
    constexpr quint64 mask = (quint64(1) << FILTER_BITS_LOG2) - 1;
    return {z & mask, (z >> 20) & mask, (z >> 40) & mask};
}

} // namespace

StoredDates::StoredDates() : m_bits((std::size_t(1) << FILTER_BITS_LOG2) / 64) {}

void StoredDates::add(long long date)
{
    for (const quint64 bit : filterBits(date))
        m_bits[bit / 64] |= quint64(1) << (bit % 64);
}

bool StoredDates::mayHold(long long date) const
{
    const auto [a, b, c] = filterBits(date);
    const auto held = [this](quint64 bit) { return (m_bits[bit / 64] >> (bit % 64)) & 1; };
    return held(a) && held(b) && held(c);
}
