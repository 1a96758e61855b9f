// Reads what SDL's disk audio driver wrote (raw 32-bit float stereo frames
// at 44100 Hz, as the player opens its device) and answers the end-to-end
// tests' questions about it. Offsets are byte offsets into that file, so a
// script can note the file's size at a moment and ask about what came after.
//
//   audio_probe rms FILE FROM TO            RMS of the samples in [FROM, TO)
//   audio_probe peak FILE FROM TO           strongest frequency in Hz
//   audio_probe first-sound FILE FROM       offset of the first audible frame, or -1
//   audio_probe first-silence FILE FROM     offset where 0.1 s of zeros begins, or -1
//   audio_probe locate FILE FROM MP3        seconds into the decoded MP3 where the
//                                           audio at FROM comes from, or -1
//
// TO may be "end".

#include <kiss_fftr.h>
#include <mpg123.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

namespace {

constexpr int kRate = 44100;
constexpr int kChannels = 2;
constexpr long kFrameBytes = sizeof(float) * kChannels;
constexpr float kAudible = 1e-4f;

using Samples = std::vector<float>; // interleaved stereo

Samples readFrames(const char* path, long from, long to)
{
    std::ifstream in(path, std::ios::binary);
    std::vector<char> bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    long size = static_cast<long>(bytes.size()) / kFrameBytes * kFrameBytes;
    from = std::clamp(from / kFrameBytes * kFrameBytes, 0L, size);
    to = to < 0 ? size : std::clamp(to / kFrameBytes * kFrameBytes, from, size);
    Samples samples(static_cast<size_t>(to - from) / sizeof(float));
    std::memcpy(samples.data(), bytes.data() + from, static_cast<size_t>(to - from));
    return samples;
}

double rms(const Samples& s)
{
    if (s.empty())
        return 0.0;
    double sum = 0.0;
    for (float v : s)
        sum += double(v) * v;
    return std::sqrt(sum / double(s.size()));
}

// Averages Hann-windowed power spectra of the mono mix; 5.4 Hz resolution.
double peakFrequency(const Samples& s)
{
    constexpr int kSize = 8192;
    const size_t frames = s.size() / kChannels;
    if (frames < kSize)
        return -1.0;
    kiss_fftr_cfg config = kiss_fftr_alloc(kSize, 0, nullptr, nullptr);
    std::vector<kiss_fft_scalar> windowed(kSize);
    std::vector<kiss_fft_cpx> bins(kSize / 2 + 1);
    std::vector<double> power(kSize / 2 + 1, 0.0);
    for (size_t start = 0; start + kSize <= frames; start += kSize / 2) {
        for (int i = 0; i < kSize; ++i) {
            const double hann = 0.5 - 0.5 * std::cos(2.0 * M_PI * i / (kSize - 1));
            const size_t k = (start + size_t(i)) * kChannels;
            windowed[size_t(i)] = float(hann * (s[k] + s[k + 1]) * 0.5);
        }
        kiss_fftr(config, windowed.data(), bins.data());
        for (size_t b = 1; b < bins.size(); ++b) // bin 0 is the DC offset, not a tone
            power[b] += double(bins[b].r) * bins[b].r + double(bins[b].i) * bins[b].i;
    }
    kiss_fftr_free(config);
    const size_t best = size_t(std::max_element(power.begin() + 1, power.end()) - power.begin());
    return double(best) * kRate / kSize;
}

long firstSound(const Samples& s, long from)
{
    for (size_t i = 0; i < s.size(); ++i)
        if (std::fabs(s[i]) > kAudible)
            return from + long(i / kChannels) * kFrameBytes;
    return -1;
}

long firstSilence(const Samples& s, long from)
{
    const size_t needed = kRate / 10 * kChannels;
    size_t run = 0;
    for (size_t i = 0; i < s.size(); ++i) {
        run = s[i] == 0.0f ? run + 1 : 0;
        if (run == needed)
            return from + long((i + 1 - needed) / kChannels) * kFrameBytes;
    }
    return -1;
}

Samples decodeMp3(const char* path)
{
    Samples out;
    mpg123_init();
    mpg123_handle* decoder = mpg123_new(nullptr, nullptr);
    if (decoder == nullptr)
        return out;
    mpg123_param(decoder, MPG123_ADD_FLAGS, MPG123_FORCE_FLOAT | MPG123_QUIET | MPG123_SKIP_ID3V2, 0);
    mpg123_format_none(decoder);
    mpg123_format(decoder, kRate, MPG123_STEREO, MPG123_ENC_FLOAT_32);
    if (mpg123_open(decoder, path) == MPG123_OK) {
        std::vector<unsigned char> chunk(65536);
        size_t done = 0;
        int result = MPG123_OK;
        do {
            result = mpg123_read(decoder, chunk.data(), chunk.size(), &done);
            const auto* samples = reinterpret_cast<const float*>(chunk.data());
            out.insert(out.end(), samples, samples + done / sizeof(float));
        } while (result == MPG123_OK || result == MPG123_NEW_FORMAT);
        mpg123_close(decoder);
    }
    mpg123_delete(decoder);
    return out;
}

// Where in the track the first 4096 frames of `played` are: the offset at
// which they agree with the decoded track within a small tolerance (the
// player may clip, nothing else changes the samples at full volume).
double locate(const Samples& played, const Samples& track)
{
    constexpr size_t kPattern = 4096 * kChannels;
    constexpr float kTolerance = 1e-3f;
    if (played.size() < kPattern || track.size() < kPattern)
        return -1.0;
    for (size_t at = 0; at + kPattern <= track.size(); at += kChannels) {
        size_t i = 0;
        while (i < kPattern && std::fabs(played[i] - std::clamp(track[at + i], -1.0f, 1.0f)) <= kTolerance)
            ++i;
        if (i == kPattern)
            return double(at / kChannels) / kRate;
    }
    return -1.0;
}

long offsetArgument(const char* text) { return std::strcmp(text, "end") == 0 ? -1 : std::atol(text); }

int usage()
{
    std::fputs("usage: audio_probe rms|peak FILE FROM TO | first-sound|first-silence FILE FROM"
               " | locate FILE FROM MP3\n",
               stderr);
    return 2;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc < 4)
        return usage();
    const std::string command = argv[1];
    const char* file = argv[2];
    const long from = offsetArgument(argv[3]);
    if ((command == "rms" || command == "peak") && argc == 5) {
        const Samples s = readFrames(file, from, offsetArgument(argv[4]));
        if (command == "rms")
            std::printf("%.6f\n", rms(s));
        else
            std::printf("%.1f\n", peakFrequency(s));
    } else if (command == "first-sound" && argc == 4) {
        std::printf("%ld\n", firstSound(readFrames(file, from, -1), from / kFrameBytes * kFrameBytes));
    } else if (command == "first-silence" && argc == 4) {
        std::printf("%ld\n", firstSilence(readFrames(file, from, -1), from / kFrameBytes * kFrameBytes));
    } else if (command == "locate" && argc == 5) {
        std::printf("%.3f\n", locate(readFrames(file, from, -1), decodeMp3(argv[4])));
    } else {
        return usage();
    }
    return 0;
}
