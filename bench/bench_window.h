// A window for benchmarks: no events, no screen. Its present() does what
// the real window does before the device blit — converting the frame into a
// 32-bit surface — so a pass through the frame loop costs what it costs in
// the program, minus the sleep and the blit.
#pragma once

#include "display/pixel_conversion.h"
#include "platform/headless_window_move.h"
#include "platform/window.h"
#include "tests/support/fake_platform.h"

#include <memory>
#include <vector>

class BenchWindow : public platform::Window {
public:
    explicit BenchWindow(const platform::WindowSpec& spec)
        : surface(size_t(spec.width) * size_t(spec.height) * 4), width(spec.width), height(spec.height)
    {
    }

    platform::HeadlessWindowMover idleMover;
    FakeKeys digits; // the benchmark holds a digit to force an effect
    std::vector<uint8_t> surface;
    int presents = 0;

    void applyShape(const uint8_t*) override {}
    void loadCursors() override {}
    bool nextEvent(platform::Event&) override { return false; }
    platform::WindowMover& mover() override { return idleMover; } // no events, so no drag
    void present(const uint32_t* frame) override
    {
        const PixelTarget target{surface.data(), width * 4, width, height, 32};
        convertPixels(frame, width, target);
        ++presents;
    }
    // As the real window: only the changed part is converted.
    void presentChanged(const uint32_t* frame, const platform::PixelRect& changed) override
    {
        const size_t offset = size_t(changed.y) * size_t(width) + size_t(changed.x);
        const PixelTarget target{surface.data() + offset * 4, width * 4, changed.width, changed.height, 32};
        convertPixels(frame + offset, width, target);
        ++presents;
    }
    platform::KeyState& keys() override { return digits; }
    void setTitle(const char*) override {}
    void setCursor(platform::Cursor) override {}
    void minimise() override {}
    void openUrl(const char*) override {}

private:
    int32_t width;
    int32_t height;
};

// Hands out BenchWindows and keeps a pointer to the last one opened.
class BenchWindowSystem : public platform::WindowSystem {
public:
    BenchWindow* opened = nullptr;
    std::unique_ptr<platform::Window> openWindow(const platform::WindowSpec& spec, std::string&) override
    {
        auto window = std::make_unique<BenchWindow>(spec);
        opened = window.get();
        return window;
    }
};
