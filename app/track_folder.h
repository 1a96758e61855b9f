// Where the player looks for its MP3 files: the current folder when any
// track lies there, else the folder holding the program (a build folder, or
// an install that keeps them together), else the installed data folder, so
// that it plays when started from anywhere.
#pragma once

#include "audio/catalogue.h"

#include <filesystem>

std::filesystem::path chooseTrackFolder(const std::filesystem::path& currentFolder,
                                        const std::filesystem::path& programFolder,
                                        const std::filesystem::path& installedFolder, const TrackCatalogue& catalogue);

// The data folder an install puts the tracks in, found from the program's
// own folder (bin/../share/quarven2 by default), so the installed tree still
// plays when it is staged or moved to another prefix. Empty when the
// program's folder is unknown.
std::filesystem::path installedTrackFolder(const std::filesystem::path& programFolder);
