// The one description of the skin's controls: where each lies, the colour
// that marks it in the hit map, and the shape of its face. The layers, the
// hit map and the knob are all drawn from this, so they cannot drift apart.
#pragma once

#include "tools/assetgen/skin_draw.h"

#include <cstdint>
#include <vector>

namespace assetgen {

constexpr int skinWidth = 337;
constexpr int skinHeight = 443;

// The window rectangle the effect view is copied into, and the part of it
// that may show through (the frame covers the rest).
constexpr Box viewRectangle{8, 150, 327, 389};
constexpr Box viewOpening{9, 150, 326, 388};
constexpr float viewCornerRadius = 7.0f;

constexpr uint32_t greenKey = 0x00FF00;
constexpr char filmAddress[] = "www.quarven2.example";

constexpr int knobWidth = 25;
constexpr int knobHeight = 20;

enum class ControlKind {
    play,
    pause,
    stop,
    previous,
    next,
    shuffle,
    volume,
    minimise,
    close,
    link,
    webAddress,
};

// How a control's face is cut: a disc, a pill (capsule) or a rounded rectangle.
struct FaceShape {
    enum Form { disc, pill, plate } form;
    Vec2 centre;
    float halfLength; // pill: half the distance between its end centres
    float radius;     // disc and pill: radius; plate: corner radius
    Box plateEdges;   // plate: inclusive pixel bounds
};

struct Control {
    ControlKind kind;
    uint32_t hitColour; // 0xRRGGBB in the hit map
    Box area;           // the hit colour never leaves this
    FaceShape face;
};

const std::vector<Control>& skinControls();
const Control& control(ControlKind kind);

// Signed distance to a control's face.
float faceDistance(const Control& c, Vec2 p);

// Pixels of the control in the hit map: its face plus a pixel of margin,
// never outside its area.
bool inHitShape(const Control& c, int x, int y);

// Signed distance to the black lacquered console that carries the transport
// buttons; its tongue hangs over the top edge of the view.
float consoleDistance(Vec2 p);

// Signed distance to the opening through which the view shows: the view
// rectangle less its rounded corners, the transport console that hangs
// into its top edge and the link box in its lower left corner.
float openingDistance(Vec2 p);
// Pixel of the green key.
bool isViewKey(int x, int y);

} // namespace assetgen
