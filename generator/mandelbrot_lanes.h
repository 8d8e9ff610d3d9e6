#pragma once
// Inside mandelBrot (operations.h): it iterates eight pixels at once in vector lanes, four lanes wide
// where the processor has AVX2 and two wide otherwise; the pixels are the same either way. mandelBrot
// takes the widest the processor offers; the tests run both widths through mandelBrotInLanes.

#include "generator/generator.h"

namespace generator {

enum class LaneWidth { two, four };

// The widest lanes this processor runs.
LaneWidth widestLanes();

// mandelBrot in the given lane width (four falls back to two where the processor lacks AVX2).
void mandelBrotInLanes(Generator& g, int layer, double x0, double width, double y0, double height, double bailout,
                       LaneWidth lanes);

}  // namespace generator
