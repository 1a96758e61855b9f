// The small platform services the core calls. The SDL backend implements
// them for the real program; tests pass stand-ins.
#pragma once

#include <cstdint>

namespace platform {

// Milliseconds since system start as a 32-bit value that wraps around.
class Clock {
public:
    virtual ~Clock() = default;
    virtual uint32_t milliseconds() = 0;
};

// Whether a digit key of the main keyboard (not the keypad) is held now.
class KeyState {
public:
    virtual ~KeyState() = default;
    virtual bool isDigitDown(int digit) = 0;
    // All ten digits at one moment, bit d for digit d. A backend whose
    // every question is a round trip answers this with one.
    virtual uint32_t digitsDown()
    {
        uint32_t held = 0;
        for (int digit = 0; digit <= 9; ++digit)
            held |= isDigitDown(digit) ? 1u << digit : 0u;
        return held;
    }
};

enum class Cursor { Arrow, Hand };

// What the controls and the playback ask of the desktop.
class Desktop {
public:
    virtual ~Desktop() = default;
    virtual void setTitle(const char* utf8Title) = 0;
    virtual void setCursor(Cursor cursor) = 0; // cheap to call every frame
    virtual void minimise() = 0;
    virtual void openUrl(const char* url) = 0; // the user's default handler
    virtual void raise() {}                    // brings the window to the front
};

} // namespace platform
