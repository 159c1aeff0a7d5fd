// Running compiled rules: the interpreter, the three ways of firing rules,
// and the loading of a compiled rule file.
#pragma once

#include <cstdint>

#include "rules/mvvars.h"

namespace mv {

// Opcodes. Most are the parser's token codes of the operator or keyword.
enum Opcode : int32_t {
  OP_NOT = 33, OP_MOD = 37, OP_BIT_AND = 38, OP_MUL = 42, OP_ADD = 43, OP_SUB = 45, OP_DIV = 47,
  OP_ENDSTMT = 59, OP_LESS = 60, OP_ASSIGN = 61, OP_GREATER = 62, OP_BIT_OR = 124, OP_BITNOT = 126,
  OP_LOGOR = 257, OP_LOGAND = 258, OP_EQUAL = 259, OP_NOTEQ = 260, OP_LESSEQ = 261, OP_GREATEQ = 262,
  OP_SHL = 263, OP_SHR = 264, OP_NEGATE = 267, OP_INDEX = 269, OP_ADDASG = 270, OP_SUBASG = 271,
  OP_MULASG = 272, OP_DIVASG = 273, OP_MODASG = 274, OP_STRING = 302, OP_INTCONST = 303,
  OP_INTIMM = 305, OP_FLTCONST = 306, OP_VARREF = 310, OP_BREAK = 324, OP_CONTINUE = 326, OP_IF = 332,
  OP_SIZEOF = 334, OP_SWITCH = 336, OP_WHILE = 338, OP_FCNPUSH = 527, OP_FCNCALL = 528, OP_JUMP = 529,
  OP_TABLEJUMP = 530, OP_STOP = 531, OP_PREINC = 535, OP_POSTINC = 536, OP_PREDEC = 537,
  OP_POSTDEC = 538, OP_ADDROF = 540, OP_UPLUS = 547,
};

inline constexpr int kFcnStackDepth = 100;
inline constexpr int32_t kMaxRuleBuffer = 1 << 24;  // bytes of one rule-file character array

extern int calculate;          // a constant expression is being folded
extern int32_t* mvStore;       // constant pool of the loaded rules
extern int32_t* mvTemp;        // constants of the expression being folded
extern int mvTempCount;
extern int32_t fcnStack[kFcnStackDepth];
extern int fcnLevel;
extern char* lastAddress;
extern int interpretDepth;     // nested runs of the interpreter
// What a folded constant expression left on the stack at its STOP.
extern int32_t foldResult;
extern bool foldHasResult;

void InitInterp();

// Runs one block of pseudocode from its first unit.
void Interpret(const int32_t* code, int32_t length, int position);
inline void Interpret(const RuleCode* rule, int position) { Interpret(rule->units, rule->length, position); }

// Firing.
void DoRuleList(GenCell* list, int position);
void Do1Rule(int cls, int index, MVWord value, bool clearAfter);
// Fires the rules of every non-zero variable of a class, then clears it. A
// class that no rule names costs one test.
extern bool classActive[kClasses];
void DoRulesOfClass(int cls);
inline void DoRules(int cls) {
  if (classActive[cls]) DoRulesOfClass(cls);
}
void DoFcnRule(int function, int position);

// Loading a compiled rule file from codeFile, after its header.
void LoadCode(int32_t nVarsInFile, int32_t nStatsInFile, int32_t nUsedInFile, int32_t nConstInFile);

}  // namespace mv
