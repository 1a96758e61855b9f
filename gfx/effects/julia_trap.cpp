// Why the disc holds, with the single-precision step as the kernels and the
// plain form compute it:
//   zr' = (zr*zr + cr) - zi*zi,  zi' = zr*zi + (ci + zr*zi).
// Let z* be the attracting fixed point of z^2 + c, and s the float point
// nearest it. For the exact map, f(z) - s = (z - s)(z + s) + (s^2 + c - s),
// so on the disc of radius R around s,
//   |f(z) - s| <= R (R + 2|s|) + |s^2 + c - s|.
// The float step differs from f by at most 8.9 units of 2^-24 while |zr|,
// |zi| <= 1 and |cr|, |ci| <= 1/2 (each of its seven roundings bounded by
// the size of its result). So when R (R + 2|s|) + residual + that error is
// at most R, and the disc lies inside |z| <= 1, every step from a point of
// the disc lands in it again: the point stays far inside the escape radius
// for good. A point that has escaped never comes back near s, so a point
// found in the disc after some step has not escaped before it either: its
// count is the full one, exactly as the plain form finds it.
#include "gfx/effects/julia_trap.h"

#include <cmath>
#include <complex>

namespace q2_julia {
namespace {

// Bounds, each rounded well up: the float step's error (8.9 * 2^-24 is
// 5.3e-7), and how much larger a point's true distance can be than the
// float test's (the test's four roundings, relatively 2.5 * 2^-24).
constexpr double kStepError = 2e-6;
constexpr double kTestSlack = 1e-6;

const JuliaTrap kNoTrap{0.0f, 0.0f, -1.0f};

bool holds(double radius, double centreSize, double residual)
{
    return centreSize + radius <= 1.0 && radius * (radius + 2.0 * centreSize) + residual + kStepError <= radius;
}

} // namespace

JuliaTrap juliaTrap(float cr, float ci)
{
    if (!(std::fabs(cr) <= 0.5f && std::fabs(ci) <= 0.5f))
        return kNoTrap;
    const std::complex<double> c(cr, ci);
    const std::complex<double> fixedPoint = (1.0 - std::sqrt(1.0 - 4.0 * c)) / 2.0;
    const float centreRe = static_cast<float>(fixedPoint.real());
    const float centreIm = static_cast<float>(fixedPoint.imag());
    const std::complex<double> centre(centreRe, centreIm);
    const double centreSize = std::abs(centre);
    // Products of floats are exact in double; the sums' roundings are far
    // below the margins, and the slack covers them.
    const double residual = std::abs(centre * centre + c - centre) + 1e-12;
    const double room = 1.0 - 2.0 * centreSize; // below 0 when z* repels
    // The widest disc catches points soonest; narrower ones hold closer to
    // where the fixed point stops attracting.
    for (double share : {0.95, 0.8, 0.5}) {
        const double wanted = share * room;
        if (wanted <= 0)
            break;
        const float limit = static_cast<float>(wanted * wanted);
        const double radius = std::sqrt(static_cast<double>(limit)) * (1.0 + kTestSlack);
        if (holds(radius, centreSize, residual))
            return {centreRe, centreIm, limit};
    }
    return kNoTrap;
}

} // namespace q2_julia
