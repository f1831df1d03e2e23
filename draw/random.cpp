#include "draw/random.h"

#include <chrono>
#include <cmath>

namespace draw {

namespace {

SeedSource &seedOverride()
{
    static SeedSource source;
    return source;
}

// splitmix64's finaliser: spreads clock ticks that differ in a few low bits over all 64.
std::uint64_t mix(std::uint64_t x)
{
    x += 0x9e3779b97f4a7c15ULL;
    x = (x ^ (x >> 30)) * 0xbf58476d1ce4e5b9ULL;
    x = (x ^ (x >> 27)) * 0x94d049bb133111ebULL;
    return x ^ (x >> 31);
}

}  // namespace

std::uint64_t clockSeed()
{
    const auto ticks = std::uint64_t(std::chrono::high_resolution_clock::now().time_since_epoch().count());
    std::uint64_t entropy = 0;
    try {
        std::random_device device;
        entropy = (std::uint64_t(device()) << 32) ^ std::uint64_t(device());
    } catch (...) {
        // No entropy source on this system: the clock alone still changes at every load.
    }
    return mix(ticks ^ mix(entropy));
}

int slotFor(int count, double r)
{
    if (count <= 0)
        return 0;
    if (!(r > 0.0))  // 0, negative, NaN
        return 0;
    // r is a multiple of 2^-53 from unitFromBits(), so this is exact; any other r below 1
    // is cut down to such a multiple.
    const auto m = std::uint64_t(std::ldexp(r, 53));
    const std::uint64_t top = (std::uint64_t(1) << 53) - 1;
    const std::uint64_t slot = (std::uint64_t(count) * (m < top ? m : top)) >> 53;
    return int(slot);
}

void setSeedSource(SeedSource source)
{
    seedOverride() = std::move(source);
}

Random::Random()
{
    seed(0);
}

void Random::reseed()
{
    const SeedSource &source = seedOverride();
    seed(source ? source() : clockSeed());
}

void Random::seed(std::uint64_t value)
{
    m_seed = value;
    m_engine.seed(value);
}

double Random::next()
{
    return unitFromBits(m_engine());
}

}  // namespace draw
