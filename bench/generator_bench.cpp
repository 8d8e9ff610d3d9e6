// Every generator operation at 256 x 256, beside a memcpy of one layer, in one run. Each operation
// reads layers 0 to 3 (plasma, blobs, sine plasma, noise) and writes layer 4; before timing, each is
// run twice to check that it gives the same pixels both times. "time_per_px" is seconds per pixel
// (so "2.5n" is 2.5 ns). The target is every operation under 2 ms, 30 ns per pixel.

#include <benchmark/benchmark.h>

#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "generator/operation_table.h"
#include "generator/operations.h"
#include "generator/recipe.h"

namespace {

using namespace generator;

constexpr int size = 256;

// Typical calls: sources draw into layer 4, everything else reads layers 0 to 3 into layer 4.
const std::map<std::string, std::string> typicalCalls = {
    {"subPlasma", "subPlasma(4,32,7,256,true)"},
    {"sinePlasma", "sinePlasma(4,0.05,0.07,256)"},
    {"perlinNoise", "perlinNoise(4,64,3,256,128,6,true)"},
    {"particle", "particle(4,1.2)"},
    {"colorLayer", "colorLayer(4,10,20,30)"},
    {"checkerBoardLayer", "checkerBoardLayer(4,32,32,0,0,0,255,255,255)"},
    {"blobsLayer", "blobsLayer(4,5,16,true)"},
    {"mandelBrot", "mandelBrot(4,-2.25,3,-1.5,3,16)"},
    {"cellMachine", "cellMachine(4,9,30)"},
    {"addLayers", "addLayers(0,1,4,0.5,0.5)"},
    {"mulLayers", "mulLayers(0,1,4,1,1)"},
    {"randCombineLayers", "randCombineLayers(0,1,4,0.5,0.5)"},
    {"minCombineLayers", "minCombineLayers(0,1,4,1,1)"},
    {"maxCombineLayers", "maxCombineLayers(0,1,4,1,1)"},
    {"xorLayers", "xorLayers(0,1,4,1,1)"},
    {"orLayers", "orLayers(0,1,4,1,1)"},
    {"andLayers", "andLayers(0,1,4,1,1)"},
    {"scaleLayerRGB", "scaleLayerRGB(0,4,1.2,0.8,1.5)"},
    {"scaleLayerHSV", "scaleLayerHSV(0,4,1.1,0.9,1.2)"},
    {"adjustLayerRGB", "adjustLayerRGB(0,4,10,-20,30)"},
    {"adjustLayerHSV", "adjustLayerHSV(0,4,30,0.1,-10)"},
    {"sineLayerRGB", "sineLayerRGB(0,4,0.01,0.02,0.03)"},
    {"equalizeRGB", "equalizeRGB(0,4)"},
    {"stretchRGB", "stretchRGB(0,4)"},
    {"invertLayer", "invertLayer(0,4)"},
    {"embossLayer", "embossLayer(0,4)"},
    {"woodLayer", "woodLayer(0,4,3)"},
    {"blurLayer", "blurLayer(0,4)"},
    {"sharpenLayer", "sharpenLayer(0,4)"},
    {"edgeHLayer", "edgeHLayer(0,4)"},
    {"edgeVLayer", "edgeVLayer(0,4)"},
    {"motionBlur", "motionBlur(0,4,8)"},
    {"makeTilable", "makeTilable(0,4,32)"},
    {"medianLayer", "medianLayer(0,4)"},
    {"sineDistort", "sineDistort(0,4,0.05,6,0.07,6)"},
    {"twirlLayer", "twirlLayer(0,4,3,0.5)"},
    {"mapDistort", "mapDistort(0,1,4,0.05,0.05)"},
    {"tileLayer", "tileLayer(0,4)"},
    {"noiseDistort", "noiseDistort(0,4,3,6)"},
    {"moveDistort", "moveDistort(0,4,17,-9)"},
    {"kaleidLayer", "kaleidLayer(0,4,1)"},
    {"tunnelDistort", "tunnelDistort(0,4,64)"},
    {"sculptureLayer", "sculptureLayer(0,4)"},
    {"logPolLayer", "logPolLayer(0,4)"},
    {"erodeLayer", "erodeLayer(0,4)"},
    {"dilateLayer", "dilateLayer(0,4)"},
};

const char* inputs =
    "layer 0\nsubPlasma(0,32,1,256,true);\n"
    "layer 1\nblobsLayer(1,2,8,true);\n"
    "layer 2\nsinePlasma(2,0.04,0.06,256);\n"
    "layer 3\nsubPlasma(3,1,4,256,true);\n";

Generator& preparedGenerator() {
  static Generator g = [] {
    Generator prepared;
    initGenerator(prepared, size, size);
    runRecipe(prepared, parseRecipeText(inputs, "inputs"));
    return prepared;
  }();
  return g;
}

void setPerPixel(benchmark::State& state) {
  state.counters["time_per_px"] = benchmark::Counter(
      static_cast<double>(size) * size, benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void runOne(benchmark::State& state, const OperationInfo* op, Params params) {
  Generator& g = preparedGenerator();
  runOperation(g, op->code, params);
  const std::vector<std::uint8_t> first = g.buffers[4];
  runOperation(g, op->code, params);
  if (g.buffers[4] != first) {
    state.SkipWithError("the operation gives different pixels on a second run");
    return;
  }
  for (auto _ : state) {
    runOperation(g, op->code, params);
    benchmark::DoNotOptimize(g.buffers[4].data());
    benchmark::ClobberMemory();
  }
  setPerPixel(state);
}

void memcpyLayer(benchmark::State& state) {
  Generator& g = preparedGenerator();
  std::memcpy(g.layer(4), g.layer(0), bufferBytes(g));
  if (g.buffers[4] != g.buffers[0]) {
    state.SkipWithError("memcpy did not copy");
    return;
  }
  for (auto _ : state) {
    std::memcpy(g.layer(4), g.layer(0), bufferBytes(g));
    benchmark::DoNotOptimize(g.buffers[4].data());
    benchmark::ClobberMemory();
  }
  setPerPixel(state);
}

const bool registered = [] {
  benchmark::RegisterBenchmark("memcpyLayer", memcpyLayer)->Unit(benchmark::kMicrosecond);
  for (const OperationInfo& op : operationTable()) {
    const auto call = typicalCalls.find(std::string(op.name));
    if (call == typicalCalls.end()) {
      std::fprintf(stderr, "no typical call for %s\n", std::string(op.name).c_str());
      std::abort();
    }
    const Recipe recipe = parseRecipeText("layer 4\n" + call->second + "\n", "typical call");
    benchmark::RegisterBenchmark(std::string(op.name).c_str(), runOne, &op, recipe.lists[4].params[0])
        ->Unit(benchmark::kMicrosecond);
  }
  return true;
}();

}  // namespace

BENCHMARK_MAIN();
