// The soundtrack's artists and tracks, in playing order.
//
// The one source for file names, artists and titles: the player's catalogue
// and the track generator both read this table, so the files the generator
// writes are always the files the player opens. Texts are Windows-1252.
#pragma once

namespace tracklist {

struct Artist {
    const char* name;
    const char* link;
};

struct Track {
    int artist;          // index into kArtists
    const char* title;
    const char* fileName;
    int infoText;        // 0..14: which of the fifteen information texts
};

constexpr int kArtistCount = 11;
constexpr int kTrackCount = 33;
constexpr int kInfoTextCount = 15;

inline constexpr Artist kArtists[kArtistCount] = {
    {"Vela Orkestra", "https://vela-orkestra.example/"},
    {"Circuit Fathom", "https://circuit-fathom.example/"},
    {"Marisol Pe\xF1" "alver", "https://marisol-penalver.example/"},
    {"Z\xE9phyrine", "https://zephyrine.example/"},
    {"The Hollow Pines", "https://the-hollow-pines.example/"},
    {"Oskar Lindqvist", "https://oskar-lindqvist.example/"},
    {"Brassfire Union", "https://brassfire-union.example/"},
    {"Halcyon Drift", "https://halcyon-drift.example/"},
    {"Gwenna Kerherv\xE9", "https://gwenna-kerherve.example/"},
    {"M\xF8rkeskog", "https://morkeskog.example/"},
    {"Paper Lanterns Quartet", "https://paper-lanterns.example/"},
};

// Rows of one artist share the artist's text; a few pieces have their own.
inline constexpr Track kTracks[kTrackCount] = {
    {0, "Quarven Rising", "01_-_vela_orkestra_-_quarven_rising.mp3", 0},
    {1, "Boot Sequence", "02_-_circuit_fathom_-_boot_sequence.mp3", 1},
    {2, "Caf\xE9 da Esta\xE7\xE3o", "03_-_marisol_penalver_-_cafe_da_estacao.mp3", 2},
    {3, "Brume sur l'\xC9tang", "04_-_zephyrine_-_brume_sur_letang.mp3", 3},
    {4, "Cedar Smoke Waltz", "05_-_the_hollow_pines_-_cedar_smoke_waltz.mp3", 4},
    {5, "Nattskift", "06_-_oskar_lindqvist_-_nattskift.mp3", 5},
    {6, "Hot Wire Strut", "07_-_brassfire_union_-_hot_wire_strut.mp3", 6},
    {7, "Neon Overpass", "08_-_halcyon_drift_-_neon_overpass.mp3", 7},
    {8, "Grey Gulls Jig", "09_-_gwenna_kerherve_-_grey_gulls_jig.mp3", 8},
    {9, "Jernskog", "10_-_morkeskog_-_jernskog.mp3", 9},
    {10, "Paper Moon Garden", "11_-_paper_lanterns_quartet_-_paper_moon_garden.mp3", 10},
    {0, "The Long Descent", "12_-_vela_orkestra_-_the_long_descent.mp3", 11},
    {1, "Eight-Bit Skies", "13_-_circuit_fathom_-_eight-bit_skies.mp3", 1},
    {3, "Lumi\xE8re Lente", "14_-_zephyrine_-_lumiere_lente.mp3", 3},
    {2, "Lua Lenta", "15_-_marisol_penalver_-_lua_lenta.mp3", 2},
    {5, "Signal 7", "16_-_oskar_lindqvist_-_signal_7.mp3", 5},
    {4, "Over the Ridge", "17_-_the_hollow_pines_-_over_the_ridge.mp3", 12},
    {7, "Midnight on Route 9", "18_-_halcyon_drift_-_midnight_on_route_9.mp3", 7},
    {6, "Five-Alarm Groove", "19_-_brassfire_union_-_five-alarm_groove.mp3", 6},
    {9, "Iron Under Snow", "20_-_morkeskog_-_iron_under_snow.mp3", 9},
    {8, "Kerlann Reel", "21_-_gwenna_kerherve_-_kerlann_reel.mp3", 8},
    {10, "Rain on Tin Roofs", "22_-_paper_lanterns_quartet_-_rain_on_tin_roofs.mp3", 13},
    {1, "Cartridge Heart", "23_-_circuit_fathom_-_cartridge_heart.mp3", 1},
    {3, "Nocturne pour Quarven", "24_-_zephyrine_-_nocturne_pour_quarven.mp3", 14},
    {2, "Mar de Vidrio", "25_-_marisol_penalver_-_mar_de_vidrio.mp3", 2},
    {5, "K\xE4rnan", "26_-_oskar_lindqvist_-_karnan.mp3", 5},
    {4, "Lantern by the Door", "27_-_the_hollow_pines_-_lantern_by_the_door.mp3", 4},
    {6, "Backdoor Boogaloo", "28_-_brassfire_union_-_backdoor_boogaloo.mp3", 6},
    {7, "Afterglow Protocol", "29_-_halcyon_drift_-_afterglow_protocol.mp3", 7},
    {8, "Crossing to \xC9nez", "30_-_gwenna_kerherve_-_crossing_to_enez.mp3", 8},
    {9, "S\xF8vnl\xF8s", "31_-_morkeskog_-_sovnlos.mp3", 9},
    {10, "Seven Quiet Bridges", "32_-_paper_lanterns_quartet_-_seven_quiet_bridges.mp3", 10},
    {0, "Homeward, at Last", "33_-_vela_orkestra_-_homeward_at_last.mp3", 0},
};

} // namespace tracklist
