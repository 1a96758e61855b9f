#include "app/track_folder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;

struct Folders : testing::Test {
    fs::path root = fs::temp_directory_path() / ("q2-tracks-" + std::to_string(::getpid()));
    fs::path current = root / "current";
    fs::path program = root / "program";
    TrackCatalogue catalogue = makeTrackCatalogue();

    void SetUp() override
    {
        fs::create_directories(current);
        fs::create_directories(program);
    }
    void TearDown() override { fs::remove_all(root); }
    void put(const fs::path& folder, const char* name) { std::ofstream(folder / name) << "x"; }
};

TEST_F(Folders, TheCurrentFolderWinsWhenItHoldsATrack)
{
    put(current, catalogue.rows[32].fileName);
    put(program, catalogue.rows[0].fileName);
    EXPECT_EQ(chooseTrackFolder(current, program, catalogue), current);
}

TEST_F(Folders, TheProgramsFolderIsUsedWhenTheCurrentOneHasNoTracks)
{
    put(current, "unrelated.mp3");
    put(program, catalogue.rows[5].fileName);
    EXPECT_EQ(chooseTrackFolder(current, program, catalogue), program);
}

TEST_F(Folders, WithoutTracksAnywhereTheCurrentFolderStays)
{
    fs::create_directories(program / catalogue.rows[0].fileName); // a folder by that name is no track
    EXPECT_EQ(chooseTrackFolder(current, program, catalogue), current);
    EXPECT_EQ(chooseTrackFolder(current, fs::path(), catalogue), current);
}

} // namespace
