// Stand-ins for the platform services: a clock and keys the test sets, and a
// desktop that records what it was asked.
#pragma once

#include "platform/services.h"

#include <string>
#include <vector>

class FakeClock : public platform::Clock {
public:
    uint32_t now = 0;
    uint32_t milliseconds() override { return now; }
};

class FakeKeys : public platform::KeyState {
public:
    bool down[10] = {};
    bool isDigitDown(int digit) override { return digit >= 0 && digit <= 9 && down[digit]; }
};

class RecordingDesktop : public platform::Desktop {
public:
    std::vector<std::string> titles;
    std::vector<std::string> urls;
    platform::Cursor cursor = platform::Cursor::Arrow;
    int cursorCalls = 0;
    int minimised = 0;

    void setTitle(const char* t) override { titles.emplace_back(t); }
    void setCursor(platform::Cursor c) override
    {
        cursor = c;
        ++cursorCalls;
    }
    void minimise() override { ++minimised; }
    void openUrl(const char* url) override { urls.emplace_back(url); }
};
