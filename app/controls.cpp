#include "app/controls.h"

#include "app/control_colours.h"
#include "gfx/frame.h"

namespace {

// The film's web site, opened by the address printed under the view.
constexpr const char* kFilmSiteUrl = "https://www.quarven2.example/";

// The slider's hit area spans rows 13..106: 93/94 at the top, 0 at the bottom.
float volumeAtRow(uint32_t mouseY)
{
    const int32_t fromTop = static_cast<int32_t>(mouseY) - 12;
    return static_cast<float>(1.0 - fromTop / 94.0);
}

void openTrackLink(const Player& player, platform::Desktop& desktop)
{
    const int32_t row = player.state.currentTrack;
    // Before the first track starts there is no current row to link to.
    if (row < 0 || row >= kCatalogueRows)
        return;
    const char* link = player.catalogue.rows[row].link;
    if (link != nullptr && link[0] != '\0')
        desktop.openUrl(link);
}

// Performs the click on `colour`. Returns whether the click is used up; the
// volume slider keeps it so that a held press follows the mouse.
bool performClick(uint32_t colour, InputState& input, Player& player, float& volume, platform::Desktop& desktop)
{
    switch (colour) {
    case control::kPlay: playTrack(player, player.state.currentTrack); break;
    case control::kPause: togglePause(player); break;
    case control::kStop: stopTrack(player); break;
    case control::kPrevious: previousTrack(player); break;
    case control::kNext: nextTrack(player); break;
    case control::kShuffle: toggleShuffle(player); break;
    case control::kVolume:
        setSliderVolume(player, volume, volumeAtRow(input.mouseY));
        return false;
    case control::kMinimise: desktop.minimise(); break;
    case control::kClose: input.quitRequested = 1; break;
    case control::kTrackLink: openTrackLink(player, desktop); break;
    case control::kFilmSite: desktop.openUrl(kFilmSiteUrl); break;
    default: break; // the background and stray colours do nothing
    }
    return true;
}

} // namespace

void setSliderVolume(Player& player, float& volume, float level)
{
    if (!(level > 0.0f))
        level = 0.0f;
    if (level > 1.0f)
        level = 1.0f;
    volume = level;
    setVolume(player, volume);
}

uint32_t hoverColourAt(const CImage& hitMap, const InputState& input)
{
    // The window never reports positions outside itself, but a stray one
    // must not read outside the map: it counts as background.
    if (input.mouseX >= uint32_t(kWindowWidth) || input.mouseY >= uint32_t(kWindowHeight))
        return control::kBackground;
    if (hitMap.pixels == nullptr || input.mouseX >= uint32_t(hitMap.width) || input.mouseY >= uint32_t(hitMap.height))
        return control::kBackground;
    return hitMap.pixels[input.mouseY * uint32_t(hitMap.bufferWidth) + input.mouseX];
}

uint32_t handleControls(const CImage& hitMap, InputState& input, Player& player, float& volume,
                        platform::Desktop& desktop)
{
    const uint32_t hover = hoverColourAt(hitMap, input);
    desktop.setCursor(hover == control::kBackground ? platform::Cursor::Arrow : platform::Cursor::Hand);
    if (input.clickPending != 0 && performClick(hover, input, player, volume, desktop))
        input.clickPending = 0;
    return hover;
}
