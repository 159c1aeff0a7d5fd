#include "rules/analysis_stubs.h"

#include <string>

#include "frontend/line.h"
#include "frontend/macros.h"
#include "rules/arith.h"
#include "rules/builtins.h"
#include "rules/regions.h"

namespace mv {

namespace {

enum Answer { kZero, kNull, kEmpty, kAnonymous };

struct Stub {
  int function;
  int arity;
  Answer answer;
};

// The built-ins of the analysis, with the answer each gives when there is no
// current declarator, identifier, tag, operand, class or function.
constexpr Stub kStubs[] = {
    {6, 0, kNull},     // class_name
    {9, 1, kZero},     // dcl_array_dim
    {10, 0, kNull},    // dcl_base_name
    {11, 0, kNull},    // dcl_base_name_root
    {13, 0, kNull},    // dcl_scope_name
    {18, 0, kNull},    // idn_exception_name
    {21, 0, kEmpty},   // exp_base_name
    {26, 1, kZero},    // find_root
    {27, 2, kZero},    // find_scoped_root
    {32, 0, kNull},    // fcn_name
    {38, 1, kZero},    // idn_array_dim
    {39, 0, kNull},    // idn_base_name
    {40, 0, kNull},    // idn_filename
    {41, 1, kZero},    // idn_level
    {42, 1, kZero},    // idn_level_flags
    {43, 0, kNull},    // idn_name
    {52, 1, kZero},    // dcl_level
    {53, 1, kZero},    // dcl_level_flags
    {64, 1, kNull},    // mod_class_name
    {65, 1, kZero},    // mod_class_tokens
    {66, 1, kZero},    // mod_class_lines
    {73, 2, kZero},    // op_array_dim
    {74, 1, kZero},    // op_base
    {75, 1, kNull},    // op_base_name
    {76, 1, kZero},    // op_bitfield
    {78, 2, kZero},    // op_level
    {79, 2, kZero},    // op_level_flags
    {80, 1, kZero},    // op_levels
    {82, 1, kZero},    // op_parened_operand
    {122, 1, kZero},   // tag_baseclass_access
    {123, 1, kZero},   // tag_baseclass_kind
    {124, 1, kNull},   // tag_baseclass_name
    {125, 2, kZero},   // tag_components
    {126, 0, kAnonymous},  // tag_name
    {132, 1, kZero},   // dcl_typedef_name
    {134, 1, kNull},   // stm_unused_name
};

const char kEmptyText[1] = "";
const char kAnonymousText[] = "<anonymous>";

void Answer(int function, int argc, int) {
  for (int i = 0; i < argc; ++i) {
    MVWord value;
    int tag;
    PopGeneral(&value, &tag);
  }
  for (const Stub& s : kStubs) {
    if (s.function != function) continue;
    switch (s.answer) {
      case kZero: PushLong(0); break;
      case kNull: PushPointer(nullptr); break;
      case kEmpty: PushPointer(HandOut(kEmptyText)); break;
      case kAnonymous: PushPointer(HandOut(kAnonymousText)); break;
    }
    return;
  }
}

// Inside a directive the name is that of the macro being defined; the
// current declarator's name comes with the declarations.
void DclNameFn(int, int, int) { PushPointer(inDirective ? HandOut(macName.c_str()) : nullptr); }

}  // namespace

void RegisterAnalysisStubs() {
  for (const Stub& s : kStubs)
    if (!BuiltinRegistered(s.function)) RegisterBuiltin(s.function, Answer, s.arity);
  if (!BuiltinRegistered(12)) RegisterBuiltin(12, DclNameFn, 0);
}

}  // namespace mv
