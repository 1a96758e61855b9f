#include "platform/headless_window.h"

namespace platform {

namespace {

const char* cursorName(Cursor cursor) { return cursor == Cursor::Hand ? "hand" : "arrow"; }

class HeadlessWindow : public Window {
public:
    explicit HeadlessWindow(HeadlessRecord& record) : r(record) {}
    ~HeadlessWindow() override
    {
        r.open = false;
        r.note("destroy");
    }

    void applyShape(const uint8_t* mask) override
    {
        r.mask.assign(mask, mask + static_cast<size_t>(r.spec.width) * static_cast<size_t>(r.spec.height));
        r.note("shape");
    }
    void loadCursors() override { r.note("cursors"); }
    bool nextEvent(Event& event) override
    {
        if (r.script.empty()) {
            event = Event{EventKind::Destroyed};
        } else {
            event = r.script.front();
            r.script.pop_front();
            if (event.kind == EventKind::Other)
                return false;
        }
        ++r.eventsTaken;
        return true;
    }
    WindowMover& mover() override { return r.mover; }
    void present(const uint32_t* frame) override
    {
        if (r.onPresent)
            r.onPresent(frame);
        r.lastFrame.assign(frame, frame + r.lastFrame.size());
        ++r.presentCount;
        r.note("present");
    }
    void presentChanged(const uint32_t* frame, const PixelRect& changed) override
    {
        ++r.partialPresentCount;
        r.lastChanged = changed;
        present(frame);
    }
    KeyState& keys() override { return r.keys; }
    bool isVisible() override { return r.visible; }

    void setTitle(const char* title) override { r.note(std::string("title ") + title); }
    void setCursor(Cursor cursor) override
    {
        if (cursor != current)
            r.note(std::string("cursor ") + cursorName(cursor));
        current = cursor;
    }
    void minimise() override { r.note("minimise"); }
    void raise() override { r.note("raise"); }
    void openUrl(const char* url) override { r.note(std::string("url ") + url); }

private:
    HeadlessRecord& r;
    Cursor current = Cursor::Arrow;
};

} // namespace

std::unique_ptr<Window> HeadlessWindowSystem::openWindow(const WindowSpec& spec, std::string& error)
{
    record.note("open");
    if (record.failOpen) {
        error = record.openError;
        return nullptr;
    }
    record.spec = spec;
    record.lastFrame.assign(static_cast<size_t>(spec.width) * static_cast<size_t>(spec.height), 0);
    record.open = true;
    return std::make_unique<HeadlessWindow>(record);
}

} // namespace platform
