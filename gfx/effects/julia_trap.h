// A disc the Julia iteration can never leave, for constants c whose set has
// an attracting fixed point: a start point whose orbit enters it never
// escapes, so the vector kernels may stop iterating it and give it the full
// count. Most of the fractal's work is in such points (the black inside of
// the set takes all 31 steps), and they reach the disc after a few.
#pragma once

namespace q2_julia {

struct JuliaTrap {
    float centreRe;
    float centreIm;
    // A point is in the disc when, in single precision,
    // (zr - centreRe)^2 + (zi - centreIm)^2 <= limit. Negative when c has
    // no such disc: nothing is ever in it.
    float limit;
};

JuliaTrap juliaTrap(float cr, float ci);

} // namespace q2_julia
