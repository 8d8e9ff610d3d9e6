#pragma once
// The 46 image operations of the texture generator, one function each (the primitives they share are
// in generator/primitives.h).
//
// Every operation works on a Generator that has buffers (initGenerator) and trusts its arguments:
// layers 0 to 4 and the ranges the operation table states (generator/operation_table.h). Recipes and
// runOperation check them first; code calling these functions directly must do the same.
//
// Conventions (see generator.h for the pixel layout): "truncate" rounds toward zero; "round" goes to
// the nearest integer, ties to even; "clamp" gives 255 at or above 255, 0 at or below 0, otherwise
// truncates. Operations that allow dst to equal src read a copy of src in the scratch buffer.

#include "generator/generator.h"
#include "generator/primitives.h"

namespace generator {

// --- sources (codes 0 to 8): each overwrites its whole layer ---

void subPlasma(Generator& g, int layer, int step, int seed, int range, bool colour);
void sinePlasma(Generator& g, int layer, float fx, float fy, float amplitude);
void perlinNoise(Generator& g, int layer, int step, int seed, int amplitude, int persistence, int octaves, bool colour);
void particle(Generator& g, int layer, float falloff);
void colorLayer(Generator& g, int layer, int c0, int c1, int c2);
void checkerBoardLayer(Generator& g, int layer, int cellWidth, int cellHeight, int a0, int a1, int a2, int b0, int b1,
                       int b2);
void blobsLayer(Generator& g, int layer, int seed, int count, bool colour);
void mandelBrot(Generator& g, int layer, double x0, double width, double y0, double height, double bailout);
void cellMachine(Generator& g, int layer, int seed, int rule);

// --- combiners (codes 10 to 17), per channel ---

void addLayers(Generator& g, int src1, int src2, int dst, float f1, float f2);
void mulLayers(Generator& g, int src1, int src2, int dst, float f1, float f2);
void randCombineLayers(Generator& g, int src1, int src2, int dst, float f1, float f2);
void minCombineLayers(Generator& g, int src1, int src2, int dst, float f1, float f2);
void maxCombineLayers(Generator& g, int src1, int src2, int dst, float f1, float f2);
void xorLayers(Generator& g, int src1, int src2, int dst, float f1, float f2);
void orLayers(Generator& g, int src1, int src2, int dst, float f1, float f2);
void andLayers(Generator& g, int src1, int src2, int dst, float f1, float f2);

// --- colour operations (codes 20 to 26, 30, 32), per pixel ---

void scaleLayerRGB(Generator& g, int src, int dst, float f0, float f1, float f2);
void scaleLayerHSV(Generator& g, int src, int dst, float fh, float fs, float fv);
void adjustLayerRGB(Generator& g, int src, int dst, int d0, int d1, int d2);
void adjustLayerHSV(Generator& g, int src, int dst, float dh, float ds, float dv);
void sineLayerRGB(Generator& g, int src, int dst, float f0, float f1, float f2);
void equalizeRGB(Generator& g, int src, int dst);
void stretchRGB(Generator& g, int src, int dst);
void invertLayer(Generator& g, int src, int dst);
void woodLayer(Generator& g, int src, int dst, int bits);

// --- filters (3 x 3 neighbourhoods wrap around; all read a copy of src) ---

void embossLayer(Generator& g, int src, int dst);
void blurLayer(Generator& g, int src, int dst);
void sharpenLayer(Generator& g, int src, int dst);
void edgeHLayer(Generator& g, int src, int dst);
void edgeVLayer(Generator& g, int src, int dst);
void motionBlur(Generator& g, int src, int dst, int radius);
void makeTilable(Generator& g, int src, int dst, int border);
void medianLayer(Generator& g, int src, int dst);
void sculptureLayer(Generator& g, int src, int dst);
// sculptureLayer's byte for the gradient (gx, gy), each -1020 to 1020.
std::uint8_t sculptureValue(int gx, int gy);
void erodeLayer(Generator& g, int src, int dst);
void dilateLayer(Generator& g, int src, int dst);

// --- distortions (cosine-interpolated sampling) ---

void sineDistort(Generator& g, int src, int dst, float fy, float ax, float fx, float ay);
void twirlLayer(Generator& g, int src, int dst, float angle, float spread);
void mapDistort(Generator& g, int src, int map, int dst, float fx, float fy);
void tileLayer(Generator& g, int src, int dst);
void noiseDistort(Generator& g, int src, int dst, int seed, int strength);
void moveDistort(Generator& g, int src, int dst, int dx, int dy);
void kaleidLayer(Generator& g, int src, int dst, int mode);
void tunnelDistort(Generator& g, int src, int dst, float depth);
void logPolLayer(Generator& g, int src, int dst);

}  // namespace generator
