#include "gfx/simd_target.h"

#include <gtest/gtest.h>

#include <cctype>
#include <cstdlib>
#include <string>

namespace {

std::string lowerCase(const char* name)
{
    std::string lower(name);
    for (char& c : lower)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return lower;
}

// QUARVEN2_SIMD as a user sets it to measure a processor that lacks the
// newer targets: any name of a target this processor runs, in any case,
// is honoured; a name that is not a target here keeps the best one.
TEST(VectorTarget, TheEnvironmentForcesEveryRunnableTargetAndRefusesOthers)
{
    const simd::Target best = simd::activeTarget();
    ASSERT_NE(best.bits, 0);
    unsetenv("QUARVEN2_SIMD");
    EXPECT_TRUE(simd::applyTargetFromEnvironment());
    EXPECT_EQ(simd::activeTarget().bits, best.bits);

    for (const simd::Target& target : simd::compiledTargets()) {
        setenv("QUARVEN2_SIMD", lowerCase(target.name).c_str(), 1);
        EXPECT_EQ(simd::applyTargetFromEnvironment(), target.supported) << target.name;
        EXPECT_EQ(simd::activeTarget().bits, target.supported ? target.bits : best.bits) << target.name;
        simd::forceTarget(0);
    }

    setenv("QUARVEN2_SIMD", "NO-SUCH-TARGET", 1);
    EXPECT_FALSE(simd::applyTargetFromEnvironment());
    EXPECT_EQ(simd::activeTarget().bits, best.bits);
    unsetenv("QUARVEN2_SIMD");
}

} // namespace
