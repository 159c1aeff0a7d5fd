// The built-in functions of the rule language, dispatched by number.
#pragma once

#include <cstdint>

namespace mv {

// Function numbers (class 0 slots) used outside the dispatcher.
enum : int {
  kFnAdvise = 0, kFnEprintf = 16, kFnExit = 20, kFnFatal = 22, kFnFclose = 23, kFnFopen = 28,
  kFnFprintf = 30, kFnFscanf = 31, kFnFcnName = 32, kFnHeaderName = 34, kFnHeaderPath = 35, kFnMacro = 57,
  kFnOption = 83, kFnPrefix = 88, kFnPrintf = 90, kFnScanf = 95, kFnSetOption = 97,
  kFnSetStrOption = 98, kFnSprintf = 102, kFnSscanf = 104, kFnStrOption = 117, kFnSuffix = 121,
  kFnTestNeeded = 127, kFnWarn = 136,
};

inline constexpr int kBuiltinCount = 137;    // class 0 slots
inline constexpr int kFormatArgs = 16;       // a format and at most 15 values
inline constexpr int kWarnBuffer = 5000;     // characters of a warn or fatal text, with its end
inline constexpr int kHeaderPathNames = 1028;  // bytes of the joined header directories
inline constexpr int kMaxFieldWidth = 4096;  // width or precision of one conversion

// Kinds of the formatting functions.
enum FormatKind : int {
  kFmtPrintf = 0, kFmtWarn = 1, kFmtFatal = 2, kFmtScanf = 3, kFmtFprintf = 4, kFmtFscanf = 5,
  kFmtEprintf = 6, kFmtSprintf = 7, kFmtSscanf = 8,
};

// Closes the streams rules left open, forgets handed-out texts and the
// test_needed list, and registers the built-ins of the rule runtime. Call it
// after InitRegions and after the subsystems that register their own.
void InitBuiltins();

// A built-in's handler pops its own arguments (last first) and pushes its
// result, if any. With an arity of -1 it checks its argument count itself.
using BuiltinHandler = void (*)(int function, int argc, int position);
struct Builtin {
  BuiltinHandler run = nullptr;
  int arity = -1;
};
// Subsystems add the built-ins that read or steer them; a number not yet
// registered is fatal error 48 when a rule calls it.
void RegisterBuiltin(int function, BuiltinHandler run, int arity);
bool BuiltinRegistered(int function);

// Runs built-in `function` with `argc` arguments on the operand stack; the
// position is the column of the event that fired the rule.
void CallBuiltin(int function, int argc, int position);

// Pops the arguments of a formatting function, runs it and returns its count;
// every kind but warn and fatal also pushes the count.
int DoFormat(int kind, int position, int argc);

// The text of a string option, readable by rules; never null.
const char* StrOption(int letter);

}  // namespace mv
