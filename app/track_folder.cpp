#include "app/track_folder.h"

#include <system_error>

namespace {

bool holdsAnyTrack(const std::filesystem::path& folder, const TrackCatalogue& catalogue)
{
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
                                        const std::filesystem::path& programFolder, const TrackCatalogue& catalogue)
{
    if (holdsAnyTrack(currentFolder, catalogue) || programFolder.empty())
        return currentFolder;
    return holdsAnyTrack(programFolder, catalogue) ? programFolder : currentFolder;
}
