// A stand-in for the audio engine: records every call as a line of text and
// answers as the test tells it. Streams are numbered 1, 2, ... in the order
// they are opened; paths listed in `missingFiles` give 0.
#pragma once

#include "audio/audio_engine.h"

#include <map>
#include <set>
#include <string>
#include <vector>

class RecordingAudioEngine : public AudioEngine {
public:
    std::vector<std::string> calls;
    std::set<std::string> missingFiles;
    bool initSucceeds = true;
    std::set<StreamHandle> playing;
    float spectrumValue = 0.25f;
    uint32_t volume = kMaxVolume;
    SyncHandle nextSync = 100;
    EndCallback lastCallback = nullptr;
    void* lastUser = nullptr;

    // Fires the end event last set on `stream` as the engine's thread would.
    void fireEnd(StreamHandle stream) const
    {
        const auto set = syncOf.find(stream);
        fireEvent(set != syncOf.end() ? set->second : 0, stream);
    }
    // Fires a given event, also one that was removed since (a late one).
    void fireEvent(SyncHandle sync, StreamHandle stream) const
    {
        if (lastCallback != nullptr)
            lastCallback(sync, stream, lastUser);
    }
    void clearCalls() { calls.clear(); }

    bool init() override { return log("init"), initSucceeds; }
    StreamHandle openStream(const char* path) override
    {
        log("open " + std::string(path));
        if (missingFiles.count(path) != 0)
            return 0;
        return ++opened;
    }
    bool start() override { return log("start"), true; }
    bool play(StreamHandle s, bool restart) override
    {
        log("play " + std::to_string(s) + (restart ? " restart" : " resume"));
        if (s == 0)
            return false;
        playing.insert(s);
        return true;
    }
    bool stop(StreamHandle s) override
    {
        log("stop " + std::to_string(s));
        playing.erase(s);
        return s != 0;
    }
    SyncHandle setEndSync(StreamHandle s, EndCallback callback, void* user) override
    {
        log("setSync " + std::to_string(s));
        if (s == 0)
            return 0;
        lastCallback = callback;
        lastUser = user;
        syncOf[s] = nextSync;
        return nextSync++;
    }
    bool removeSync(StreamHandle s, SyncHandle sync) override
    {
        log("removeSync " + std::to_string(s) + " " + std::to_string(sync));
        return s != 0;
    }
    bool spectrum(StreamHandle s, float out[kSpectrumBins]) override
    {
        if (playing.count(s) == 0)
            return false;
        for (int i = 0; i < kSpectrumBins; ++i)
            out[i] = spectrumValue;
        return true;
    }
    bool isActive(StreamHandle s) override { return playing.count(s) != 0; }
    bool setVolume(uint32_t v) override
    {
        log("volume " + std::to_string(v));
        volume = v;
        return true;
    }
    bool stopOutput() override { return log("stopOutput"), true; }
    bool freeStream(StreamHandle s) override { return log("free " + std::to_string(s)), s != 0; }
    bool freeAll() override { return log("freeAll"), true; }
    const char* lastError() const override { return "no audio device (stand-in)"; }

private:
    StreamHandle opened = 0;
    std::map<StreamHandle, SyncHandle> syncOf;
    void log(const std::string& line) { calls.push_back(line); }
};
