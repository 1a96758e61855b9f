// Writes test MP3 files with libmp3lame: tones of known frequency and length,
// at any rate and channel count, optionally behind an ID3v2 tag. The encoder
// writes its LAME tag, so the decoded length equals the samples put in.
#pragma once

#include <lame/lame.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>
#include <string>
#include <vector>

namespace testmp3 {

struct Pcm {
    int rate = 44100;
    int channels = 2;
    std::vector<float> samples; // interleaved

    int frames() const { return int(samples.size()) / channels; }
};

// A sine of `frequency` Hz on every channel; `sweepTo` > 0 glides the
// frequency linearly there, which makes every stretch of the signal unique.
inline Pcm tone(int rate, int channels, double seconds, double frequency, float amplitude, double sweepTo = 0)
{
    Pcm pcm{rate, channels, {}};
    int frames = int(seconds * rate);
    pcm.samples.reserve(size_t(frames) * size_t(channels));
    double phase = 0;
    for (int i = 0; i < frames; ++i) {
        double f = sweepTo > 0 ? frequency + (sweepTo - frequency) * i / frames : frequency;
        phase += 2 * std::numbers::pi * f / rate;
        for (int c = 0; c < channels; ++c)
            pcm.samples.push_back(amplitude * float(std::sin(phase)));
    }
    return pcm;
}

inline Pcm silence(int rate, int channels, double seconds)
{
    return Pcm{rate, channels, std::vector<float>(size_t(seconds * rate) * size_t(channels), 0.0f)};
}

// Encodes `pcm` to `path` at a constant bit rate, or with variable bit rate
// when `kbps` is 0; false when the encoder or the file fails. Without its
// LAME tag the decoder cannot trim the file to its exact length (nor stop
// early when another file's frames follow).
inline bool writeMp3(const std::string& path, const Pcm& pcm, int kbps = 128, bool id3v2 = false,
                     bool lameTag = true)
{
    lame_global_flags* lame = lame_init();
    if (lame == nullptr)
        return false;
    lame_set_in_samplerate(lame, pcm.rate);
    lame_set_out_samplerate(lame, pcm.rate);
    lame_set_num_channels(lame, pcm.channels);
    lame_set_mode(lame, pcm.channels == 1 ? MONO : JOINT_STEREO);
    if (kbps > 0) {
        lame_set_brate(lame, kbps);
    } else {
        lame_set_VBR(lame, vbr_default);
        lame_set_VBR_quality(lame, 4.0f);
    }
    lame_set_quality(lame, 5);
    lame_set_bWriteVbrTag(lame, lameTag ? 1 : 0);
    if (id3v2) {
        id3tag_init(lame);
        id3tag_add_v2(lame);
        id3tag_v2_only(lame);
        id3tag_set_title(lame, "Tagged test tone");
        id3tag_set_artist(lame, "Test");
        id3tag_set_pad(lame, 512);
    }
    bool ok = lame_init_params(lame) >= 0;
    FILE* file = ok ? std::fopen(path.c_str(), "w+b") : nullptr;
    ok = file != nullptr;
    if (ok) {
        const int chunk = 4096;
        std::vector<unsigned char> out(size_t(chunk) * 5 / 4 + 7200);
        std::vector<float> left(chunk), right(chunk);
        for (int start = 0; ok && start < pcm.frames(); start += chunk) {
            int n = std::min(chunk, pcm.frames() - start);
            for (int i = 0; i < n; ++i) {
                left[size_t(i)] = pcm.samples[size_t((start + i) * pcm.channels)];
                right[size_t(i)] = pcm.samples[size_t((start + i) * pcm.channels + pcm.channels - 1)];
            }
            int bytes = lame_encode_buffer_ieee_float(lame, left.data(), right.data(), n, out.data(), int(out.size()));
            ok = bytes >= 0 && std::fwrite(out.data(), 1, size_t(bytes), file) == size_t(bytes);
        }
        int bytes = lame_encode_flush(lame, out.data(), int(out.size()));
        ok = ok && bytes >= 0 && std::fwrite(out.data(), 1, size_t(bytes), file) == size_t(bytes);
        if (ok && lameTag)
            lame_mp3_tags_fid(lame, file);
        ok = std::fclose(file) == 0 && ok;
    }
    lame_close(lame);
    return ok;
}

} // namespace testmp3
