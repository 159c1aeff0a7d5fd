// The rule compiler: the parser's expression and statement actions, while a
// rule file is compiled, emit pseudocode into pCode; each top-level `if`
// becomes one rule record of the compiled rule file. While a constant
// expression is folded (calculate), they emit into tCode instead and the
// interpreter runs it at once.
#pragma once

#include <cstdint>
#include <cstdio>

namespace mv {

inline constexpr int kTempCodeUnits = 1024;  // units of one folded expression
inline constexpr int kTempConstants = 256;   // literals of one folded expression
inline constexpr int kMaxIfLevel = 100;      // nested if/else/while in a rule
inline constexpr int kMaxCases = 32;         // case slots of one switch (31 usable)

extern int32_t* pCode;  // main buffer, present only while a rule file is compiled
extern int pcIndex;
extern int32_t* tCode;  // folding buffer
extern int tcIndex;
extern int tCodeDepth;
extern int nTemp;
extern int goodConst;
extern int32_t constResult;
extern int32_t trigger[32];
extern int nTriggers;
extern bool inTrigger;
extern int ifLevel;

// Start-up: the folding buffers always, the main buffer when checkRules is set.
void InitComp();
// Frees the main buffer and the compiler's per-file state.
void ResetComp();

// The actions compile (rather than check) while a rule file is compiled.
bool RuleCompiling();
// Either compiling or folding: the expression actions emit pseudocode.
bool Emitting();
// A constant expression of a rule file is being folded.
bool RuleFolding();

void Compile1(int32_t unit);
void Compile2(int32_t op, int32_t operand);
void CompileInteger(int32_t value);
void CompileFloat(double value);
void CompileString(const char* text);
void AddTrigger(int32_t code);

// Expression side.
void CompileSetOp(int op);
void CompileIdent(int kind, const char* name);
void CompileFoldedName(int kind, const char* name);  // a name in a folded expression
void CompileFunc(int kind);
void CompileFunArg();
void CompileCall();
void CompileBeginConstant();
void CompileEndConstant();

// Statement side.
void CompileBeginIf();
void CompileDoIf();
void CompileDoThen();
void CompileDoElse();
void CompileEndElse();
void CompileEndIf();
void CompileBeginWhile();
void CompileDoWhile();
void CompileEndWhile();
void CompileBeginSwitch();
void CompileDoSwitch();
void CompileEndSwitch();
void CompileBeginCase();
void CompileDoCase();
void CompileDoDefault();
void CompileBreak();
void CompileContinue();
void CompileNotAllowed();
void CompileEndStmt(int kind);

// Declarations of rule-file variables: the specifiers, the declarator's
// name and levels, then the declarator is added to the trigger table.
void CompileSpecifier(int code);
void CompileDeclName(const char* name);
void CompileAttachMod(int kind);
void CompileCheckDeclarator(int hasInit);
void CompileNewDeclarator();  // the next declarator of the list: same specifiers
void CompileEndDclList();
// Enumerations of rule files: each enumerator takes the value folded after its
// name or the one after the previous enumerator's, and stands for it in rules.
void CompileStartEnum();
void CompileAddEnum();
bool FindRuleEnum(const char* name, int32_t* value);

// The compiled rule file being written: header at the start, one record per
// rule as it ends, the trailer at the end.
void BeginRuleFile(FILE* file, const char* ruleName);
void EndRuleFile();

}  // namespace mv
