// The skin as the program embeds it: three layers, the hit map, the knob and
// the icon, checked against the control table they must agree with.

#include "assets/assets.h"
#include "gfx/image.h"

#include <gtest/gtest.h>
#include <png.h>

#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

namespace {

constexpr int skinWidth = 337;
constexpr int skinHeight = 443;
constexpr uint32_t black = 0xFF000000;
constexpr uint32_t pureGreen = 0x00FF00;

struct Area {
    int left, top, right, bottom;
    bool contains(int x, int y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

struct ControlRow {
    const char* name;
    uint32_t colour;
    Area area;
    bool sameInAllLayers;
};

const ControlRow controlTable[] = {
    {"play", 0xFFFF0000, {134, 66, 200, 118}, false},
    {"pause", 0xFF0000FF, {170, 144, 215, 188}, false},
    {"stop", 0xFFFF00FF, {122, 149, 162, 188}, false},
    {"previous", 0xFF00FFFF, {78, 114, 121, 146}, false},
    {"next", 0xFF00FF00, {216, 112, 259, 143}, false},
    {"shuffle", 0xFFFFFF00, {210, 78, 246, 102}, false},
    {"volume", 0xFF464646, {33, 13, 57, 106}, true},
    {"minimise", 0xFF959595, {297, 6, 312, 22}, false},
    {"close", 0xFFFFFFFF, {314, 6, 330, 22}, false},
    {"link", 0xFF00AEF0, {9, 367, 31, 389}, false},
    {"web address", 0xFFE2E2E2, {45, 412, 222, 431}, true},
};

const ControlRow* rowOf(uint32_t colour)
{
    for (const ControlRow& row : controlTable)
        if (row.colour == colour)
            return &row;
    return nullptr;
}

// The raw content of a palette PNG, as libpng reads it without conversions.
struct RawPalettePng {
    int width = 0;
    int height = 0;
    int colourType = -1;
    std::vector<uint8_t> indices;
    std::vector<uint8_t> transparency; // the tRNS alphas, empty without the chunk
};

struct Reader {
    const uint8_t* data;
    size_t size;
    size_t at;
};

void readFromMemory(png_structp png, png_bytep out, size_t length)
{
    auto* r = static_cast<Reader*>(png_get_io_ptr(png));
    if (r->at + length > r->size)
        png_error(png, "read past the end");
    std::memcpy(out, r->data + r->at, length);
    r->at += length;
}

RawPalettePng readRaw(const AssetBlob& blob)
{
    RawPalettePng raw;
    Reader reader{blob.bytes, blob.fileSize(), 0};
    png_structp png = png_create_read_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        png_destroy_read_struct(&png, &info, nullptr);
        return RawPalettePng{};
    }
    png_set_read_fn(png, &reader, readFromMemory);
    png_read_info(png, info);
    raw.width = static_cast<int>(png_get_image_width(png, info));
    raw.height = static_cast<int>(png_get_image_height(png, info));
    raw.colourType = png_get_color_type(png, info);
    png_bytep alphas = nullptr;
    int alphaCount = 0;
    if (png_get_tRNS(png, info, &alphas, &alphaCount, nullptr) != 0)
        raw.transparency.assign(alphas, alphas + alphaCount);
    if (raw.colourType == PNG_COLOR_TYPE_PALETTE && png_get_bit_depth(png, info) == 8) {
        raw.indices.resize(static_cast<size_t>(raw.width) * raw.height);
        for (int y = 0; y < raw.height; ++y)
            png_read_row(png, raw.indices.data() + static_cast<size_t>(y) * raw.width, nullptr);
    }
    png_destroy_read_struct(&png, &info, nullptr);
    return raw;
}

struct SkinLayers {
    CImage normal{assets::skinNormal};
    CImage hover{assets::skinHover};
    CImage active{assets::skinActive};
    CImage hitMap{assets::hitMap};
    const CImage* layers[3] = {&normal, &hover, &active};
};

const SkinLayers& skin()
{
    static const auto loaded = std::make_unique<SkinLayers>();
    return *loaded;
}

bool isKey(uint32_t pixel) { return (pixel & 0xFFFFFF) == pureGreen; }

TEST(SkinAssets, EveryFileDecodesAtItsStatedSize)
{
    struct Expected {
        const char* name;
        const AssetBlob* blob;
        int width, height;
    };
    const Expected files[] = {
        {"normal", &assets::skinNormal, skinWidth, skinHeight}, {"hover", &assets::skinHover, skinWidth, skinHeight},
        {"active", &assets::skinActive, skinWidth, skinHeight}, {"hit map", &assets::hitMap, skinWidth, skinHeight},
        {"knob", &assets::volumeKnob, 25, 20},                  {"icon", &assets::windowIcon, 32, 32},
        {"icon 64", &assets::windowIcon64, 64, 64},             {"icon 128", &assets::windowIcon128, 128, 128},
    };
    for (const Expected& f : files) {
        SCOPED_TRACE(f.name);
        CImage image(*f.blob);
        ASSERT_FALSE(image.empty());
        EXPECT_EQ(image.width, f.width);
        EXPECT_EQ(image.height, f.height);
    }
    for (const AssetBlob* palette : {&assets::skinNormal, &assets::skinHover, &assets::skinActive, &assets::volumeKnob})
        EXPECT_EQ(readRaw(*palette).colourType, PNG_COLOR_TYPE_PALETTE);
    EXPECT_EQ(readRaw(assets::hitMap).colourType, PNG_COLOR_TYPE_RGB);
}

TEST(SkinAssets, LayersNeverUsePaletteEntryZero)
{
    for (const AssetBlob* blob : {&assets::skinNormal, &assets::skinHover, &assets::skinActive}) {
        const RawPalettePng raw = readRaw(*blob);
        ASSERT_EQ(raw.indices.size(), static_cast<size_t>(skinWidth) * skinHeight);
        EXPECT_EQ(std::count(raw.indices.begin(), raw.indices.end(), 0), 0);
    }
    // Decoded, entry 0 would be a transparent pixel.
    for (const CImage* layer : skin().layers)
        for (int y = 0; y < skinHeight; ++y)
            for (int x = 0; x < skinWidth; ++x)
                ASSERT_EQ(layer->pixel(x, y) >> 24, 0xFFu) << "at " << x << "," << y;
}

TEST(SkinAssets, GreenKeyIsTheSameInAllLayersAndOnlyInsideTheView)
{
    int keyPixels = 0;
    for (int y = 0; y < skinHeight; ++y) {
        for (int x = 0; x < skinWidth; ++x) {
            const bool key = isKey(skin().normal.pixel(x, y));
            ASSERT_EQ(isKey(skin().hover.pixel(x, y)), key) << "at " << x << "," << y;
            ASSERT_EQ(isKey(skin().active.pixel(x, y)), key) << "at " << x << "," << y;
            if (!key)
                continue;
            ++keyPixels;
            ASSERT_TRUE(x >= 9 && x <= 326 && y >= 150 && y <= 388) << "key outside the view at " << x << "," << y;
        }
    }
    // The view shows through most of its rectangle, not through its corners or the link box.
    EXPECT_GT(keyPixels, 318 * 239 * 8 / 10);
    for (auto [x, y] : {std::pair{168, 270}, std::pair{20, 300}, std::pair{320, 380}, std::pair{60, 388}})
        EXPECT_TRUE(isKey(skin().normal.pixel(x, y))) << x << "," << y;
    for (auto [x, y] : {std::pair{9, 150}, std::pair{326, 388}, std::pair{20, 378}, std::pair{8, 250}})
        EXPECT_FALSE(isKey(skin().normal.pixel(x, y))) << x << "," << y;
}

TEST(SkinAssets, HitMapIsBlackWithEachControlInsideItsArea)
{
    const CImage& hit = skin().hitMap;
    std::vector<Area> bounds(std::size(controlTable), Area{skinWidth, skinHeight, -1, -1});
    for (int y = 0; y < skinHeight; ++y) {
        for (int x = 0; x < skinWidth; ++x) {
            const uint32_t colour = hit.pixel(x, y);
            if (colour == black)
                continue;
            const ControlRow* row = rowOf(colour);
            ASSERT_NE(row, nullptr) << std::hex << colour << " at " << std::dec << x << "," << y;
            Area& b = bounds[static_cast<size_t>(row - controlTable)];
            b = {std::min(b.left, x), std::min(b.top, y), std::max(b.right, x), std::max(b.bottom, y)};
        }
    }
    for (size_t i = 0; i < std::size(controlTable); ++i) {
        const ControlRow& row = controlTable[i];
        SCOPED_TRACE(row.name);
        const Area& b = bounds[i];
        ASSERT_LE(b.left, b.right) << "control missing from the hit map";
        EXPECT_TRUE(row.area.contains(b.left, b.top) && row.area.contains(b.right, b.bottom));
        // Each control is a solid shape over a good part of its area, not a sliver.
        const int areaWidth = row.area.right - row.area.left + 1;
        const int areaHeight = row.area.bottom - row.area.top + 1;
        EXPECT_GE((b.right - b.left + 1) * 10, areaWidth * 7);
        EXPECT_GE((b.bottom - b.top + 1) * 10, areaHeight * 7);
        const int middleX = (row.area.left + row.area.right) / 2;
        const int middleY = (row.area.top + row.area.bottom) / 2;
        EXPECT_EQ(hit.pixel(middleX, middleY), row.colour);
    }
}

TEST(SkinAssets, VolumeSliderCoversExactlyItsTrack)
{
    const CImage& hit = skin().hitMap;
    for (int y = 0; y < skinHeight; ++y)
        for (int x = 0; x < skinWidth; ++x)
            ASSERT_EQ(hit.pixel(x, y) == 0xFF464646, x >= 33 && x <= 57 && y >= 13 && y <= 106)
                << "at " << x << "," << y;
}

TEST(SkinAssets, LayersDifferOnlyOnControlsThatChangeTheirLook)
{
    const CImage& hit = skin().hitMap;
    std::vector<bool> hoverChanges(std::size(controlTable), false);
    std::vector<bool> activeChanges(std::size(controlTable), false);
    for (int y = 0; y < skinHeight; ++y) {
        for (int x = 0; x < skinWidth; ++x) {
            const uint32_t normal = skin().normal.pixel(x, y);
            const ControlRow* row = rowOf(hit.pixel(x, y));
            if (row == nullptr || row->sameInAllLayers) {
                ASSERT_EQ(skin().hover.pixel(x, y), normal) << "at " << x << "," << y;
                ASSERT_EQ(skin().active.pixel(x, y), normal) << "at " << x << "," << y;
                continue;
            }
            const size_t i = static_cast<size_t>(row - controlTable);
            hoverChanges[i] = hoverChanges[i] || skin().hover.pixel(x, y) != normal;
            activeChanges[i] = activeChanges[i] || skin().active.pixel(x, y) != normal;
        }
    }
    for (size_t i = 0; i < std::size(controlTable); ++i) {
        if (controlTable[i].sameInAllLayers)
            continue;
        EXPECT_TRUE(hoverChanges[i]) << controlTable[i].name << " has no hover look";
        EXPECT_TRUE(activeChanges[i]) << controlTable[i].name << " has no lit look";
    }
}

TEST(SkinAssets, SymbolsAreBlackAtRestRedUnderTheMouseAndBrightRedWhenLit)
{
    // The middle of the play triangle, the stop square and the close cross.
    struct Probe {
        int x, y;
        bool greyHover;
    };
    for (const Probe& p : {Probe{168, 92, false}, Probe{142, 167, false}, Probe{322, 14, true}}) {
        SCOPED_TRACE(p.x);
        const uint32_t normal = skin().normal.pixel(p.x, p.y);
        const uint32_t hover = skin().hover.pixel(p.x, p.y);
        const uint32_t active = skin().active.pixel(p.x, p.y);
        auto red = [](uint32_t c) { return static_cast<int>(c >> 16 & 0xFF); };
        auto green = [](uint32_t c) { return static_cast<int>(c >> 8 & 0xFF); };
        EXPECT_LT(red(normal) + green(normal), 60) << "dark at rest";
        if (p.greyHover) {
            EXPECT_NEAR(red(hover), green(hover), 12) << "grey under the mouse";
            EXPECT_GT(red(hover), 60);
        } else {
            EXPECT_GT(red(hover), 100);
            EXPECT_LT(green(hover), 40) << "dark red under the mouse";
        }
        EXPECT_GT(red(active), 220);
        EXPECT_LT(green(active), 80) << "bright red when lit";
    }
}

TEST(SkinAssets, KnobIsTransparentExactlyOnEntryZero)
{
    const RawPalettePng raw = readRaw(assets::volumeKnob);
    ASSERT_EQ(raw.indices.size(), 25u * 20u);
    ASSERT_EQ(raw.transparency.size(), 1u) << "one-entry transparency chunk";
    EXPECT_EQ(raw.transparency[0], 0);
    const CImage knob(assets::volumeKnob);
    int transparent = 0;
    for (int y = 0; y < 20; ++y) {
        for (int x = 0; x < 25; ++x) {
            const bool entryZero = raw.indices[static_cast<size_t>(y) * 25 + x] == 0;
            const uint32_t alpha = knob.pixel(x, y) >> 24;
            EXPECT_EQ(alpha, entryZero ? 0u : 0xFFu) << "at " << x << "," << y;
            transparent += entryZero;
        }
    }
    // A cap with room around it, and solid in its middle.
    EXPECT_GT(transparent, 20);
    EXPECT_LT(transparent, 250);
    EXPECT_EQ(knob.pixel(12, 10) >> 24, 0xFFu);
}

TEST(SkinAssets, IconIsSolidInTheMiddle)
{
    const CImage icon(assets::windowIcon);
    ASSERT_FALSE(icon.empty());
    EXPECT_EQ(icon.pixel(16, 16) >> 24, 0xFFu);
    EXPECT_EQ(icon.pixel(0, 0) >> 24, 0u) << "rounded corners";
    // The larger sizes are the same drawing: each pixel of the 32 x 32 icon
    // is close to the mean of the pixels it covers in them.
    for (const AssetBlob* blob : {&assets::windowIcon64, &assets::windowIcon128}) {
        const CImage large(*blob);
        ASSERT_EQ(large.width % 32, 0);
        const int32_t k = large.width / 32;
        int64_t worst = 0;
        for (int32_t y = 0; y < 32; ++y) {
            for (int32_t x = 0; x < 32; ++x) {
                for (int shift : {0, 8, 16, 24}) {
                    int64_t sum = 0;
                    for (int32_t dy = 0; dy < k; ++dy)
                        for (int32_t dx = 0; dx < k; ++dx)
                            sum += (large.pixel(x * k + dx, y * k + dy) >> shift) & 0xFF;
                    const int64_t mean = sum / (k * k);
                    const int64_t small = (icon.pixel(x, y) >> shift) & 0xFF;
                    worst = std::max(worst, mean > small ? mean - small : small - mean);
                }
            }
        }
        EXPECT_LE(worst, 32) << large.width << " x " << large.height;
    }
}

} // namespace

// The double-size skin: drawn from the same layout at twice the resolution.
namespace {

struct DoubleSizeLayers {
    CImage normal{assets::skinNormal2x};
    CImage hover{assets::skinHover2x};
    CImage active{assets::skinActive2x};
    const CImage* layers[3] = {&normal, &hover, &active};
};

const DoubleSizeLayers& skin2x()
{
    static const auto loaded = std::make_unique<DoubleSizeLayers>();
    return *loaded;
}

TEST(DoubleSizeSkinAssets, PaletteImagesAtTwiceTheSizeWithoutEntryZero)
{
    for (const AssetBlob* blob : {&assets::skinNormal2x, &assets::skinHover2x, &assets::skinActive2x}) {
        const RawPalettePng raw = readRaw(*blob);
        EXPECT_EQ(raw.colourType, PNG_COLOR_TYPE_PALETTE);
        EXPECT_EQ(raw.width, 2 * skinWidth);
        EXPECT_EQ(raw.height, 2 * skinHeight);
        EXPECT_EQ(std::count(raw.indices.begin(), raw.indices.end(), 0), 0);
    }
    const RawPalettePng knob = readRaw(assets::volumeKnob2x);
    EXPECT_EQ(knob.colourType, PNG_COLOR_TYPE_PALETTE);
    EXPECT_EQ(knob.width, 50);
    EXPECT_EQ(knob.height, 40);
    ASSERT_EQ(knob.transparency.size(), 1u);
    EXPECT_EQ(knob.transparency[0], 0);
}

// The view shows through exactly the doubled single-size key, in every layer,
// so the hit map and the key keep deciding per window pixel.
TEST(DoubleSizeSkinAssets, GreenKeyIsExactlyTheDoubledKey)
{
    for (const CImage* layer : skin2x().layers)
        for (int y = 0; y < 2 * skinHeight; ++y)
            for (int x = 0; x < 2 * skinWidth; ++x)
                ASSERT_EQ(isKey(layer->pixel(x, y)), isKey(skin().normal.pixel(x / 2, y / 2))) << x << "," << y;
}

TEST(DoubleSizeSkinAssets, LayersDifferOnlyOverTheDoubledControls)
{
    const CImage& hit = skin().hitMap;
    std::vector<bool> hoverChanges(std::size(controlTable), false);
    std::vector<bool> activeChanges(std::size(controlTable), false);
    for (int y = 0; y < 2 * skinHeight; ++y) {
        for (int x = 0; x < 2 * skinWidth; ++x) {
            const uint32_t normal = skin2x().normal.pixel(x, y);
            const ControlRow* row = rowOf(hit.pixel(x / 2, y / 2));
            if (row == nullptr || row->sameInAllLayers) {
                ASSERT_EQ(skin2x().hover.pixel(x, y), normal) << "at " << x << "," << y;
                ASSERT_EQ(skin2x().active.pixel(x, y), normal) << "at " << x << "," << y;
                continue;
            }
            const size_t i = static_cast<size_t>(row - controlTable);
            hoverChanges[i] = hoverChanges[i] || skin2x().hover.pixel(x, y) != normal;
            activeChanges[i] = activeChanges[i] || skin2x().active.pixel(x, y) != normal;
        }
    }
    for (size_t i = 0; i < std::size(controlTable); ++i) {
        if (controlTable[i].sameInAllLayers)
            continue;
        EXPECT_TRUE(hoverChanges[i]) << controlTable[i].name << " has no hover look";
        EXPECT_TRUE(activeChanges[i]) << controlTable[i].name << " has no lit look";
    }
    // The symbols sit where they sit at single size: dark at rest, red when lit.
    for (auto [x, y] : {std::pair{168, 92}, std::pair{142, 167}, std::pair{322, 14}}) {
        SCOPED_TRACE(x);
        const uint32_t normal = skin2x().normal.pixel(2 * x, 2 * y);
        const uint32_t active = skin2x().active.pixel(2 * x, 2 * y);
        EXPECT_LT((normal >> 16 & 0xFF) + (normal >> 8 & 0xFF), 60u);
        EXPECT_GT(active >> 16 & 0xFF, 220u);
        EXPECT_LT(active >> 8 & 0xFF, 80u);
    }
}

// Drawn at twice the resolution, not enlarged: away from the key, most edges
// of the artwork fall inside 2 x 2 blocks rather than between them.
TEST(DoubleSizeSkinAssets, ArtworkIsDrawnNotPixelDoubled)
{
    int blocks = 0;
    int uneven = 0;
    for (int y = 0; y < skinHeight; ++y) {
        for (int x = 0; x < skinWidth; ++x) {
            if (isKey(skin().normal.pixel(x, y)))
                continue;
            const CImage& n = skin2x().normal;
            const uint32_t p = n.pixel(2 * x, 2 * y);
            ++blocks;
            uneven += n.pixel(2 * x + 1, 2 * y) != p || n.pixel(2 * x, 2 * y + 1) != p ||
                      n.pixel(2 * x + 1, 2 * y + 1) != p;
        }
    }
    EXPECT_GT(uneven * 4, blocks) << uneven << " of " << blocks << " blocks hold more than one colour";
}

TEST(DoubleSizeSkinAssets, KnobIsTransparentExactlyOnEntryZeroAndSolidInItsMiddle)
{
    const RawPalettePng raw = readRaw(assets::volumeKnob2x);
    ASSERT_EQ(raw.indices.size(), 50u * 40u);
    const CImage knob(assets::volumeKnob2x);
    int transparent = 0;
    for (int y = 0; y < 40; ++y) {
        for (int x = 0; x < 50; ++x) {
            const bool entryZero = raw.indices[static_cast<size_t>(y) * 50 + x] == 0;
            ASSERT_EQ(knob.pixel(x, y) >> 24, entryZero ? 0u : 0xFFu) << "at " << x << "," << y;
            transparent += entryZero;
        }
    }
    EXPECT_GT(transparent, 4 * 20);
    EXPECT_LT(transparent, 4 * 250);
    // The red index line across the middle, two rows high.
    for (int y : {20, 21})
        EXPECT_GT(knob.pixel(25, y) >> 16 & 0xFF, 200u) << y;
}

} // namespace
