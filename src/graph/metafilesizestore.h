// TMetaFileSizeStore: the true size of a picture of the graph while it is
// being made, so that graph paper in the picture keeps 2 cm per step. It
// answers the horizontal pair first, then the vertical, then again.
#pragma once

#include "numbers/evalstate.h"

#include <array>

struct TMetaFileSize {
    Extended millimetres = 0;
    Extended pixels = 0;
};

class TMetaFileSizeStore {
public:
    TMetaFileSizeStore(TMetaFileSize horizontal, TMetaFileSize vertical) : pairs_{horizontal, vertical} {}
    // The current pair; the next request answers the other one.
    [[nodiscard]] TMetaFileSize Next()
    {
        const TMetaFileSize pair = pairs_[current_];
        current_ = 1 - current_;
        return pair;
    }

private:
    std::array<TMetaFileSize, 2> pairs_;
    std::size_t current_ = 0;
};
