#include "app/track_folder.h"

#include <system_error>

namespace {

// Set by the build from the install directories (the data folder relative to
// the program's); a compiler without it still gets the usual layout.
#ifndef Q2_TRACKS_FROM_PROGRAM
#define Q2_TRACKS_FROM_PROGRAM "../share/quarven2"
#endif

bool holdsAnyTrack(const std::filesystem::path& folder, const TrackCatalogue& catalogue)
{
    if (folder.empty())
        return false;
    std::error_code ignored;
    for (const TrackEntry& row : catalogue.rows) {
        if (row.fileName == nullptr)
            break;
        if (std::filesystem::is_regular_file(folder / row.fileName, ignored))
            return true;
    }
    return false;
}

} // namespace

std::filesystem::path chooseTrackFolder(const std::filesystem::path& currentFolder,
                                        const std::filesystem::path& programFolder,
                                        const std::filesystem::path& installedFolder, const TrackCatalogue& catalogue)
{
    if (holdsAnyTrack(currentFolder, catalogue))
        return currentFolder;
    if (holdsAnyTrack(programFolder, catalogue))
        return programFolder;
    if (holdsAnyTrack(installedFolder, catalogue))
        return installedFolder;
    return currentFolder;
}

std::filesystem::path installedTrackFolder(const std::filesystem::path& programFolder)
{
    if (programFolder.empty())
        return {};
    return (programFolder / Q2_TRACKS_FROM_PROGRAM).lexically_normal();
}
