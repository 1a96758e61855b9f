#include "tools/assetgen/skin_layout.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace assetgen {

namespace {

FaceShape disc(float x, float y, float radius) { return {FaceShape::disc, {x, y}, 0.0f, radius, {}}; }
FaceShape pill(float x, float y, float halfLength, float radius)
{
    return {FaceShape::pill, {x, y}, halfLength, radius, {}};
}
FaceShape plate(Box edges, float radius)
{
    return {FaceShape::plate, {(edges.left + edges.right + 1) * 0.5f, (edges.top + edges.bottom + 1) * 0.5f}, 0.0f,
            radius, edges};
}

// The lower buttons hang over the top of the view on the console's tongue.
constexpr float lowerRowY = 167.0f;

} // namespace

const std::vector<Control>& skinControls()
{
    static const std::vector<Control> controls = {
        {ControlKind::play, 0xFF0000, {134, 66, 200, 118}, disc(167.0f, 92.0f, 24.0f)},
        {ControlKind::pause, 0x0000FF, {170, 144, 215, 188}, disc(192.5f, lowerRowY, 16.0f)},
        {ControlKind::stop, 0xFF00FF, {122, 149, 162, 188}, disc(142.0f, lowerRowY, 16.0f)},
        {ControlKind::previous, 0x00FFFF, {78, 114, 121, 146}, pill(99.5f, 130.0f, 5.5f, 14.0f)},
        {ControlKind::next, 0x00FF00, {216, 112, 259, 143}, pill(237.5f, 127.5f, 5.5f, 14.0f)},
        {ControlKind::shuffle, 0xFFFF00, {210, 78, 246, 102}, pill(228.0f, 90.0f, 5.5f, 11.0f)},
        {ControlKind::volume, 0x464646, {33, 13, 57, 106}, plate({33, 13, 57, 106}, 0.0f)},
        {ControlKind::minimise, 0x959595, {297, 6, 312, 22}, plate({298, 7, 311, 21}, 2.5f)},
        {ControlKind::close, 0xFFFFFF, {314, 6, 330, 22}, plate({315, 7, 329, 21}, 2.5f)},
        {ControlKind::link, 0x00AEF0, {9, 367, 31, 389}, plate({11, 369, 29, 387}, 2.5f)},
        {ControlKind::webAddress, 0xE2E2E2, {45, 412, 222, 431}, plate({45, 412, 222, 431}, 4.0f)},
    };
    return controls;
}

const Control& control(ControlKind kind)
{
    for (const Control& c : skinControls())
        if (c.kind == kind)
            return c;
    std::fprintf(stderr, "assetgen: control missing from the skin layout\n");
    std::exit(1);
}

float faceDistance(const Control& c, Vec2 p)
{
    const FaceShape& f = c.face;
    switch (f.form) {
    case FaceShape::disc:
        return circle(p, f.centre, f.radius);
    case FaceShape::pill:
        return capsule(p, {f.centre.x - f.halfLength, f.centre.y}, {f.centre.x + f.halfLength, f.centre.y}, f.radius);
    case FaceShape::plate:
        break;
    }
    const Box& e = f.plateEdges;
    return roundRect(p, static_cast<float>(e.left), static_cast<float>(e.top), e.right + 1.0f, e.bottom + 1.0f,
                     f.radius);
}

bool inHitShape(const Control& c, int x, int y)
{
    if (x < c.area.left || x > c.area.right || y < c.area.top || y > c.area.bottom)
        return false;
    if (c.kind == ControlKind::volume || c.kind == ControlKind::webAddress)
        return true; // the whole strip answers, not just the painted shape
    return faceDistance(c, {x + 0.5f, y + 0.5f}) < 1.0f;
}

namespace {

// The console's tongue over the view, holding the stop and pause buttons.
float tongueDistance(Vec2 p)
{
    const float stopX = control(ControlKind::stop).face.centre.x;
    const float pauseX = control(ControlKind::pause).face.centre.x;
    const float round = capsule(p, {stopX, lowerRowY}, {pauseX, lowerRowY}, 22.0f);
    const float neck = roundRect(p, stopX - 22.0f, 120.0f, pauseX + 22.0f, lowerRowY, 0.0f);
    return std::min(round, neck);
}

// The link box and a pixel of frame around it.
float linkCoverDistance(Vec2 p)
{
    const Box& a = control(ControlKind::link).area;
    return roundRect(p, a.left - 4.0f, a.top - 2.0f, a.right + 3.0f, a.bottom + 6.0f, 4.0f);
}

} // namespace

float consoleDistance(Vec2 p)
{
    return std::min(roundRect(p, 70.0f, 54.0f, 268.0f, 152.0f, 18.0f), tongueDistance(p));
}

float openingDistance(Vec2 p)
{
    const Box& o = viewOpening;
    const float rect = roundRect(p, static_cast<float>(o.left), static_cast<float>(o.top), o.right + 1.0f,
                                 o.bottom + 1.0f, viewCornerRadius);
    return std::max({rect, -(consoleDistance(p) - 1.0f), -linkCoverDistance(p)});
}

bool isViewKey(int x, int y)
{
    if (x < viewOpening.left || x > viewOpening.right || y < viewOpening.top || y > viewOpening.bottom)
        return false;
    return openingDistance({x + 0.5f, y + 0.5f}) < 0.0f;
}

} // namespace assetgen
