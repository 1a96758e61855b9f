#include "tools/trackgen/mp3_encoder.h"

#include <lame/lame.h>

#include <algorithm>
#include <memory>

namespace trackgen {
namespace {

struct LameDeleter {
    void operator()(lame_global_flags* flags) const { lame_close(flags); }
};

bool configure(lame_global_flags* gf, const Mp3Format& format, const Mp3Tags& tags)
{
    lame_set_in_samplerate(gf, format.sampleRate);
    lame_set_out_samplerate(gf, format.sampleRate);
    lame_set_num_channels(gf, format.channels);
    lame_set_mode(gf, format.channels == 1 ? MONO : JOINT_STEREO);
    if (format.vbr) {
        lame_set_VBR(gf, vbr_default);
        lame_set_VBR_quality(gf, 2.0f);
    } else {
        lame_set_VBR(gf, vbr_off);
        lame_set_brate(gf, format.kbps);
    }
    // Quality 7 halves the encoding time; synthesized music at these bit
    // rates sounds no different.
    lame_set_quality(gf, 7);
    lame_set_bWriteVbrTag(gf, 1);
    // The tag is placed by hand, so the Info frame's position is known.
    lame_set_write_id3tag_automatic(gf, 0);
    if (format.id3v2) {
        id3tag_init(gf);
        id3tag_v2_only(gf);
        id3tag_set_artist(gf, tags.artist);
        id3tag_set_title(gf, tags.title);
    }
    return lame_init_params(gf) >= 0;
}

} // namespace

bool encodeMp3(const StereoBuffer& audio, const Mp3Format& format, const Mp3Tags& tags, std::vector<uint8_t>& out,
               std::string& error)
{
    out.clear();
    std::unique_ptr<lame_global_flags, LameDeleter> gf(lame_init());
    if (!gf) {
        error = "the MP3 encoder could not start";
        return false;
    }
    if (!configure(gf.get(), format, tags)) {
        error = "the MP3 encoder refused the format";
        return false;
    }
    if (format.id3v2) {
        std::vector<unsigned char> tag(lame_get_id3v2_tag(gf.get(), nullptr, 0));
        lame_get_id3v2_tag(gf.get(), tag.data(), tag.size());
        out.insert(out.end(), tag.begin(), tag.end());
    }
    const size_t infoFrameAt = out.size();

    constexpr size_t kChunk = 8192;
    std::vector<unsigned char> buffer(kChunk * 5 / 4 + 7200);
    for (size_t first = 0; first < audio.frames(); first += kChunk) {
        const int count = static_cast<int>(std::min(kChunk, audio.frames() - first));
        const float* right = format.channels == 1 ? audio.left.data() + first : audio.right.data() + first;
        const int written = lame_encode_buffer_ieee_float(gf.get(), audio.left.data() + first, right, count,
                                                          buffer.data(), static_cast<int>(buffer.size()));
        if (written < 0) {
            error = "the MP3 encoder failed (" + std::to_string(written) + ")";
            return false;
        }
        out.insert(out.end(), buffer.begin(), buffer.begin() + written);
    }
    const int flushed = lame_encode_flush(gf.get(), buffer.data(), static_cast<int>(buffer.size()));
    if (flushed < 0) {
        error = "the MP3 encoder failed to finish";
        return false;
    }
    out.insert(out.end(), buffer.begin(), buffer.begin() + flushed);

    // The Info frame written first was a placeholder; now it knows the length.
    const size_t infoSize = lame_get_lametag_frame(gf.get(), buffer.data(), buffer.size());
    if (infoSize > 0 && infoFrameAt + infoSize <= out.size())
        std::copy(buffer.begin(), buffer.begin() + static_cast<long>(infoSize), out.begin() + static_cast<long>(infoFrameAt));
    return true;
}

} // namespace trackgen
