#pragma once
// The draw sheet's pseudo-random generator: uniform numbers in [0, 1), re-seeded each
// time a sheet is prepared.

#include <cstdint>
#include <functional>
#include <random>

namespace draw {

// Where a sheet takes its seed from when it is prepared.
using SeedSource = std::function<std::uint64_t()>;

// A seed from the high-resolution clock mixed with std::random_device, so that two sheets
// prepared within the same clock second (or tick) still differ.
std::uint64_t clockSeed();

// The top 53 bits as a multiple of 2^-53: never 1.0, whatever the bits
// (std::generate_canonical may round up to 1.0).
constexpr double unitFromBits(std::uint64_t bits)
{
    return double(bits >> 11) * 0x1.0p-53;
}

// The slot floor(count * r + 1) - 1 for 0 <= r < 1, worked out exactly. In doubles,
// count * r + 1 can round up to count + 1 when r is just below 1 (count 32,
// r = 1 - 2^-53 gives 33 - 2^-48, a tie that rounds to 33); in integers it cannot.
// count is at most 2048, so the product stays within 64 bits.
int slotFor(int count, double r);

// Test seam: sheets prepared from now on take their seeds from `source`; an empty source
// returns to clockSeed().
void setSeedSource(SeedSource source);

class Random {
public:
    Random();

    // Takes a fresh seed from the seed source (clockSeed() unless a test set one).
    void reseed();
    void seed(std::uint64_t value);
    std::uint64_t lastSeed() const { return m_seed; }

    // The next number, uniform in [0, 1).
    double next();

private:
    std::mt19937_64 m_engine;
    std::uint64_t m_seed = 0;
};

}  // namespace draw
