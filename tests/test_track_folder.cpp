#include "app/track_folder.h"

#include <gtest/gtest.h>

#include <fstream>

namespace {

namespace fs = std::filesystem;

struct Folders : testing::Test {
    fs::path root = fs::temp_directory_path() / ("q2-tracks-" + std::to_string(::getpid()));
    fs::path current = root / "current";
    fs::path program = root / "program";
    fs::path installed = root / "installed";
    TrackCatalogue catalogue = makeTrackCatalogue();

    void SetUp() override
    {
        fs::create_directories(current);
        fs::create_directories(program);
        fs::create_directories(installed);
    }
    void TearDown() override { fs::remove_all(root); }
    void put(const fs::path& folder, const char* name) { std::ofstream(folder / name) << "x"; }
};

TEST_F(Folders, TheCurrentFolderWinsWhenItHoldsATrack)
{
    put(current, catalogue.rows[32].fileName);
    put(program, catalogue.rows[0].fileName);
    EXPECT_EQ(chooseTrackFolder(current, program, installed, catalogue), current);
}

TEST_F(Folders, TheProgramsFolderIsUsedWhenTheCurrentOneHasNoTracks)
{
    put(current, "unrelated.mp3");
    put(program, catalogue.rows[5].fileName);
    EXPECT_EQ(chooseTrackFolder(current, program, installed, catalogue), program);
}

TEST_F(Folders, WithoutTracksAnywhereTheCurrentFolderStays)
{
    fs::create_directories(program / catalogue.rows[0].fileName); // a folder by that name is no track
    EXPECT_EQ(chooseTrackFolder(current, program, installed, catalogue), current);
    EXPECT_EQ(chooseTrackFolder(current, fs::path(), fs::path(), catalogue), current);
}

// An installed program lies in PREFIX/bin and its tracks in
// PREFIX/share/quarven2; a copy of the tracks beside the program, as in the
// build folder, still comes first.
TEST_F(Folders, TheInstalledDataFolderIsTheLastPlaceLookedIn)
{
    EXPECT_EQ(installedTrackFolder("/usr/bin"), fs::path("/usr/share/quarven2"));
    EXPECT_EQ(installedTrackFolder("/opt/q2/bin/"), fs::path("/opt/q2/share/quarven2"));
    EXPECT_EQ(installedTrackFolder(fs::path()), fs::path());

    put(installed, catalogue.rows[7].fileName);
    EXPECT_EQ(chooseTrackFolder(current, program, installed, catalogue), installed);
    EXPECT_EQ(chooseTrackFolder(current, fs::path(), installed, catalogue), installed);
    put(program, catalogue.rows[0].fileName);
    EXPECT_EQ(chooseTrackFolder(current, program, installed, catalogue), program);
}

} // namespace
