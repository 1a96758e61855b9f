// Gradient noise that repeats over a square tile, so pictures built from it
// tile seamlessly in both directions. Coordinates are in tiles (0..1 covers
// one tile); the lattice is hashed from a seed, so the result is fixed.
#pragma once

#include <cstdint>

namespace assetgen {

// One octave with `cells` lattice cells per tile side; about -1..1.
double tileNoise(double u, double v, int cells, uint32_t seed);

// `octaves` octaves, the first with `cells` cells, each next one with twice
// the cells and `gain` times the amplitude; about -1..1.
double tileFractal(double u, double v, int cells, int octaves, double gain, uint32_t seed);

} // namespace assetgen
