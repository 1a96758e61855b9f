#include "app/composition.h"

#include "gfx/frame.h"
#include "tests/support/each_target.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

namespace {

constexpr uint32_t kGrey = 0xFF808080u;

struct View {
    std::vector<uint32_t> pixels = std::vector<uint32_t>(kViewWidth * kViewHeight, kGrey);
    uint32_t at(int x, int y) const { return pixels[y * kViewWidth + x]; }
    int changed() const
    {
        int n = 0;
        for (uint32_t p : pixels)
            n += p != kGrey ? 1 : 0;
        return n;
    }
    // The columns of `row` whose pixel is `value`.
    std::vector<int> columnsOf(int row, uint32_t value) const
    {
        std::vector<int> columns;
        for (int x = 0; x < kViewWidth; ++x)
            if (at(x, row) == value)
                columns.push_back(x);
        return columns;
    }
};

std::vector<float> spectrumOf(float magnitude) { return std::vector<float>(256, magnitude); }

// The rows of column x that the strips changed.
std::pair<int, int> changedRows(const View& view, int x)
{
    int first = -1, last = -1;
    for (int y = 0; y < kViewHeight; ++y)
        if (view.at(x, y) != kGrey) {
            if (first < 0)
                first = y;
            last = y;
        }
    return {first, last};
}

TEST(Spectrum, SilenceLeavesTwoRowStripsDarkenedByTheirCeiling)
{
    View view;
    // Channels that show the rounding: 1..128 drop by 1, 129..255 by 2, 0 stays.
    for (int x = 0; x < kViewWidth; ++x)
        for (int y = 118; y <= 121; ++y)
            view.pixels[y * kViewWidth + x] = 0x12FF8001u;
    view.pixels[119 * kViewWidth + 40] = 0x00810000u;
    const auto silence = spectrumOf(0.0f);
    drawSpectrum(view.pixels.data(), silence.data());

    for (int x = 32; x < 288; ++x) {
        ASSERT_EQ(view.at(x, 120), 0x12FD7F00u) << x;
        if (x != 40) {
            ASSERT_EQ(view.at(x, 119), 0x12FD7F00u) << x;
        }
        ASSERT_EQ(view.at(x, 118), 0x12FF8001u) << x;
        ASSERT_EQ(view.at(x, 121), 0x12FF8001u) << x;
    }
    EXPECT_EQ(view.at(40, 119), 0x007F0000u);
    EXPECT_EQ(view.at(31, 119), 0x12FF8001u) << "32 columns free on the left";
    EXPECT_EQ(view.at(288, 120), 0x12FF8001u) << "and on the right";
}

TEST(Spectrum, FullScaleStripsSpanRows19To220)
{
    for (float magnitude : {1.0f, 2.0f, std::numeric_limits<float>::infinity()}) {
        SCOPED_TRACE(magnitude);
        View view;
        const auto loud = spectrumOf(magnitude);
        drawSpectrum(view.pixels.data(), loud.data());
        EXPECT_EQ(changedRows(view, 32), std::make_pair(19, 220));
        EXPECT_EQ(changedRows(view, 287), std::make_pair(19, 220));
        // Strength 202: 128 - ceil(128 * 202 / 256) = 128 - 101.
        EXPECT_EQ(view.at(100, 19), 0xFF1B1B1Bu);
        EXPECT_EQ(view.changed(), 256 * 202);
    }
}

TEST(Spectrum, StripHeightFollowsTheTenthPower)
{
    View view;
    auto spectrum = spectrumOf(0.0f);
    spectrum[10] = 0.3f; // 0.3^0.1 = 0.8866: j = 89
    drawSpectrum(view.pixels.data(), spectrum.data());
    EXPECT_EQ(changedRows(view, 42), std::make_pair(120 - 89, 120 + 89 - 1));
    EXPECT_EQ(changedRows(view, 43), std::make_pair(119, 120));
}

TEST(Spectrum, MagnitudesThatGiveNoNumberDrawNoStrip)
{
    View view;
    auto spectrum = spectrumOf(std::numeric_limits<float>::quiet_NaN());
    spectrum[5] = -1.0f; // a negative base to a fractional power
    drawSpectrum(view.pixels.data(), spectrum.data());
    EXPECT_EQ(view.changed(), 0);
}

// --- texts -------------------------------------------------------------

constexpr uint32_t kShadow40 = 0xFF606060u;  // 0x80 with a quarter taken away
constexpr uint32_t kShadow80 = 0xFF404040u;  // 0x80 halved
constexpr uint32_t kWhiteOver = 0xFFFEFEFEu; // 0x80 + (0x7F * 255 >> 8)

// A font whose glyphs are a single pixel at the pen: 'W' advances by 23 and
// 'M' by 33 ('i' by 1), so a text's width is easy to set.
struct DotFont {
    BitmapFont font;
    explicit DotFont(int32_t fixedAdvance = -1)
    {
        font.sheet = makeImage(1, 1, 0xFFFFFFFFu).release();
        font.glyphs['W'] = {0, 0, 1, 1, 0, 0, 23};
        font.glyphs['M'] = {0, 0, 1, 1, 0, 0, 33};
        font.glyphs['i'] = {0, 0, 1, 1, 0, 0, 1};
        font.glyphs['A'] = {0, 0, 1, 1, 0, 0, 6};
        font.fixedAdvance = fixedAdvance;
    }
};

// Where the dots of a text drawn from x lie, one every `advance` pixels.
std::vector<int> dotsFrom(int x, int count, int advance)
{
    std::vector<int> columns;
    for (int i = 0; i < count; ++i)
        if (x + i * advance >= 0 && x + i * advance < kViewWidth)
            columns.push_back(x + i * advance);
    return columns;
}

std::vector<int> followedBy(std::vector<int> columns, int column)
{
    columns.push_back(column);
    return columns;
}

// The strips as described, strip by strip and pixel by pixel, for checking
// the row-wise drawing against.
void plainStrips(std::vector<uint32_t>& view, const std::vector<float>& spectrum)
{
    for (int i = 0; i < 256; ++i) {
        float v = static_cast<float>(std::pow(double(spectrum[i]), double(0.1f)));
        if (v > 1.0f)
            v = 1.0f;
        const double scaled = (double(v) + 0.01) * 100.0;
        if (!(scaled >= 1.0))
            continue;
        const int j = static_cast<int>(scaled);
        for (int y = 120 - j; y < 120 + j; ++y) {
            uint32_t& p = view[y * kViewWidth + 32 + i];
            uint32_t out = p & 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8) {
                const int32_t c = static_cast<int32_t>((p >> shift) & 0xFF);
                out |= static_cast<uint32_t>(c + ((-(c * 2 * j)) >> 8)) << shift;
            }
            p = out;
        }
    }
}

TEST(Spectrum, RowWiseStripsEqualThePlainOnesForAnySpectrumAndView)
{
    forEachTarget([](const simd::Target& target) {
        uint32_t seed = 12345;
        const auto next = [&] { return seed = seed * 1664525u + 1013904223u; };
        for (int round = 0; round < 40; ++round) {
            std::vector<uint32_t> view(kViewWidth * kViewHeight);
            for (uint32_t& p : view)
                p = next();
            std::vector<float> spectrum(256);
            for (float& m : spectrum) {
                const uint32_t r = next();
                // Silence, full scale and beyond, no number, and everything between.
                m = r % 17 == 0   ? 0.0f
                    : r % 19 == 0 ? 3.0f
                    : r % 23 == 0 ? std::nanf("")
                                  : float(r >> 8) / float(1 << 24);
                if (round % 4 == 0)
                    m = m * m * m * m * m * m; // mostly short strips
            }
            std::vector<uint32_t> expected = view;
            plainStrips(expected, spectrum);
            drawSpectrum(view.data(), spectrum.data());
            ASSERT_EQ(view, expected) << "round " << round << ", " << target.name;
        }
    });
}

// Each height begins at a magnitude near ((h / 100) - 0.01)^10; the floats
// around those beginnings are where a height counted from steps would be
// one row off.
TEST(Spectrum, StripHeightsEqualTheTenthPowerAtEveryStep)
{
    std::vector<float> magnitudes;
    for (int half = 1; half <= 101; ++half) {
        const float near = static_cast<float>(std::pow(half / 100.0 - 0.01, 10.0));
        uint32_t bits;
        std::memcpy(&bits, &near, sizeof bits);
        for (uint32_t ulp = bits > 64 ? bits - 64 : 0; ulp <= bits + 64; ++ulp) {
            float m;
            std::memcpy(&m, &ulp, sizeof m);
            magnitudes.push_back(m);
        }
    }
    magnitudes.push_back(-0.0f);
    magnitudes.push_back(std::numeric_limits<float>::infinity());
    magnitudes.push_back(std::numeric_limits<float>::denorm_min());
    for (size_t first = 0; first < magnitudes.size(); first += 256) {
        std::vector<float> spectrum(256, 0.5f);
        for (size_t i = first; i < std::min(first + 256, magnitudes.size()); ++i)
            spectrum[i - first] = magnitudes[i];
        std::vector<uint32_t> view(kViewWidth * kViewHeight, 0xFFC08040u);
        std::vector<uint32_t> expected = view;
        plainStrips(expected, spectrum);
        drawSpectrum(view.data(), spectrum.data());
        ASSERT_EQ(view, expected) << "magnitudes from " << magnitudes[first];
    }
}

TEST(Scroller, TextThatFitsStaysAt32)
{
    DotFont large;
    const std::string fits(10, 'W'); // 230 wide
    View view;
    drawScroller(view.pixels.data(), large.font, fits.c_str(), 1000, 987654);
    EXPECT_EQ(view.columnsOf(224, kShadow40), dotsFrom(32, 10, 23)) << "shadow at x";
    EXPECT_EQ(view.columnsOf(222, kWhiteOver), dotsFrom(30, 10, 23)) << "text 2 left and 2 up";
    EXPECT_EQ(view.changed(), 20);
}

TEST(Scroller, WiderTextSwingsWithTheTimeSinceTheTrackStarted)
{
    DotFont large;
    const std::string justTooWide = std::string(10, 'W') + "i"; // 231
    const auto shadowAt = [&](const std::string& text, uint32_t start, uint32_t now) {
        View view;
        drawScroller(view.pixels.data(), large.font, text.c_str(), start, now);
        return view.columnsOf(224, kShadow40);
    };
    EXPECT_EQ(shadowAt(justTooWide, 5000, 5000), followedBy(dotsFrom(32, 10, 23), 262)) << "at the start";
    EXPECT_EQ(shadowAt(justTooWide, 5000, 5001), followedBy(dotsFrom(31, 10, 23), 261)) << "one pixel left at once";

    const std::string wide(10, 'M'); // 330: swings 100 pixels
    EXPECT_EQ(shadowAt(wide, 0, 6283), dotsFrom(-67, 10, 33)) << "-67.99... truncates toward zero";
    // cos(0.256): x = 32 - (1 - 0.98370) * 100 = 30.37
    EXPECT_EQ(shadowAt(wide, 0, 512), dotsFrom(30, 10, 33));
    EXPECT_EQ(shadowAt(wide, 0xFFFFFF00u, 0x100u), dotsFrom(30, 10, 33)) << "the clock wraps around";
}

TEST(InfoText, CentredOnTheSixPixelCellWithAHalfShadow)
{
    DotFont small(6);
    TrackEntry track{};
    track.infoText = "A";
    track.infoColumns = 10;
    track.infoLineBreaks = 4;
    View view;
    drawInfoText(view.pixels.data(), small.font, track);
    EXPECT_EQ(view.at(131, 109), kShadow80);
    EXPECT_EQ(view.at(130, 108), kWhiteOver);
    EXPECT_EQ(view.changed(), 2);
}

TEST(InfoText, NothingWithoutTextAndOversizedTextIsClipped)
{
    DotFont small(6);
    TrackEntry none{};
    none.infoColumns = 10;
    View view;
    drawInfoText(view.pixels.data(), small.font, none);
    EXPECT_EQ(view.changed(), 0);

    TrackEntry wide{};
    wide.infoText = "AAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAAA"; // 61 columns
    wide.infoColumns = 61;
    drawInfoText(view.pixels.data(), small.font, wide);
    // (320 - 366) / 2 = -23: the first four dots fall left of the view.
    EXPECT_EQ(view.columnsOf(120, kWhiteOver), dotsFrom(1, 57, 6));
}

TEST(ViewCopy, LandsAt8150AndTouchesNothingElse)
{
    std::vector<uint32_t> view(kViewWidth * kViewHeight);
    for (size_t i = 0; i < view.size(); ++i)
        view[i] = static_cast<uint32_t>(i * 2654435761u);
    std::vector<uint32_t> window(kWindowWidth * kWindowHeight, 0xDEADBEEFu);
    copyView(window.data(), view.data());

    int untouched = 0;
    for (int y = 0; y < kWindowHeight; ++y)
        for (int x = 0; x < kWindowWidth; ++x) {
            const uint32_t p = window[y * kWindowWidth + x];
            if (x >= 8 && x < 328 && y >= 150 && y < 390) {
                ASSERT_EQ(p, view[(y - 150) * kViewWidth + x - 8]) << x << "," << y;
            } else {
                untouched += p == 0xDEADBEEFu ? 1 : 0;
            }
        }
    EXPECT_EQ(untouched, kWindowWidth * kWindowHeight - kViewWidth * kViewHeight);
}

} // namespace
