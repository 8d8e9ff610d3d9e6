#include "generator/operation_table.h"

#include <cmath>
#include <cstdio>
#include <tuple>
#include <type_traits>
#include <utility>

#include "generator/operations.h"

namespace generator {

std::int32_t readInteger(float slot) {
  if (!(slot == slot)) return 0;
  if (slot >= 2147483648.0f) return INT32_MAX;
  if (slot <= -2147483648.0f) return INT32_MIN;
  return static_cast<std::int32_t>(slot);
}

namespace {

// --- reading slots into a function's arguments, by the argument's C++ type ---

template <typename T>
T readAs(float slot);
template <>
int readAs<int>(float slot) {
  return readInteger(slot);
}
template <>
float readAs<float>(float slot) {
  return slot;
}
template <>
bool readAs<bool>(float slot) {
  return readBoolean(slot);
}

template <typename>
struct Signature;
template <typename... A>
struct Signature<void (*)(Generator&, A...)> {
  static constexpr std::size_t arity = sizeof...(A);
  using Arguments = std::tuple<A...>;
};

template <auto Fn>
void invoke(Generator& g, const Params& slots) {
  using S = Signature<decltype(Fn)>;
  [&]<std::size_t... I>(std::index_sequence<I...>) {
    Fn(g, readAs<std::tuple_element_t<I, typename S::Arguments>>(slots[I])...);
  }
  (std::make_index_sequence<S::arity>{});
}

template <typename T>
constexpr bool kindFits(ParamKind kind) {
  if constexpr (std::is_same_v<T, int>) return kind == ParamKind::layer || kind == ParamKind::integer;
  if constexpr (std::is_same_v<T, float>) return kind == ParamKind::real;
  if constexpr (std::is_same_v<T, bool>) return kind == ParamKind::boolean;
  return false;
}

// --- the row builders ---

constexpr Parameter layer(std::string_view name) { return {name, ParamKind::layer, 0, layerCount - 1}; }
constexpr Parameter integer(std::string_view name, double min = -2147483648.0, double max = 2147483647.0) {
  return {name, ParamKind::integer, min, max};
}
constexpr Parameter real(std::string_view name, double min = -1e300, double max = 1e300) {
  return {name, ParamKind::real, min, max};
}
constexpr Parameter boolean(std::string_view name) { return {name, ParamKind::boolean, 0, 1}; }

// One row: the operation's function, its code, name and family, and its parameters in slot order.
// The kinds must agree with the function's argument types (int: layer or integer, float: real,
// bool: boolean); a row that does not fails to compile.
template <auto Fn, typename... P>
constexpr OperationInfo op(int code, std::string_view name, Family family, P... params) {
  using S = Signature<decltype(Fn)>;
  static_assert(sizeof...(P) == S::arity, "one parameter per argument of the operation's function");
  const Parameters parameters{params...};
  const bool fits = [&]<std::size_t... I>(std::index_sequence<I...>) {
    return (kindFits<std::tuple_element_t<I, typename S::Arguments>>(parameters[I].kind) && ...);
  }
  (std::make_index_sequence<S::arity>{});
  if (!fits) throw "parameter kinds differ from the operation's function";
  return {code, name, family, static_cast<int>(sizeof...(P)), parameters, &invoke<Fn>, nullptr};
}

// --- mandelBrot: stored as window corners, called with origin and extent ---

void runMandelBrot(Generator& g, const Params& s) {
  mandelBrot(g, readInteger(s[0]), s[1], static_cast<double>(s[3]) - s[1], s[2], static_cast<double>(s[4]) - s[2],
             16.0);
}

CallArguments mandelBrotCall(const Params& s) {
  return {static_cast<double>(readInteger(s[0])), s[1], static_cast<double>(s[3]) - s[1], s[2],
          static_cast<double>(s[4]) - s[2],       16.0};
}

std::string mandelBrotSlots(const CallArguments& values, const Params& singles, Params& slots) {
  if (values[5] != 16.0) return "the last argument of mandelBrot is its escape radius, always 16";
  const double x1 = static_cast<double>(singles[1]) + values[2];
  const double y1 = static_cast<double>(singles[3]) + values[4];
  if (!(std::fabs(x1) <= 3.4028234663852886e38 && std::fabs(y1) <= 3.4028234663852886e38)) {
    return "the window of mandelBrot reaches beyond single precision";
  }
  slots = {};
  slots[0] = static_cast<float>(values[0]);
  slots[1] = singles[1];
  slots[2] = singles[3];
  slots[3] = static_cast<float>(x1);
  slots[4] = static_cast<float>(y1);
  return {};
}

constexpr CallForm mandelBrotCallForm{
    6,
    {layer("layer"), real("x0"), real("width"), real("y0"), real("height"), real("escape")},
    &mandelBrotCall,
    &mandelBrotSlots,
};

constexpr OperationInfo mandelBrotRow{7,
                                      "mandelBrot",
                                      Family::sources,
                                      5,
                                      {layer("layer"), real("x0"), real("y0"), real("x1"), real("y1")},
                                      &runMandelBrot,
                                      &mandelBrotCallForm};

using enum Family;

// clang-format off
constexpr std::array table{
  op<subPlasma>(0, "subPlasma", sources, layer("layer"), integer("step", 1), integer("seed"), integer("range"),
                boolean("colour")),
  op<sinePlasma>(1, "sinePlasma", sources, layer("layer"), real("fx"), real("fy"), real("amplitude")),
  op<perlinNoise>(2, "perlinNoise", sources, layer("layer"), integer("step", 1), integer("seed"), integer("amplitude"),
                  integer("persistence"), integer("octaves"), boolean("colour")),
  op<particle>(3, "particle", sources, layer("layer"), real("falloff")),
  op<colorLayer>(4, "colorLayer", sources, layer("layer"), integer("c0"), integer("c1"), integer("c2")),
  op<checkerBoardLayer>(5, "checkerBoardLayer", sources, layer("layer"), integer("cellWidth", 1),
                        integer("cellHeight", 1), integer("a0"), integer("a1"), integer("a2"), integer("b0"),
                        integer("b1"), integer("b2")),
  op<blobsLayer>(6, "blobsLayer", sources, layer("layer"), integer("seed"), integer("count", 0, 16), boolean("colour")),
  mandelBrotRow,
  op<cellMachine>(8, "cellMachine", sources, layer("layer"), integer("seed"), integer("rule")),

  op<addLayers>(10, "addLayers", combiners, layer("src1"), layer("src2"), layer("dst"), real("f1"), real("f2")),
  op<mulLayers>(11, "mulLayers", combiners, layer("src1"), layer("src2"), layer("dst"), real("f1"), real("f2")),
  // f1 and f2 are fractions of the picture covered: above 16 nothing changes but the time it takes.
  op<randCombineLayers>(12, "randCombineLayers", combiners, layer("src1"), layer("src2"), layer("dst"),
                        real("f1", -1e300, 16), real("f2", -1e300, 16)),
  op<minCombineLayers>(13, "minCombineLayers", combiners, layer("src1"), layer("src2"), layer("dst"), real("f1"),
                       real("f2")),
  op<maxCombineLayers>(14, "maxCombineLayers", combiners, layer("src1"), layer("src2"), layer("dst"), real("f1"),
                       real("f2")),
  op<xorLayers>(15, "xorLayers", combiners, layer("src1"), layer("src2"), layer("dst"), real("f1"), real("f2")),
  op<orLayers>(16, "orLayers", combiners, layer("src1"), layer("src2"), layer("dst"), real("f1"), real("f2")),
  op<andLayers>(17, "andLayers", combiners, layer("src1"), layer("src2"), layer("dst"), real("f1"), real("f2")),

  op<scaleLayerRGB>(20, "scaleLayerRGB", colour, layer("src"), layer("dst"), real("f0"), real("f1"), real("f2")),
  op<scaleLayerHSV>(21, "scaleLayerHSV", colour, layer("src"), layer("dst"), real("fh"), real("fs"), real("fv")),
  op<adjustLayerRGB>(22, "adjustLayerRGB", colour, layer("src"), layer("dst"), integer("d0"), integer("d1"),
                     integer("d2")),
  op<adjustLayerHSV>(23, "adjustLayerHSV", colour, layer("src"), layer("dst"), real("dh"), real("ds"), real("dv")),
  op<sineLayerRGB>(24, "sineLayerRGB", colour, layer("src"), layer("dst"), real("f0"), real("f1"), real("f2")),
  op<equalizeRGB>(25, "equalizeRGB", colour, layer("src"), layer("dst")),
  op<stretchRGB>(26, "stretchRGB", colour, layer("src"), layer("dst")),
  op<invertLayer>(30, "invertLayer", colour, layer("src"), layer("dst")),
  op<embossLayer>(31, "embossLayer", filters, layer("src"), layer("dst")),
  op<woodLayer>(32, "woodLayer", colour, layer("src"), layer("dst"), integer("bits", 0, 8)),
  op<blurLayer>(33, "blurLayer", filters, layer("src"), layer("dst")),
  op<sharpenLayer>(34, "sharpenLayer", filters, layer("src"), layer("dst")),
  op<edgeHLayer>(35, "edgeHLayer", filters, layer("src"), layer("dst")),
  op<edgeVLayer>(36, "edgeVLayer", filters, layer("src"), layer("dst")),
  op<motionBlur>(37, "motionBlur", filters, layer("src"), layer("dst"), integer("radius", 0, 65535)),
  op<makeTilable>(38, "makeTilable", filters, layer("src"), layer("dst"), integer("border")),
  op<medianLayer>(39, "medianLayer", filters, layer("src"), layer("dst")),

  op<sineDistort>(40, "sineDistort", distortions, layer("src"), layer("dst"), real("fy"), real("ax"), real("fx"),
                  real("ay")),
  op<twirlLayer>(41, "twirlLayer", distortions, layer("src"), layer("dst"), real("angle"), real("spread")),
  op<mapDistort>(42, "mapDistort", distortions, layer("src"), layer("map"), layer("dst"), real("fx"), real("fy")),
  op<tileLayer>(43, "tileLayer", distortions, layer("src"), layer("dst")),
  op<noiseDistort>(44, "noiseDistort", distortions, layer("src"), layer("dst"), integer("seed"),
                   integer("strength", 0, 16)),
  op<moveDistort>(45, "moveDistort", distortions, layer("src"), layer("dst"), integer("dx"), integer("dy")),
  op<kaleidLayer>(46, "kaleidLayer", distortions, layer("src"), layer("dst"), integer("mode", 1, 4)),
  op<tunnelDistort>(47, "tunnelDistort", distortions, layer("src"), layer("dst"), real("depth")),
  op<sculptureLayer>(48, "sculptureLayer", filters, layer("src"), layer("dst")),
  op<logPolLayer>(49, "logPolLayer", distortions, layer("src"), layer("dst")),
  op<erodeLayer>(50, "erodeLayer", filters, layer("src"), layer("dst")),
  op<dilateLayer>(51, "dilateLayer", filters, layer("src"), layer("dst")),
};
// clang-format on

static_assert(table.size() == 46);

constexpr int highestCode = 51;

constexpr std::array<std::int8_t, highestCode + 1> rowByCode = [] {
  std::array<std::int8_t, highestCode + 1> rows{};
  rows.fill(-1);
  for (std::size_t i = 0; i < table.size(); ++i) {
    if (table[i].code < 0 || table[i].code > highestCode || rows[table[i].code] != -1) throw "codes must be unique";
    rows[table[i].code] = static_cast<std::int8_t>(i);
  }
  return rows;
}();

std::string formatNumber(double value) {
  char text[32];
  if (std::fabs(value) < 1e15 && value == std::trunc(value)) {
    std::snprintf(text, sizeof text, "%.0f", value);
  } else {
    std::snprintf(text, sizeof text, "%.9g", value);
  }
  return text;
}

std::string rangeText(const Parameter& p) {
  const bool hasMin = p.min > -1e300;
  const bool hasMax = p.max < 1e300 && !(p.kind == ParamKind::integer && p.max >= 2147483647.0);
  if (p.kind == ParamKind::layer) return "must be a layer 0 to 4";
  if (hasMin && hasMax) return "must be " + formatNumber(p.min) + " to " + formatNumber(p.max);
  if (hasMin) return "must be at least " + formatNumber(p.min);
  return "must be at most " + formatNumber(p.max);
}

bool fitsInt32(float slot) { return slot >= -2147483648.0f && slot < 2147483648.0f; }

}  // namespace

std::span<const OperationInfo> operationTable() { return table; }

const OperationInfo* findOperation(int code) {
  if (code < 0 || code > highestCode || rowByCode[code] < 0) return nullptr;
  return &table[rowByCode[code]];
}

const OperationInfo* findOperation(std::string_view name) {
  for (const OperationInfo& row : table) {
    if (row.name == name) return &row;
  }
  return nullptr;
}

std::string_view familyName(Family family) {
  switch (family) {
    case Family::sources:
      return "sources";
    case Family::combiners:
      return "combiners";
    case Family::colour:
      return "colour";
    case Family::filters:
      return "filters";
    case Family::distortions:
      return "distortions";
  }
  return "?";
}

std::string paramProblem(const OperationInfo& op, const Params& slots) {
  for (int i = 0; i < op.paramCount; ++i) {
    const Parameter& p = op.params[i];
    const std::string name(p.name);
    double value = 0;
    switch (p.kind) {
      case ParamKind::boolean:
        continue;
      case ParamKind::layer:
      case ParamKind::integer:
        if (!fitsInt32(slots[i])) return name + " holds " + formatNumber(slots[i]) + ", not a 32-bit integer";
        value = readInteger(slots[i]);
        break;
      case ParamKind::real:
        if (!std::isfinite(slots[i])) return name + " is " + formatNumber(slots[i]) + ", not a finite number";
        value = slots[i];
        break;
    }
    if (value < p.min || value > p.max) return name + " is " + formatNumber(value) + ", " + rangeText(p);
  }
  return {};
}

CallArguments callArguments(const OperationInfo& op, const Params& slots, Form form) {
  if (op.call && form == Form::call) return op.call->fromSlots(slots);
  CallArguments values{};
  for (int i = 0; i < op.paramCount; ++i) {
    switch (op.params[i].kind) {
      case ParamKind::layer:
      case ParamKind::integer:
        values[i] = readInteger(slots[i]);
        break;
      case ParamKind::boolean:
        values[i] = readBoolean(slots[i]) ? 1.0 : 0.0;
        break;
      case ParamKind::real:
        values[i] = slots[i];
        break;
    }
  }
  return values;
}

Params canonicalSlots(const OperationInfo& op, const Params& slots) {
  Params plain{};
  for (int i = 0; i < op.paramCount; ++i) {
    switch (op.params[i].kind) {
      case ParamKind::layer:
      case ParamKind::integer:
        plain[i] = static_cast<float>(readInteger(slots[i]));
        break;
      case ParamKind::boolean:
        plain[i] = readBoolean(slots[i]) ? 1.0f : 0.0f;
        break;
      case ParamKind::real:
        plain[i] = slots[i];
        break;
    }
  }
  return plain;
}

}  // namespace generator
