#include "app/controls.h"

#include "gfx/frame.h"
#include "tests/support/fake_platform.h"
#include "tests/support/recording_playback.h"
#include "tests/support/test_images.h"

#include <gtest/gtest.h>

#include <cmath>
#include <memory>
#include <string>
#include <vector>

namespace {

using platform::Cursor;
using Calls = std::vector<std::string>;

struct Area {
    uint32_t colour;
    int x0, y0, x1, y1; // inclusive
};

// The controls where the skin paints them.
const Area kPlay{0xFFFF0000u, 134, 66, 200, 118};
const Area kPause{0xFF0000FFu, 170, 144, 215, 188};
const Area kStop{0xFFFF00FFu, 122, 149, 162, 188};
const Area kPrevious{0xFF00FFFFu, 78, 114, 121, 146};
const Area kNext{0xFF00FF00u, 216, 112, 259, 143};
const Area kShuffle{0xFFFFFF00u, 210, 78, 246, 102};
const Area kVolume{0xFF464646u, 33, 13, 57, 106};
const Area kMinimise{0xFF959595u, 297, 6, 312, 22};
const Area kClose{0xFFFFFFFFu, 314, 6, 330, 22};
const Area kTrackLink{0xFF00AEF0u, 9, 367, 31, 389};
const Area kFilmSite{0xFFE2E2E2u, 45, 412, 222, 431};
const Area kStray{0xFF00AEEFu, 9, 366, 25, 366};

const std::vector<Area> kAreas = {kPlay,   kStop,     kPause,    kPrevious,  kNext,     kShuffle,
                                  kVolume, kMinimise, kClose,    kTrackLink, kFilmSite, kStray};

std::unique_ptr<CImage> makeHitMap()
{
    auto map = makeImage(kWindowWidth, kWindowHeight, 0xFF000000u);
    for (const Area& a : kAreas)
        fillRect(*map, a.x0, a.y0, a.x1, a.y1, a.colour);
    return map;
}

class Controls : public ::testing::Test {
protected:
    std::unique_ptr<CImage> hitMap = makeHitMap();
    InputState input;
    Player player;
    float volume = 1.0f;
    RecordingDesktop desktop;

    void SetUp() override
    {
        resetPlaybackRecord();
        player.state.currentTrack = 3;
        player.state.trackCount = 33;
    }

    uint32_t frame() { return handleControls(*hitMap, input, player, volume, desktop); }
    void moveTo(int x, int y)
    {
        input.mouseX = static_cast<uint32_t>(x);
        input.mouseY = static_cast<uint32_t>(y);
    }
    uint32_t pressAt(int x, int y)
    {
        moveTo(x, y);
        input.clickPending = 1;
        return frame();
    }
    // The middle of an area's right half, clear of any overlap.
    uint32_t pressOn(const Area& a) { return pressAt(a.x1 - 1, (a.y0 + a.y1) / 2); }
    const Calls& calls() { return playbackRecord().calls; }
    bool nothingHappened()
    {
        return calls().empty() && desktop.urls.empty() && desktop.minimised == 0 && input.quitRequested == 0 &&
               volume == 1.0f;
    }
};

TEST_F(Controls, BackgroundGivesArrowAndConsumesTheClickWithoutAction)
{
    EXPECT_EQ(pressAt(100, 300), 0xFF000000u);
    EXPECT_EQ(desktop.cursor, Cursor::Arrow);
    EXPECT_EQ(input.clickPending, 0);
    EXPECT_TRUE(nothingHappened());
}

TEST_F(Controls, PositionsOutsideTheMapCountAsBackground)
{
    for (auto [x, y] : std::vector<std::pair<int, int>>{{337, 10}, {10, 443}, {-1, 10}, {100000, 100000}}) {
        SCOPED_TRACE(std::to_string(x) + "," + std::to_string(y));
        EXPECT_EQ(pressAt(x, y), 0xFF000000u);
        EXPECT_EQ(desktop.cursor, Cursor::Arrow);
        EXPECT_EQ(input.clickPending, 0);
    }
    EXPECT_TRUE(nothingHappened());

    // A smaller (damaged) map is never read past its end either.
    hitMap = makeImage(10, 10, 0xFFFF0000u);
    EXPECT_EQ(pressAt(20, 5), 0xFF000000u);
    EXPECT_EQ(pressAt(5, 5), 0xFFFF0000u);
}

TEST_F(Controls, StrayColourGivesHandButDoesNothing)
{
    EXPECT_EQ(pressAt(15, 366), kStray.colour);
    EXPECT_EQ(desktop.cursor, Cursor::Hand);
    EXPECT_EQ(input.clickPending, 0);
    EXPECT_TRUE(nothingHappened());
}

TEST_F(Controls, CursorIsSetEveryFrameWithoutAClick)
{
    moveTo(kNext.x0, kNext.y0);
    frame();
    frame();
    EXPECT_EQ(desktop.cursorCalls, 2);
    EXPECT_EQ(desktop.cursor, Cursor::Hand);
    moveTo(0, 0);
    EXPECT_EQ(frame(), 0xFF000000u);
    EXPECT_EQ(desktop.cursor, Cursor::Arrow);
    EXPECT_TRUE(calls().empty());
}

TEST_F(Controls, EachButtonPerformsItsPlaybackOperationOnce)
{
    const std::vector<std::pair<Area, std::string>> buttons = {
        {kPlay, "playTrack 3"},        {kPause, "togglePause"}, {kStop, "stopTrack"},
        {kPrevious, "previousTrack"}, {kNext, "nextTrack"},    {kShuffle, "toggleShuffle"},
    };
    for (const auto& [area, call] : buttons) {
        SCOPED_TRACE(call);
        resetPlaybackRecord();
        EXPECT_EQ(pressOn(area), area.colour);
        EXPECT_EQ(desktop.cursor, Cursor::Hand);
        EXPECT_EQ(calls(), Calls{call});
        EXPECT_EQ(input.clickPending, 0);
        frame(); // still held over the button: no repeat
        EXPECT_EQ(calls(), Calls{call});
    }
}

TEST_F(Controls, WindowControlsAndLinks)
{
    pressOn(kMinimise);
    EXPECT_EQ(desktop.minimised, 1);
    EXPECT_EQ(input.quitRequested, 0);

    player.catalogue.rows[2].link = "https://two.example/";
    player.catalogue.rows[3].link = "https://three.example/";
    pressOn(kTrackLink);
    ASSERT_EQ(desktop.urls.size(), 1u);
    EXPECT_EQ(desktop.urls[0], "https://three.example/") << "the current track's link";

    pressOn(kFilmSite);
    ASSERT_EQ(desktop.urls.size(), 2u);
    EXPECT_EQ(desktop.urls[1], "https://www.quarven2.example/");

    pressOn(kClose);
    EXPECT_EQ(input.quitRequested, 1);
    EXPECT_EQ(input.clickPending, 0);
    EXPECT_TRUE(calls().empty());
}

TEST_F(Controls, TrackLinkBeforeAnyTrackOpensNothing)
{
    player.state.currentTrack = -1;
    pressOn(kTrackLink);
    EXPECT_TRUE(desktop.urls.empty());
    EXPECT_EQ(input.clickPending, 0);
}

TEST_F(Controls, HeldVolumePressFollowsTheMouseOverTheSlider)
{
    pressAt(45, 13);
    EXPECT_EQ(volume, float(93 / 94.0));
    EXPECT_EQ(playbackRecord().lastVolume, volume);
    EXPECT_EQ(static_cast<uint32_t>(volume * 10000), 9893u) << "the engine's value at the top row";
    EXPECT_EQ(input.clickPending, 1) << "the slider keeps the press";

    moveTo(45, 59);
    frame();
    EXPECT_EQ(volume, float(1 - 47 / 94.0));
    EXPECT_FLOAT_EQ(volume, 0.5f);

    moveTo(45, 106);
    frame();
    EXPECT_EQ(volume, 0.0f);
    EXPECT_EQ(static_cast<uint32_t>(volume * 10000), 0u);
    EXPECT_EQ((Calls{"setVolume", "setVolume", "setVolume"}), calls()) << "once per frame while held";

    input.clickPending = 0; // released
    moveTo(45, 13);
    frame();
    EXPECT_EQ(volume, 0.0f);
    EXPECT_EQ(calls().size(), 3u);
}

TEST_F(Controls, VolumePressDraggedOntoAButtonActsOnce)
{
    pressAt(45, 50);
    moveTo(kNext.x0 + 2, kNext.y0 + 2);
    frame();
    frame();
    EXPECT_EQ((Calls{"setVolume", "nextTrack"}), calls());
    EXPECT_EQ(input.clickPending, 0);
}

// --- the overlay -----------------------------------------------------------

constexpr uint32_t kNormal = 0xFF101010u;
constexpr uint32_t kHover = 0xFF202020u;
constexpr uint32_t kActive = 0xFF303030u;
constexpr uint32_t kViewPixel = 0xFFABCDEFu;

// The green key: a patch inside the view, pure green in all three layers
// (with differing alpha, which does not matter).
const Area kKey{0, 20, 200, 30, 210};

class Overlay : public ::testing::Test {
protected:
    std::unique_ptr<CImage> hitMap = makeHitMap();
    std::unique_ptr<CImage> normal = layer(kNormal, 0xFF00FF00u);
    std::unique_ptr<CImage> hover = layer(kHover, 0x0000FF00u);
    std::unique_ptr<CImage> active = layer(kActive, 0x8000FF00u);
    std::unique_ptr<CImage> knob = makeImage(25, 20, 0xFFFFFFFFu);
    SkinImages skin{*normal, *hover, *active, *knob, *hitMap};
    std::vector<uint32_t> window = std::vector<uint32_t>(kWindowWidth * kWindowHeight, kViewPixel);

    static std::unique_ptr<CImage> layer(uint32_t fill, uint32_t key)
    {
        auto image = makeImage(kWindowWidth, kWindowHeight, fill);
        fillRect(*image, kKey.x0, kKey.y0, kKey.x1, kKey.y1, key);
        return image;
    }
    void overlay(uint32_t hoverColour, bool active, bool paused, bool shuffle, float vol = 1.0f)
    {
        overlaySkin(window.data(), skin, hoverColour, active, paused, shuffle, vol);
    }
    uint32_t at(int x, int y) const { return window[y * kWindowWidth + x]; }
    uint32_t in(const Area& a) const { return at(a.x1 - 1, a.y1 - 1); }
    // How many pixels of the window show `value`.
    int count(uint32_t value) const
    {
        int n = 0;
        for (uint32_t p : window)
            n += p == value ? 1 : 0;
        return n;
    }
    static int size(const Area& a) { return (a.x1 - a.x0 + 1) * (a.y1 - a.y0 + 1); }
};

TEST_F(Overlay, GreenKeyLeavesTheViewAndTheRestShowsTheNormalLayer)
{
    overlay(0xFF000000u, false, false, false);
    EXPECT_EQ(at(20, 200), kViewPixel);
    EXPECT_EQ(at(30, 210), kViewPixel);
    EXPECT_EQ(count(kViewPixel), size(kKey));
    EXPECT_EQ(at(19, 200), kNormal);
    EXPECT_EQ(at(0, 0), kNormal);
    EXPECT_EQ(count(kHover), 0) << "no hover over the background";
}

TEST_F(Overlay, HoverShowsOnlyOnTheControlUnderTheMouse)
{
    overlay(kNext.colour, false, false, false);
    EXPECT_EQ(count(kHover), size(kNext));
    EXPECT_EQ(in(kNext), kHover);
    EXPECT_EQ(in(kPrevious), kNormal);

    overlay(kStray.colour, false, false, false);
    EXPECT_EQ(count(kHover), size(kStray)) << "whole colours compare, stray ones too";
}

TEST_F(Overlay, StopLampIsLitWhileNothingPlays)
{
    overlay(0xFF000000u, false, false, false);
    EXPECT_EQ(count(kActive), size(kStop));
    EXPECT_EQ(in(kPlay), kNormal);

    // A lit control stays lit under the mouse.
    overlay(kStop.colour, false, false, false);
    EXPECT_EQ(in(kStop), kActive);
    EXPECT_EQ(count(kHover), 0);
}

TEST_F(Overlay, PlayLampWhilePlayingAndPausedAlsoLightsPause)
{
    overlay(0xFF000000u, true, false, false);
    EXPECT_EQ(in(kPlay), kActive);
    EXPECT_EQ(in(kStop), kNormal);
    EXPECT_EQ(in(kPause), kNormal);
    EXPECT_EQ(count(kActive), size(kPlay));

    // Paused (the stream is stopped), and stop pressed while paused: play
    // and pause stay lit.
    overlay(0xFF000000u, false, true, false);
    EXPECT_EQ(in(kPlay), kActive);
    EXPECT_EQ(in(kPause), kActive);
    EXPECT_EQ(in(kStop), kNormal);
}

TEST_F(Overlay, ShuffleLampFollowsShuffle)
{
    overlay(kShuffle.colour, true, false, true);
    EXPECT_EQ(in(kShuffle), kActive);
    overlay(kShuffle.colour, true, false, false);
    EXPECT_EQ(in(kShuffle), kHover);
}

TEST_F(Overlay, KnobSitsOnTheSliderByVolume)
{
    constexpr uint32_t kKnobOverNormal = 0xFFFEFEFEu; // white, alpha 255, over 0x10
    overlay(0xFF000000u, false, false, false, 1.0f);
    EXPECT_EQ(at(33, 13), kKnobOverNormal);
    EXPECT_EQ(at(57, 32), kKnobOverNormal);
    EXPECT_EQ(at(45, 12), kNormal);
    EXPECT_EQ(at(45, 33), kNormal);
    EXPECT_EQ(at(58, 20), kNormal);
    EXPECT_EQ(count(kKnobOverNormal), 25 * 20);

    overlay(0xFF000000u, false, false, false, 0.0f);
    EXPECT_EQ(at(33, 87), kKnobOverNormal);
    EXPECT_EQ(at(57, 106), kKnobOverNormal);
    EXPECT_EQ(at(45, 86), kNormal);
    EXPECT_EQ(at(45, 107), kNormal);

    // The top row truncates: (1 - 0.5) * 74 + 13 = 50.
    overlay(0xFF000000u, false, false, false, 0.5f);
    EXPECT_EQ(at(45, 50), kKnobOverNormal);
    EXPECT_EQ(at(45, 49), kNormal);
}

TEST_F(Overlay, KnobBlendsByItsOwnAlphaAndKeepsTheWindowsAlpha)
{
    knob->pixels[0] = 0x00FFFFFFu;  // transparent surround
    knob->pixels[1] = 0x81FF0000u;  // partly covering red
    fillRect(*normal, 0, 0, 100, 100, 0x7F101010u);
    overlay(0xFF000000u, false, false, false, 1.0f);
    EXPECT_EQ(at(33, 13), 0x7F101010u);
    EXPECT_EQ(at(34, 13), 0x7F880707u) << "16 + (239 * 129 >> 8) and 16 + (-16 * 129 >> 8)";
}

TEST_F(Overlay, LayersOfTheWrongSizeAreNotRead)
{
    const auto smallHover = makeImage(10, 10, kHover);
    SkinImages broken{*normal, *smallHover, *active, *knob, *hitMap};
    overlaySkin(window.data(), broken, kNext.colour, false, false, false, 1.0f);
    EXPECT_EQ(count(kViewPixel), kWindowWidth * kWindowHeight - 25 * 20) << "only the knob is drawn";
}

} // namespace
