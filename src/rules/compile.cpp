#include "rules/compile.h"

#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "driver/options.h"
#include "rules/arith.h"
#include "rules/codefile.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "rules/regions.h"
#include "support/mverror.h"
#include "support/public.h"
#include "support/utility.h"

namespace mv {

int32_t* pCode;
int pcIndex;
int32_t* tCode;
int tcIndex;
int tCodeDepth;
int nTemp;
int goodConst;
int32_t constResult;
int32_t trigger[32];
int nTriggers;
bool inTrigger;
int ifLevel;

namespace {

// A nested folding keeps the outer one's buffer, position and call flag.
struct TCRecord {
  int32_t* code;
  int index;
  bool hasCall;
};
// The expression being folded calls a function: it is not a constant, and
// it is never run, since the call would act at compile time (a command, a
// file, an option) or read state that exists only while source is checked.
bool foldHasCall;
// The last folding had code but gave no integer: a call, or a string.
bool foldNotConstant;
// The name just compiled is a built-in about to be called: FCNPUSH takes
// its number from the VARREF right before it, and from nothing else.
bool calleeReady;
std::vector<TCRecord> tcStack;
// The outermost folding's buffers live for the run; nested foldings take
// buffers of their own from the heap.
int32_t tBase[kTempCodeUnits];
int32_t tempBase[kTempConstants];

int32_t ifStack[kMaxIfLevel];
int lastIfOperand = -1;  // the IF operand that DoThen patched last, for DoElse

struct SwitchRecord {
  int count = 0;
  int32_t defaultTarget = 0;
  int operand = 0;
  int32_t values[kMaxCases] = {};
  int32_t targets[kMaxCases] = {};
};
std::vector<SwitchRecord> swStack;
std::vector<int> breakStack;
std::vector<int> contStack;
std::vector<int> callStack;  // argument counts of the open calls

// The declaration being compiled.
struct RuleDecl {
  bool statistic = false;
  int base = 0;  // token code of the type specifier; 0: none (int)
  std::string name;
  int nModifiers = 0;
  bool hasArray = false;
  int arraySize = 0;
  bool inInit = false;  // its initializer is read over: it compiles no code
  bool folded = false;  // a constant was folded since the name: an enumerator's value
};
RuleDecl decl;

// The enumeration constants of the rule file, with their values, and the
// value the next enumerator of the open enumeration takes.
std::vector<std::pair<std::string, int32_t>> ruleEnums;
int32_t nextEnumValue;

bool ruleJustWritten;  // EndIf wrote a rule: the EndStmt that follows adds nothing
CodeWriter writer;
std::string writerName;

constexpr int kMainBuffer = kMaxCodeUnits;

[[noreturn]] void MainOverflow() { FatalError(16, "Main pseudocode buffer overflow."); }
[[noreturn]] void TempOverflow() { FatalError(16, "Temporary pseudocode buffer overflow."); }

void Room(int units) {
  if (calculate) {
    MV_ASSERT(tCode != nullptr, kPhaseRules);
    if (tcIndex + units > kTempCodeUnits) TempOverflow();
  } else {
    MV_ASSERT(pCode != nullptr, kPhaseRules);
    if (pcIndex + units > kMainBuffer) MainOverflow();
  }
}

int32_t Code(int cls, int index) { return cls * 256 + index; }

int32_t CodeOf(const char* name) {
  int cls = 0, index = 0;
  MV_ASSERT(FindMVVar(name, &cls, &index), kPhaseRules);
  return Code(cls, index);
}

// Name of a class 0 function by its slot.
bool Is(int index, const char* name) { return strcmp(mvName[mv_][index], name) == 0; }

void FunctionTriggers(int index) {
  if (Is(index, "identifier") || Is(index, "keyword") || Is(index, "token") || Is(index, "prev_token")) {
    lex2_needed = true;
    if (inTrigger) {
      const char* t = Is(index, "identifier") ? "lex_identifier" : Is(index, "keyword") ? "lex_keyword" : "lex_token";
      AddTrigger(CodeOf(t));
    }
  } else if (Is(index, "pragma")) {
    pp_needed = true;
    if (inTrigger)
      AddTrigger(CodeOf("pp_pragma"));
    else
      Warning(26);
  } else if (Is(index, "test_needed")) {
    if (inTrigger) {
      AddTrigger(Code(mv_, index));
      AddTrigger(CodeOf("mod_begin"));
    } else {
      Warning(26);
    }
  } else if (Is(index, "dcl_level")) {
    if (inTrigger) {
      AddTrigger(CodeOf("dcl_levels"));
      AddTrigger(Code(mv_, index));
    }
  } else if (Is(index, "op_function")) {
    if (inTrigger) AddTrigger(CodeOf("op_open_funargs"));
  } else if (Is(index, "op_macro")) {
    if (inTrigger) AddTrigger(CodeOf("op_macro_call"));
  } else if (Is(index, "header_name") || Is(index, "header_path") || Is(index, "macro") || Is(index, "prefix") ||
             Is(index, "suffix")) {
    if (inTrigger) AddTrigger(Code(mv_, index));
  }
}

}  // namespace

// ---- Buffers ----------------------------------------------------------------------

void InitComp() {
  maxStatCount = 100000;
  ResetComp();
  if (checkRules) pCode = static_cast<int32_t*>(calloc(kMainBuffer, sizeof(int32_t)));
  mvTemp = tempBase;
  memset(tempBase, 0, sizeof tempBase);
  mvTempCount = 0;
  goodConst = 0;
  constResult = 0;
}

void ResetComp() {
  free(pCode);
  pCode = nullptr;
  pcIndex = 0;
  nTriggers = 0;
  inTrigger = false;
  ifLevel = 0;
  lastIfOperand = -1;
  ruleJustWritten = false;
  calleeReady = false;
  foldHasCall = foldNotConstant = false;
  swStack.clear();
  breakStack.clear();
  contStack.clear();
  callStack.clear();
  if (tCode != nullptr && tCode != tBase) free(tCode);
  for (TCRecord& r : tcStack)
    if (r.code != tBase) free(r.code);
  tcStack.clear();
  tCode = tBase;
  tcIndex = tCodeDepth = nTemp = 0;
  calculate = 0;
  decl = RuleDecl{};
  ruleEnums.clear();
  nextEnumValue = 0;
}

bool RuleCompiling() { return checkRules && pCode != nullptr && !calculate && !decl.inInit; }
bool RuleFolding() { return checkRules && calculate && tCode != nullptr; }
bool Emitting() { return calculate ? tCode != nullptr : (checkRules && pCode != nullptr && !decl.inInit); }

void Compile1(int32_t unit) {
  if (calculate) {
    MV_ASSERT(tCode != nullptr, kPhaseRules);
    if (tcIndex >= kTempCodeUnits) TempOverflow();
    tCode[tcIndex++] = unit;
    return;
  }
  MV_ASSERT(pCode != nullptr, kPhaseRules);
  if (unit == OP_NOT && pcIndex == 2) Warning(33);
  if (pcIndex >= kMainBuffer) MainOverflow();
  pCode[pcIndex++] = unit;
}

void Compile2(int32_t op, int32_t operand) {
  MV_ASSERT(calculate || checkRules, kPhaseRules);
  Room(2);
  Compile1(op);
  Compile1(operand);
}

// ---- Literals and the constant pool ------------------------------------------------

namespace {

void CompileLiteral(int32_t bits, int type) {
  if (calculate) {
    if (nTemp >= kTempConstants) Panic(46);
    mvTemp[nTemp] = bits;
    Compile2(type, nTemp++);
    mvTempCount = nTemp;
  } else {
    Compile2(type, NewValCell(&bits, type));
  }
}

}  // namespace

void CompileInteger(int32_t value) { CompileLiteral(value, kTypeInt); }

void CompileFloat(double value) {
  // Single precision holds no more than this; the sign is kept.
  if (std::fabs(value) > 1e37) value = value < 0 ? -1e37 : 1e37;
  const float f = static_cast<float>(value);
  int32_t bits;
  memcpy(&bits, &f, sizeof bits);
  CompileLiteral(bits, kTypeFloat);
}

void CompileString(const char* text) {
  const size_t length = strlen(text);
  const int n = static_cast<int>((length + 4) / 4);
  Room(n + 2);
  Compile1(OP_STRING);
  Compile1(n);
  int32_t* at = (calculate ? tCode + tcIndex : pCode + pcIndex);
  memset(at, 0, static_cast<size_t>(n) * sizeof(int32_t));
  memcpy(at, text, length + 1);
  if (calculate)
    tcIndex += n;
  else
    pcIndex += n;
}

// ---- Names -------------------------------------------------------------------------------

void AddTrigger(int32_t code) {
  for (int i = 0; i < nTriggers; ++i)
    if (trigger[i] == code) return;
  if (nTriggers >= kMaxTriggers) FatalError(18, "Too many triggers for this rule.");
  trigger[nTriggers++] = code;
}

namespace {

// Finds a name that rules may use; an unknown one is fatal.
void FindRuleName(const char* name, int* cls, int* index) {
  if (!FindMVVar(name, cls, index)) {
    const std::string text = std::string("Undeclared identifier: ") + name;
    FatalError(17, text.c_str());
  }
}

}  // namespace

void CompileIdent(int kind, const char* name) {
  int cls = 0, index = 0;
  FindRuleName(name, &cls, &index);
  mvNeed[cls][index] = 1;
  const int32_t code = Code(cls, index);
  Compile2(OP_VARREF, code);
  calleeReady = kind == 1 && cls == mv_;
  if (inTrigger && cls >= 1) AddTrigger(code);
  if (cls == mv_) {
    if (kind != 1) Advise(25, (std::string(name) + " Requires Function Call Format").c_str());
    FunctionTriggers(index);
  }
  if (cls == exp_ && (strcmp(name, "exp_arg_less") == 0 || strcmp(name, "exp_arg_more") == 0))
    Advise(12, (std::string("Variable ") + name + " has not yet been implemented.").c_str());
  if (cls == old_) {
    const char* instead = ObsoleteReplacement(index);
    const std::string text = instead != nullptr ? std::string(name) + " is obsolete: use " + instead + " instead."
                                                : std::string(name) + " is obsolete: do not use.";
    Advise(12, text.c_str());
    Advise(12, "See Tech Note #8 for details.");
  }
  if (cls < usr_ && mvType[cls][index] == kTypeIStat) {
    for (int i = 0; i < nStats; ++i)
      if (statVars[i] == code) return;
    if (nStats >= kMaxStatVars) FatalError(36, "Too many predefined statistic variables!");
    statVars[nStats++] = code;
  }
}

void CompileFoldedName(int kind, const char* name) {
  if (kind != 1 || name == nullptr) {
    CompileInteger(1);
    return;
  }
  // A called name stays the function it names, so that the folded code
  // says which built-in it would call; the call itself never runs.
  int cls = 0, index = 0;
  FindRuleName(name, &cls, &index);
  Compile2(OP_VARREF, Code(cls, index));
}

void CompileSetOp(int op) {
  // Folding has an instruction for sizeof; rules have no use for it.
  if (op == 76 && calculate) return;
  switch (op) {
    case 7:   // op_comma
    case 9:   // op_iterator
    case 23:  // op_cond
    case 24:  // op_iterator_call
    case 28:  // op_and_assign
    case 30:  // op_left_assign
    case 32:  // op_or_assign
    case 34:  // op_right_assign
    case 36:  // op_xor_assign
    case 38:  // op_based
    case 41:  // op_bit_xor
    case 42:  // op_cast
    case 59:  // op_arrow
    case 64:  // op_indirect
    case 66:  // op_member
    case 67:  // op_memptr: no instruction exists for it
    case 68:  // op_memsel: nor for this one
    case 76:  // op_sizeof
      FatalError(15, "This operator is not allowed in a Morvane rule.");
    default:
      break;
  }
}

// ---- Calls ------------------------------------------------------------------------------

void CompileFunc(int kind) {
  if (calculate) {
    foldHasCall = true;
  } else if (kind != 0 || !calleeReady) {
    // A call through an expression, of an intrinsic or of a variable would
    // take its function number from whatever value lies on the stack.
    FatalError(15, "This operator is not allowed in a Morvane rule.");
  }
  calleeReady = false;
  callStack.push_back(0);
  if (kind == 0) Compile1(OP_FCNPUSH);
}

void CompileFunArg() {
  if (!callStack.empty()) ++callStack.back();
}

void CompileCall() {
  int count = 0;
  if (!callStack.empty()) {
    count = callStack.back();
    callStack.pop_back();
  }
  Compile2(OP_FCNCALL, count);
}

// ---- Folding ------------------------------------------------------------------------------

void CompileBeginConstant() {
  if (tCodeDepth > 0) {
    tcStack.push_back({tCode, tcIndex, foldHasCall});
    tCode = static_cast<int32_t*>(calloc(kTempCodeUnits, sizeof(int32_t)));
  } else {
    nTemp = 0;
    mvTempCount = 0;
    MV_ASSERT(tCode != nullptr, kPhaseRules);
    memset(tCode, 0, kTempCodeUnits * sizeof(int32_t));
  }
  tcIndex = 0;
  foldHasCall = false;
  calculate = 1;
  ++tCodeDepth;
}

void CompileEndConstant() {
  MV_ASSERT(calculate, kPhaseRules);
  goodConst = 0;
  constResult = 0;
  foldNotConstant = false;
  if (tcIndex != 0) {
    Compile1(OP_STOP);
    if (foldHasCall) {
      foldNotConstant = true;
    } else {
      mvTempCount = nTemp;
      foldHasResult = false;
      // String literals lie in the buffer; sizeof reads them there.
      RegisterRegion(tCode, sizeof(int32_t) * static_cast<size_t>(tcIndex), kRegionCode);
      Interpret(tCode, tcIndex, 0);
      UnregisterRegion(tCode);
      if (foldHasResult) {
        constResult = foldResult;
        goodConst = 1;
      } else {
        foldNotConstant = true;
      }
    }
  }
  if (tCodeDepth == 1) decl.folded = true;
  if (tCodeDepth >= 2) {
    free(tCode);
    tCode = tcStack.back().code;
    tcIndex = tcStack.back().index;
    foldHasCall = tcStack.back().hasCall;
    tcStack.pop_back();
  } else {
    calculate = 0;
  }
  --tCodeDepth;
  MV_ASSERT(tCodeDepth >= 0, kPhaseRules);
}

// ---- Statements ---------------------------------------------------------------------------

namespace {

void PushIf(int32_t position) {
  if (ifLevel + 1 >= kMaxIfLevel) Panic(19);
  ifStack[ifLevel++] = position;
}

int PopIf() {
  MV_ASSERT(ifLevel > 0, kPhaseRules);
  return ifStack[--ifLevel];
}

void WriteTheRule() {
  Compile1(OP_STOP);
  if (writer.file != nullptr) WriteRule(&writer, pCode, pcIndex, trigger, nTriggers);
  pcIndex = 0;
  nTriggers = 0;
}

}  // namespace

void CompileBeginIf() {
  if (ifLevel == 0) {
    inTrigger = true;
    nTriggers = 0;
  }
}

void CompileDoIf() {
  Compile2(OP_IF, 0);
  PushIf(pcIndex - 1);
  inTrigger = false;
}

void CompileDoThen() {
  lastIfOperand = PopIf();
  pCode[lastIfOperand] = pcIndex;
}

void CompileDoElse() {
  if (ifLevel == 0) Warning(19);
  Compile2(OP_JUMP, 0);
  PushIf(pcIndex - 1);
  if (lastIfOperand >= 0) pCode[lastIfOperand] = pcIndex;
}

void CompileEndElse() {
  const int at = PopIf();
  pCode[at] = pcIndex;
}

void CompileEndIf() {
  if (ifLevel != 0) return;
  WriteTheRule();
  ruleJustWritten = true;
}

void CompileBeginWhile() { PushIf(pcIndex); }

void CompileDoWhile() {
  Compile2(OP_WHILE, 0);
  const int w = pcIndex - 1;
  const int s = ifStack[ifLevel - 1];
  PushIf(w);
  breakStack.push_back(w);
  contStack.push_back(s);
}

void CompileEndWhile() {
  const int w = PopIf();
  const int s = PopIf();
  Compile2(OP_JUMP, s);
  pCode[w] = pcIndex;
  breakStack.pop_back();
  contStack.pop_back();
}

void CompileBeginSwitch() {
  if (ifLevel == 0) FatalError(15, "This switch must be inside a rule!");
  swStack.emplace_back();
}

void CompileDoSwitch() {
  Compile2(OP_SWITCH, 0);
  swStack.back().operand = pcIndex - 1;
  breakStack.push_back(pcIndex - 1);
}

void CompileBeginCase() {
  if (swStack.empty()) FatalError(0, "Case without a Switch!\n");
  SwitchRecord& s = swStack.back();
  if (s.count < kMaxCases) s.targets[s.count] = pcIndex;
}

void CompileDoCase() {
  if (swStack.empty()) FatalError(0, "Orphan case statement!");
  if (!goodConst) FatalError(0, "Bad case constant.");
  SwitchRecord& s = swStack.back();
  s.values[s.count++] = constResult;
  if (s.count >= kMaxCases) FatalError(0, "Too many cases in this switch!");
}

void CompileDoDefault() {
  if (swStack.empty()) FatalError(0, "Default without a Switch!\n");
  swStack.back().defaultTarget = pcIndex;
}

void CompileEndSwitch() {
  SwitchRecord& s = swStack.back();
  // The table lists the cases in label order.
  int order[kMaxCases];
  for (int i = 0; i < s.count; ++i) order[i] = i;
  for (int i = 1; i < s.count; ++i)
    for (int j = i; j > 0 && s.values[order[j - 1]] > s.values[order[j]]; --j) std::swap(order[j - 1], order[j]);
  const int p = pcIndex;
  pCode[s.operand] = p;
  Room(4 + 2 * s.count);
  Compile2(OP_TABLEJUMP, 0);
  Compile1(s.count);
  Compile1(s.defaultTarget);
  for (int i = 0; i < s.count; ++i) {
    Compile1(NewValCell(&s.values[order[i]], kTypeInt));
    Compile1(s.targets[order[i]]);
  }
  pCode[p + 1] = pcIndex;
  swStack.pop_back();
  breakStack.pop_back();
}

void CompileBreak() {
  if (breakStack.empty()) FatalError(0, "Orphan break statement!");
  Compile2(OP_BREAK, breakStack.back());
}

void CompileContinue() {
  if (contStack.empty()) FatalError(0, "Orphan continue statement!");
  Compile2(OP_CONTINUE, contStack.back());
}

void CompileNotAllowed() { Panic(15); }

void CompileEndStmt(int kind) {
  if (ruleJustWritten) {
    ruleJustWritten = false;
    return;
  }
  // Declarations and uncounted constructs leave no code.
  if (kind != 1 && kind != 2) return;
  if (ifLevel == 0) Warning(31);
  Compile1(OP_ENDSTMT);
}

// ---- Declarations -----------------------------------------------------------------------

void CompileSpecifier(int code) {
  if (code == 376)
    decl.statistic = true;
  else if (decl.base == 0 || decl.base == 355)
    decl.base = code;  // `statistic int` and `statistic float` name their base after the storage class
  else
    Panic(15);
}

void CompileDeclName(const char* name) {
  decl.name = name != nullptr ? name : "";
  decl.folded = false;
}

void CompileStartEnum() { nextEnumValue = 0; }

void CompileAddEnum() {
  int cls = 0, index = 0;
  int32_t value = 0;
  if (FindMVVar(decl.name.c_str(), &cls, &index) || FindRuleEnum(decl.name.c_str(), &value)) {
    const std::string text = "Duplicate declaration of " + decl.name;
    FatalError(20, text.c_str());
  }
  value = nextEnumValue;
  if (decl.folded) {
    if (!goodConst) FatalError(0, "Bad enumerator value.");
    value = constResult;
  }
  ruleEnums.emplace_back(decl.name, value);
  nextEnumValue = value + 1;
  decl.name.clear();
  decl.folded = false;
}

bool FindRuleEnum(const char* name, int32_t* value) {
  for (const auto& [enumName, enumValue] : ruleEnums) {
    if (enumName == name) {
      *value = enumValue;
      return true;
    }
  }
  return false;
}

void CompileAttachMod(int kind) {
  ++decl.nModifiers;
  // An array suffix binds before the pointers in front of the name.
  if (kind == 4 && !decl.hasArray) {
    decl.hasArray = true;
    // Empty brackets give a size of 0, as for a pointer; a size that is no
    // constant, or that no buffer can have, is refused.
    if (foldNotConstant || (goodConst && (constResult < 0 || constResult > kMaxRuleBuffer)))
      FatalError(0, "Bad array size.");
    decl.arraySize = goodConst ? constResult : 0;
  }
}

void CompileCheckDeclarator(int hasInit) {
  if (decl.name.empty()) Panic(15);
  int cls = 0, index = 0;
  if (FindMVVar(decl.name.c_str(), &cls, &index)) {
    const std::string text = "Duplicate declaration of " + decl.name;
    FatalError(20, text.c_str());
  }
  if (hasInit) Warning(41);
  VarDescriptor d{};
  d.storageClass = decl.statistic ? kStorageStatistic : 0;
  switch (decl.base) {
    case 0:
    case 355: d.baseType = kBaseInt; break;
    case 344: d.baseType = kBaseChar; break;
    case 348: d.baseType = kBaseFloat; break;
    case 410: d.baseType = kBaseFile; break;
    default: d.baseType = -1; break;
  }
  d.nModifiers = decl.nModifiers;
  d.firstModifier = decl.hasArray ? kModArray : decl.nModifiers > 0 ? kModPointer : 0;
  d.arraySize = decl.arraySize;
  AddMVVar(decl.name.c_str(), d);
  decl.inInit = hasInit != 0;
}

void CompileNewDeclarator() {
  decl.name.clear();
  decl.nModifiers = 0;
  decl.hasArray = false;
  decl.arraySize = 0;
  decl.inInit = false;
}

void CompileEndDclList() { decl = RuleDecl{}; }

// ---- The compiled rule file -------------------------------------------------------------

void BeginRuleFile(FILE* file, const char* ruleName) {
  FreeValList();
  writerName = ruleName;
  BeginCode(&writer, file, ruleName);
}

void EndRuleFile() {
  for (int i = 0; i < nVars; ++i) {
    writer.varTypes.push_back(mvType[usr_][i]);
    writer.varTypes.push_back(mvDim[usr_][i]);
  }
  for (int i = 0; i < nStats; ++i) writer.stats.push_back(statVars[i]);
  for (int cls = 0; cls < kClasses; ++cls)
    for (int i = 0; i < mvLast[cls]; ++i)
      if (mvNeed[cls] != nullptr && mvNeed[cls][i] != 0) writer.used.push_back(Code(cls, i));
  for (ValCell* c = valList; c != nullptr; c = c->next) writer.constants.push_back(c->value);
  EndCode(&writer, writerName.c_str());
  writer.file = nullptr;
  FreeValList();
  ResetComp();
}

}  // namespace mv
