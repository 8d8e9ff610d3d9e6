#pragma once
// The one table of the generator's operations: for every code its name, family and typed parameters
// in slot order, with the range each parameter must lie in. The dispatcher, the exporter, the text
// recipe reader and writer and the parameter checks all work from it; adding an operation is one row
// here and one function in generator/operations.h.
//
// Slots are read by kind: a layer or an integer is the slot truncated toward zero (the slot must be a
// finite value within the 32-bit range), a real is the slot itself (it must be finite), a boolean is
// true exactly when the slot is 1.0. A row's ranges are checked on the value as read.
//
// mandelBrot is the one operation whose call differs from its slots: it stores the corners x0, y0, x1,
// y1 of its window and is called (and exported, and written in text) as layer, x0, x1 - x0, y0,
// y1 - y0, 16. Its row carries that call form; for every other row the call is the slots. Text may
// also give mandelBrot by its slots (layer, x0, y0, x1, y1), which carries every window exactly.

#include <array>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>

#include "generator/generator.h"

namespace generator {

enum class ParamKind : std::uint8_t { layer, integer, real, boolean };
// An operation written as it is called, or as its slots hold it (which differ for mandelBrot only).
enum class Form : std::uint8_t { call, slots };
enum class Family : std::uint8_t { sources, combiners, colour, filters, distortions };

struct Parameter {
  std::string_view name;
  ParamKind kind = ParamKind::integer;
  double min = -1e300;  // inclusive bounds on the value as read
  double max = 1e300;
};

using Parameters = std::array<Parameter, paramSlots>;
using CallArguments = std::array<double, paramSlots>;

// How an operation's call differs from its slots (mandelBrot only).
struct CallForm {
  int argumentCount;
  Parameters arguments;
  // Slots to call arguments.
  CallArguments (*fromSlots)(const Params& slots);
  // Call arguments to slots; `singles` are the real arguments as single-precision values (read
  // directly from their text). Returns what is wrong, or an empty string.
  std::string (*toSlots)(const CallArguments& values, const Params& singles, Params& slots);
};

struct OperationInfo {
  int code;
  std::string_view name;
  Family family;
  int paramCount;
  Parameters params;
  void (*run)(Generator& g, const Params& slots);  // reads the slots and calls the operation
  const CallForm* call = nullptr;                  // null: the call is the slots

  bool isSource() const { return family == Family::sources; }
  // The arguments of the call, or with Form::slots those of the slots (the same for every operation
  // but mandelBrot).
  int argumentCount(Form form = Form::call) const {
    return call && form == Form::call ? call->argumentCount : paramCount;
  }
  const Parameter& argument(int i, Form form = Form::call) const {
    return call && form == Form::call ? call->arguments[i] : params[i];
  }
};

std::span<const OperationInfo> operationTable();
const OperationInfo* findOperation(int code);               // null for codes without an operation
const OperationInfo* findOperation(std::string_view name);  // exact name, null if none

std::string_view familyName(Family family);

// Slot readers.
std::int32_t readInteger(float slot);  // truncated toward zero, saturating at the 32-bit range
inline bool readBoolean(float slot) { return slot == 1.0f; }

// What is wrong with these slots for this operation ("step is 0, must be at least 1"), or "".
std::string paramProblem(const OperationInfo& op, const Params& slots);

// The arguments in the given form: integers and layers as their truncated values, booleans as 0 or 1.
CallArguments callArguments(const OperationInfo& op, const Params& slots, Form form = Form::call);

// The slots with everything that does not change what the operation does made plain: integers and
// layers hold their truncated value, booleans 0 or 1, unused slots 0.
Params canonicalSlots(const OperationInfo& op, const Params& slots);

}  // namespace generator
