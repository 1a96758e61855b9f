// Keeps a sound output open through the loss of its device or sound server:
// a watcher thread notices the output gone, says so in one line on standard
// error, opens the default output again (at once, then at growing
// intervals) and hands the pulling over to it, running or paused as the
// user last asked. Whoever pulls never notices, except for the silence.
#pragma once

#include "platform/output_recovery.h"

#include <condition_variable>
#include <cstdint>
#include <mutex>
#include <string>
#include <thread>

namespace platform {

// One kind of output, opened and closed whole; it never reopens by itself.
class OutputBackend {
public:
    virtual ~OutputBackend() = default;
    // Opens the default output, not pulling yet. 0 when none opens; `whyNot`
    // then says why.
    virtual uint32_t openOutput(std::string& whyNot) = 0;
    // False once the output's device or server has gone. A gone output may
    // go on calling its pull function (into nowhere), as SDL's do.
    virtual bool outputAlive(uint32_t output) = 0;
    // Starts or stops the pulling; returns once a pull in progress is over.
    virtual void runOutput(uint32_t output, bool run) = 0;
    // Returns once the output's pull function will never run again.
    virtual void closeOutput(uint32_t output) = 0;
    // The watching thread is about to end: whatever the backend kept for it
    // (an error message of a failed open, say) can go.
    virtual void watcherEnding() {}
};

class OutputKeeper {
public:
    // `checkMs`: how often a working output is looked at.
    explicit OutputKeeper(OutputBackend& backend, int checkMs = 250);
    ~OutputKeeper();
    OutputKeeper(const OutputKeeper&) = delete;
    OutputKeeper& operator=(const OutputKeeper&) = delete;

    // Opens the output, not running, and starts watching it.
    bool open(std::string& whyNot);
    // Remembered, and applied to this output and to any later one.
    void run(bool running);
    // Stops watching and closes the output.
    void close();

private:
    void watch();
    void checkOutput(std::unique_lock<std::mutex>& lock);
    void tryReopen(std::unique_lock<std::mutex>& lock);

    OutputBackend& backend_;
    const int checkMs_;
    std::mutex mutex_; // guards what follows; never held while opening or closing
    std::condition_variable wake_;
    bool stopping_ = false;
    uint32_t output_ = 0; // 0 while none is open or one is being handed over
    OutputRecovery recovery_;
    std::thread watcher_;
};

} // namespace platform
