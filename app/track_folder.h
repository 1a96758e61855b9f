// Where the player looks for its MP3 files: the current folder when any
// track lies there, else the folder holding the program, so that it plays
// when started from anywhere.
#pragma once

#include "audio/catalogue.h"

#include <filesystem>

std::filesystem::path chooseTrackFolder(const std::filesystem::path& currentFolder,
                                        const std::filesystem::path& programFolder, const TrackCatalogue& catalogue);
