// STOPGAP for processors other than x86-64 until the effect kernels are
// written once for every vector target: the passes in their plain form, one
// pixel at a time. Built instead of the x86 kernel files there.
#include "gfx/effects/passes.h"
#include "gfx/frame.h"

#include <climits>
#include <cmath>
#include <cstdlib>



void DrawWarpBackground(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    const uint8_t* sine = effects.sineTable;
    const int32_t t = static_cast<int32_t>(ms) / 20;
    for (int32_t y = 0; y < 240; ++y) {
        for (int32_t x = 0; x < 320; ++x) {
            const int32_t a = sine[static_cast<uint32_t>(2 * t + 64 + x) & 255];
            const int32_t row = sine[(64 + 2 * y + 3 * a) & 255] >> 3;
            const int32_t b = sine[static_cast<uint32_t>(3 * t + 12 + y) & 255];
            const int32_t col = sine[(3 * x + 2 * b - 128) & 255] >> 3;
            const uint32_t p = texture.pixels[(row & 63) * 64 + (col & 63)];
            uint32_t out = p & 0xFF000000u;
            for (int shift = 0; shift < 24; shift += 8)
                out |= (((p >> shift) & 0xFF) >> 2) << shift;
            view[y * 320 + x] = out;
        }
    }
}

void DrawTwister(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    const CImage& hm = *effects.heightMap;
    const uint32_t t = ms / 30;
    for (int y = 0; y < 240; ++y) {
        const float turnAngle = static_cast<float>(static_cast<double>(2 * t + y) * (1.0 / 32));
        const float turn = singleSine(turnAngle);
        const uint32_t c = t + static_cast<uint32_t>(static_cast<int32_t>(turn * 32.0 + 32.0));
        const int texRow = (y % texture.bufferHeight) * texture.bufferWidth;
        const int hRow = (y % hm.bufferHeight) * hm.bufferWidth;
        auto w = [&](int k) {
            const float s = singleSine(static_cast<float>(k * (1.0 / 128) * 3.14159265));
            const int32_t h = static_cast<int32_t>(hm.pixels[hRow + (c + k) % hm.bufferWidth] & 0xFF);
            return static_cast<int32_t>(s * static_cast<double>(h + 128) * 0.25);
        };
        auto colour = [&](int k) { return texture.pixels[texRow + (c + k) % texture.bufferWidth]; };
        uint32_t* out = view + y * 320;
        for (int k = 0; k < 128; ++k) {
            const int32_t wk = w(k);
            if (wk > 0)
                for (int x = 160 - wk; x <= 159; ++x)
                    out[x] = colour(k);
        }
        for (int k = 255; k >= 128; --k) {
            const int32_t wk = w(k);
            for (int x = 160; x <= 160 - wk; ++x)
                out[x] = colour(k);
        }
    }
}

void DrawRotozoom(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    const uint32_t t = ms / 20;
    const uint32_t s = effects.sineTable[t & 255];
    const uint32_t c = effects.sineTable[(t + 64) & 255];
    const uint32_t uStart = static_cast<uint32_t>(-125) * t;
    const uint32_t vStart = static_cast<uint32_t>(-270) * t;
    for (uint32_t y = 0; y < 240; ++y) {
        for (uint32_t x = 0; x < 320; ++x) {
            const int32_t u = static_cast<int32_t>(uStart + x * c - y * s);
            const int32_t v = static_cast<int32_t>(vStart + x * s + y * c);
            view[y * 320 + x] = texture.pixels[((v >> 8) & 63) * 64 + ((u >> 8) & 63)];
        }
    }
}

int32_t SampleHeight(const CImage& heightMap, int32_t x, int32_t y)
{
    const int32_t xi = (x >> 8) & 255, yi = (y >> 8) & 255;
    const int32_t xn = ((x >> 8) + 1) & 255, yn = ((y >> 8) + 1) & 255;
    const int32_t fx = x & 255, fy = y & 255;
    auto h = [&](int32_t row, int32_t col) { return static_cast<int32_t>(heightMap.pixels[row * 256 + col] & 0xFF); };
    const int32_t top = h(yi, xi) + (h(yi, xn) - h(yi, xi)) * fx / 256;
    const int32_t bottom = h(yn, xi) + (h(yn, xn) - h(yn, xi)) * fx / 256;
    return top + (bottom - top) * fy / 256;
}

void DrawVoxelTerrainCounting(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms,
                              int32_t* paintedRows)
{
    const CImage& hm = *effects.heightMap;
    const float a = static_cast<float>(static_cast<double>(ms) / 4000);
    const int32_t camX = static_cast<int32_t>(static_cast<double>(singleSine(a)) * 32 * 256 + 32768);
    const int32_t camY = static_cast<int32_t>(static_cast<double>(singleCosine(a)) * 32 * 256 + 32768);
    const int32_t camH = SampleHeight(hm, camX, camY) + 80;
    for (int i = 0; i < 320; ++i) {
        const float ang = static_cast<float>(i / 320.0 * 1.5 + a);
        const int32_t dx = static_cast<int32_t>(static_cast<double>(singleCosine(ang)) * 128);
        const int32_t dy = static_cast<int32_t>(static_cast<double>(singleSine(ang)) * 128);
        int32_t x = camX, y = camY, drawn = 0;
        for (int32_t z = 1; z <= 253; z += 4) {
            const int32_t h = SampleHeight(hm, x, y);
            int32_t p = (h - camH) * 64 / z + 100;
            if (p > drawn) {
                if (p > 239)
                    p = 239;
                if (p > drawn) {
                    const uint32_t colour = texture.pixels[((y / 256) & 63) * 64 + ((x / 256) & 63)];
                    for (int32_t row = 239 - drawn; row >= 240 - p; --row)
                        view[row * 320 + i] = colour;
                    drawn = p;
                }
            }
            x += dx;
            y += dy;
        }
        if (paintedRows != nullptr)
            paintedRows[i] = drawn;
    }
}

namespace {

int32_t truncateOrIndefinite(double value)
{
    if (!(value > -2147483649.0 && value < 2147483648.0))
        return INT32_MIN; // what the x86 conversion gives
    return static_cast<int32_t>(value);
}

} // namespace

void CastTunnelRays(TunnelGrid& grid, uint32_t ms)
{
    const float T = static_cast<float>(ms);
    const float A = T / 2000;
    const float B = static_cast<float>(A * 1.25);
    const float P1 = singleSine(T / 400) * 50;
    const float P2 = singleSine(T / 500) * 50;
    const float Tz = T + 1;
    const float Cq = P1 * P1 + P2 * P2 - 250000;
    const float cosA = singleCosine(A), sinA = singleSine(A);
    const float cosB = singleCosine(B), sinB = singleSine(B);
    for (int r = 0; r < 61; ++r) {
        for (int c = 0; c < 81; ++c) {
            const float X = static_cast<float>(c - 40) / 81;
            const float Y = static_cast<float>(static_cast<float>(r - 30) / 61 / 1.3333333333333333);
            const float D1 = -cosA - sinA * Y;
            const float dy = Y * cosA - sinA;
            const float dz = cosB * D1 - sinB * X;
            const float dx = sinB * D1 + cosB * X;
            const float Aq = dx * dx + dy * dy;
            const float Bq = 2 * (P1 * dx + P2 * dy);
            const float disc = Bq * Bq - 4 * Aq * Cq;
            if (!(disc > 0))
                continue;
            const float sq = std::sqrt(disc);
            const float t1 = (-Bq - sq) / (2 * Aq);
            const float t2 = (sq - Bq) / (2 * Aq);
            const float L = t1 <= t2 ? t1 : t2;
            const float along = L * dz + Tz;
            const float Xh = L * dx + P1;
            const float Yh = L * dy + P2;
            const float quotient = Yh / Xh;
            const float at = static_cast<float>(std::atan(static_cast<double>(quotient)));
            grid.u[r * 81 + c] = truncateOrIndefinite(along / 500 * 40);
            grid.v[r * 81 + c] = static_cast<int32_t>(127u - static_cast<uint32_t>(truncateOrIndefinite(at / -3.14 * 127)));
        }
    }
}

void FillTunnelCells(const TunnelGrid& grid, const CImage& texture, uint32_t* view)
{
    auto at = [](const int32_t* a, int r, int c) { return a[r * 81 + c]; };
    auto wrap = [](int64_t value) { return static_cast<int32_t>(static_cast<uint32_t>(value)); };
    for (int r = 0; r < 60; ++r) {
        for (int c = 0; c < 80; ++c) {
            const int32_t uTL = at(grid.u, r, c), uTR = at(grid.u, r, c + 1), uBL = at(grid.u, r + 1, c);
            int32_t vTL = at(grid.v, r, c), vTR = at(grid.v, r, c + 1);
            int32_t vBL = at(grid.v, r + 1, c), vBR = at(grid.v, r + 1, c + 1);
            if (wrap(int64_t{vTR} - vTL) > 120) vTL = wrap(int64_t{vTL} + 128);
            if (wrap(int64_t{vBR} - vBL) > 120) vBL = wrap(int64_t{vBL} + 128);
            if (wrap(int64_t{vTL} - vTR) > 120) vTR = wrap(int64_t{vTR} + 128);
            if (wrap(int64_t{vBL} - vBR) > 120) vBR = wrap(int64_t{vBR} + 128);
            if (wrap(int64_t{vBL} - vTL) > 120) vTL = wrap(int64_t{vTL} + 128);
            if (wrap(int64_t{vBR} - vTR) > 120) vTR = wrap(int64_t{vTR} + 128);
            if (wrap(int64_t{vTL} - vBL) > 120) vBL = wrap(int64_t{vBL} + 128);
            const int32_t stepUx = wrap((int64_t{uTR} - uTL) * 256) / 4;
            const int32_t stepVx = wrap((int64_t{vTR} - vTL) * 256) / 4;
            const int32_t stepUy = wrap((int64_t{uBL} - uTL) * 256) / 4;
            const int32_t stepVy = wrap((int64_t{vBL} - vTL) * 256) / 4;
            for (int j = 0; j < 4; ++j) {
                for (int i = 0; i < 4; ++i) {
                    const int32_t uf = wrap(int64_t{uTL} * 256 + j * int64_t{stepUy} + i * int64_t{stepUx});
                    const int32_t vf = wrap(int64_t{vTL} * 256 + j * int64_t{stepVy} + i * int64_t{stepVx});
                    view[(4 * r + j) * 320 + 4 * c + i] = texture.pixels[((vf >> 8) & 63) * 64 + ((uf >> 8) & 63)];
                }
            }
        }
    }
}

namespace {
int JuliaCount(float zr, float zi, float cr, float ci)
{
    for (int n = 1; n <= 31; ++n) {
        const float newRe = (zr * zr + cr) - zi * zi;
        const float newIm = zr * zi + (ci + zr * zi);
        zr = newRe;
        zi = newIm;
        if (zr * zr + zi * zi > 100)
            return n - 1;
    }
    return 31;
}
} // namespace

void DrawJulia(const CImage& paletteStrip, uint32_t* view, uint32_t ms)
{
    const float s = static_cast<float>(static_cast<double>(ms) / 1000);
    const float cr = static_cast<float>(singleSine(static_cast<float>(s * 0.9)) * 0.5);
    const float ci = static_cast<float>(singleCosine(static_cast<float>(s * 0.5 + 1.3)) * 0.5);
    for (int y = 0; y < 240; ++y) {
        for (int x = 0; x < 320; ++x) {
            const float zr = static_cast<float>(x) / 320 * 4 - 2;
            const float zi = static_cast<float>(y) / 240 * 4 - 2;
            view[y * 320 + x] = paletteStrip.pixels[31 - JuliaCount(zr, zi, cr, ci)];
        }
    }
}


void DrawVoxelTerrain(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms)
{
    DrawVoxelTerrainCounting(effects, texture, view, ms, nullptr);
}

void DrawVoxelTerrainToBeCovered(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms,
                                 int32_t* paintedRows)
{
    DrawVoxelTerrainCounting(effects, texture, view, ms, paintedRows);
}

bool WarpCanUseAvx512()
{
    return false;
}

void DrawWarpBackgroundAvx512Above(const EffectState& effects, const CImage& texture, uint32_t* view, uint32_t ms,
                                   const int32_t*)
{
    DrawWarpBackground(effects, texture, view, ms); // never called: WarpCanUseAvx512 is false here
}

void DrawTunnel(TunnelGrid& grid, const CImage& texture, uint32_t* view, uint32_t ms)
{
    CastTunnelRays(grid, ms);
    FillTunnelCells(grid, texture, view);
}
