// The compiled form of a formula against its tree: the input's bytes choose a
// random tree of every kind of node (built twice, once for each side) and a
// script of evaluations and of changes between them (variables, tracking,
// memory stores, ± branches, the angle unit, declared constants, families,
// function definitions). Any difference in value or status stops the run.
#include "expr/compiled_differential.h"
#include "fuzzsupport.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static compiledtest::TWorld world, twinWorld;
    compiledtest::TByteChoices choices(data, size);
    // The first byte gives the depth (its remainder by 7) and, for every
    // other seven values, a tree of arithmetic alone.
    const unsigned first = choices.Next(256);
    const int depth = static_cast<int>(first % 7);
    const bool arithmetic = (first / 7) % 2 == 1;
    const std::string difference =
        compiledtest::CheckRandomFormula(choices, world, twinWorld, depth, 200, arithmetic);
    if (!difference.empty())
        std::fprintf(stderr, "%s\n", difference.c_str());
    fuzzsupport::Check(difference.empty(), "the compiled form and the tree differ");
    return 0;
}
