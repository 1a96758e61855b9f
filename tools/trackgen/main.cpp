// Composes and encodes the soundtrack's 33 MP3 files.
//
// usage: trackgen [--seconds S] [--jobs N] [--only 1,5,33] OUTDIR
//   --seconds S   make S-second versions (for tests of the end-of-track advance)
//   --jobs N      pieces made in parallel (default: the number of cores)
//   --only LIST   make only these track numbers (1..33)

#include "audio/track_list.h"
#include "tools/trackgen/generate.h"

#include <atomic>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Options {
    std::filesystem::path outDir;
    double seconds = 0;
    unsigned jobs = 0;
    std::vector<int> rows;
};

void usage(const char* program)
{
    std::fprintf(stderr, "usage: %s [--seconds S] [--jobs N] [--only 1,5,33] OUTDIR\n", program);
}

bool parseRows(const char* list, std::vector<int>& rows)
{
    std::string text = list;
    size_t start = 0;
    while (start <= text.size()) {
        const size_t comma = std::min(text.find(',', start), text.size());
        const std::string item = text.substr(start, comma - start);
        char* end = nullptr;
        const long number = std::strtol(item.c_str(), &end, 10);
        if (item.empty() || *end != '\0' || number < 1 || number > tracklist::kTrackCount)
            return false;
        rows.push_back(static_cast<int>(number - 1));
        start = comma + 1;
    }
    return true;
}

bool parseOptions(int argc, char** argv, Options& options)
{
    for (int i = 1; i < argc; ++i) {
        const bool hasValue = i + 1 < argc;
        char* end = nullptr;
        if (std::strcmp(argv[i], "--seconds") == 0 && hasValue) {
            options.seconds = std::strtod(argv[++i], &end);
            if (*end != '\0' || !(options.seconds > 0 && options.seconds <= 90)) {
                std::fprintf(stderr, "trackgen: --seconds needs a number from 0 to 90\n");
                return false;
            }
        } else if (std::strcmp(argv[i], "--jobs") == 0 && hasValue) {
            const long jobs = std::strtol(argv[++i], &end, 10);
            if (*end != '\0' || jobs < 1 || jobs > 64) {
                std::fprintf(stderr, "trackgen: --jobs needs a number from 1 to 64\n");
                return false;
            }
            options.jobs = static_cast<unsigned>(jobs);
        } else if (std::strcmp(argv[i], "--only") == 0 && hasValue) {
            if (!parseRows(argv[++i], options.rows)) {
                std::fprintf(stderr, "trackgen: --only needs track numbers 1 to %d, separated by commas\n",
                             tracklist::kTrackCount);
                return false;
            }
        } else if (argv[i][0] != '-' && options.outDir.empty()) {
            options.outDir = argv[i];
        } else {
            return false;
        }
    }
    if (options.rows.empty())
        for (int row = 0; row < tracklist::kTrackCount; ++row)
            options.rows.push_back(row);
    if (options.jobs == 0)
        options.jobs = std::max(1u, std::thread::hardware_concurrency());
    return !options.outDir.empty();
}

// Writes beside the target and renames, so an interrupted run never leaves
// a truncated track under the real name.
bool writeAtomically(const std::filesystem::path& path, const std::vector<uint8_t>& bytes, std::string& error)
{
    std::filesystem::path temporary = path;
    temporary += ".part";
    {
        std::ofstream file(temporary, std::ios::binary | std::ios::trunc);
        file.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
        if (!file) {
            error = "cannot write " + temporary.string();
            return false;
        }
    }
    std::error_code ec;
    std::filesystem::rename(temporary, path, ec);
    if (ec) {
        error = "cannot rename to " + path.string() + ": " + ec.message();
        return false;
    }
    return true;
}

std::string describe(const trackgen::Mp3Format& format)
{
    char text[64];
    std::snprintf(text, sizeof text, "%d Hz %s %s", format.sampleRate, format.channels == 1 ? "mono" : "stereo",
                  format.vbr ? "VBR" : (std::to_string(format.kbps) + " kbps").c_str());
    return text + std::string(format.id3v2 ? " ID3v2" : "");
}

} // namespace

int main(int argc, char** argv)
{
    Options options;
    if (!parseOptions(argc, argv, options)) {
        usage(argv[0]);
        return 2;
    }
    std::error_code ec;
    std::filesystem::create_directories(options.outDir, ec);
    if (ec) {
        std::fprintf(stderr, "trackgen: cannot create %s: %s\n", options.outDir.c_str(), ec.message().c_str());
        return 1;
    }

    const auto started = std::chrono::steady_clock::now();
    std::atomic<size_t> nextJob{0};
    std::atomic<int> failures{0};
    std::mutex printing;
    int finished = 0;
    const int total = static_cast<int>(options.rows.size());

    auto worker = [&] {
        for (size_t job = nextJob++; job < options.rows.size(); job = nextJob++) {
            const int row = options.rows[job];
            const auto begun = std::chrono::steady_clock::now();
            const trackgen::GeneratedTrack track = trackgen::generateTrack(row, options.seconds);
            const char* name = tracklist::kTracks[row].fileName;
            std::string error = track.error;
            if (error.empty())
                writeAtomically(options.outDir / name, track.mp3, error);
            const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - begun).count();

            const std::lock_guard<std::mutex> lock(printing);
            ++finished;
            if (!error.empty()) {
                ++failures;
                std::fprintf(stderr, "trackgen: %s: %s\n", name, error.c_str());
                continue;
            }
            std::printf("trackgen: [%2d/%d] %-54s %5.1f s  %s  peak %.1f dBFS  (%.1f s)\n", finished, total, name,
                        track.seconds, describe(track.format).c_str(), 20.0 * std::log10(std::max(track.peak, 1e-9f)),
                        took);
            std::fflush(stdout);
        }
    };
    std::vector<std::thread> threads;
    const unsigned count = std::min<unsigned>(options.jobs, static_cast<unsigned>(options.rows.size()));
    for (unsigned i = 0; i < count; ++i)
        threads.emplace_back(worker);
    for (std::thread& thread : threads)
        thread.join();

    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    if (failures > 0) {
        std::fprintf(stderr, "trackgen: %d of %d tracks failed\n", failures.load(), total);
        return 1;
    }
    std::printf("trackgen: %d tracks in %s (%.1f s)\n", total, options.outDir.c_str(), took);
    return 0;
}
