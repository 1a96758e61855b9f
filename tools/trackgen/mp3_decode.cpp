#include "tools/trackgen/mp3_decode.h"

#include <mpg123.h>

#include <fstream>
#include <iterator>
#include <memory>

namespace trackgen {
namespace {

struct HandleDeleter {
    void operator()(mpg123_handle* handle) const { mpg123_delete(handle); }
};

} // namespace

DecodedAudio decodeMp3(const std::vector<uint8_t>& bytes)
{
    DecodedAudio out;
    mpg123_init();
    int err = MPG123_OK;
    std::unique_ptr<mpg123_handle, HandleDeleter> handle(mpg123_new(nullptr, &err));
    if (!handle) {
        out.error = "the MP3 decoder could not start";
        return out;
    }
    mpg123_param(handle.get(), MPG123_ADD_FLAGS, MPG123_QUIET, 0);
    mpg123_format_none(handle.get());
    for (long rate : {22050L, 44100L, 48000L})
        mpg123_format(handle.get(), rate, MPG123_MONO | MPG123_STEREO, MPG123_ENC_FLOAT_32);
    mpg123_open_feed(handle.get());
    mpg123_feed(handle.get(), bytes.data(), bytes.size());
    std::vector<unsigned char> buffer(65536);
    for (;;) {
        size_t done = 0;
        const int result = mpg123_read(handle.get(), buffer.data(), buffer.size(), &done);
        const float* pcm = reinterpret_cast<const float*>(buffer.data());
        out.samples.insert(out.samples.end(), pcm, pcm + done / sizeof(float));
        if (result == MPG123_NEW_FORMAT) {
            int encoding = 0;
            mpg123_getformat(handle.get(), &out.rate, &out.channels, &encoding);
        } else if (result == MPG123_NEED_MORE || result == MPG123_DONE) {
            break;
        } else if (result != MPG123_OK) {
            out.error = mpg123_strerror(handle.get());
            break;
        }
    }
    if (out.error.empty() && (out.channels == 0 || out.samples.empty()))
        out.error = "no audio in the file";
    return out;
}

DecodedAudio decodeMp3File(const std::string& path)
{
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        DecodedAudio out;
        out.error = "cannot open " + path;
        return out;
    }
    const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(file)), std::istreambuf_iterator<char>());
    return decodeMp3(bytes);
}

} // namespace trackgen
