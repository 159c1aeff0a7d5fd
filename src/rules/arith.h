// The interpreter's operand stack: tagged entries, pops by expected kind with
// their conversions, comparison, and the operations that change a rule-file
// variable (which fire that variable's rules).
#pragma once

#include <cstdint>

#include "rules/mvvars.h"

namespace mv {

inline constexpr int kOpStackEntries = 64;

struct StackEntry {
  MVWord value;
  int32_t tag;
};

extern StackEntry opStack[kOpStackEntries];
extern int opStackLevel;  // entries in use
extern int opStackBase;   // the running interpreter's first entry
extern int resultType;

void InitArith();

void PushLong(int32_t v);
void PushFloat(float f);
void PushIdent(int32_t code);
void PushPointer(const char* p);
void PushValue(MVWord value, int tag);

int32_t PopLong();
float PopFloat();
char* PopPointer();
int32_t PopLValue();
void PopGeneral(MVWord* value, int* tag);
MVWord PopValue();  // numeric only; resultType tells integer or float
void Pop2Values(MVWord* left, MVWord* right);
int TopTag();  // tag of the top entry, 0 when the stack is empty

void GetIndirect(int32_t code, MVWord* value, int* type);
int Compare2();
int32_t FloatToLong(float f);

void AssignValue();
void DoSpecial(int op);
void Do2Special(int op);

// Opcodes of the increment operations and of the compound assignments.
enum : int {
  kPreInc = 535, kPostInc = 536, kPreDec = 537, kPostDec = 538,
  kAddAsg = 270, kSubAsg = 271, kMulAsg = 272, kDivAsg = 273, kModAsg = 274,
};

}  // namespace mv
