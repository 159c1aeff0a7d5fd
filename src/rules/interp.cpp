#include "rules/interp.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "driver/options.h"
#include "driver/run.h"
#include "frontend/line.h"
#include "rules/arith.h"
#include "rules/builtins.h"
#include "rules/codefile.h"
#include "rules/regions.h"
#include "support/mverror.h"
#include "support/public.h"

namespace mv {

int calculate;
bool classActive[kClasses];
int32_t* mvStore;
int32_t* mvTemp;
int mvTempCount;
int32_t foldResult;
bool foldHasResult;
int32_t fcnStack[kFcnStackDepth];
int fcnLevel;
char* lastAddress;
int interpretDepth;

namespace {

int storeCount;           // words in mvStore
// What the loader allocated: kept for the whole run, released when the next
// run in the same process starts.
std::vector<void*>* loaded;

void* LoaderMem(size_t count, size_t size) {
  void* p = GetMem(count, size);
  loaded->push_back(p);
  return p;
}
MVWord constantCopy;      // where a pushed constant lives, for the address-of operator
bool classHasRules[kClasses];  // some rule is triggered by a variable of the class
bool classNamed[kClasses];     // some rule names a variable of the class
// Per class, the slots that have rules, in slot order.
std::vector<uint16_t> ruleSlots[kClasses];

// A damaged block ends the rule that runs it, never the memory around it.
void Damaged(const char* what, long value) {
  fflush(stdout);
  fprintf(out, "*** Damaged rule code: %s (%ld) ***\n", what, value);
}

bool TestCondition(int* truth) {
  // The common condition is a plain integer variable or value: read it in place.
  if (opStackLevel > opStackBase) {
    const StackEntry& e = opStack[opStackLevel - 1];
    const int32_t usrType = e.tag == kTypeVarRef && (e.value >> 8) == usr_ ? mvType[usr_][e.value & 255] : 0;
    if (e.tag == kTypeInt || (e.tag == kTypeVarRef && (usrType == 0 || usrType == kTypeInt || usrType == kTypeChar ||
                                                       usrType == kTypeIStat))) {
      --opStackLevel;
      const MVWord v = e.tag == kTypeInt ? e.value : mvValue[e.value >> 8][e.value & 255];
      resultType = kTypeInt;
      *truth = WordInt(v) != 0;
      return true;
    }
  }
  MVWord v;
  int tag;
  PopGeneral(&v, &tag);
  switch (tag) {
    case kTypeInt: *truth = WordInt(v) != 0; return true;
    case kTypeFloat: *truth = WordFloat(v) != 0.0f; return true;
    case kTypePointer: *truth = v != 0; return true;
    default: *truth = tag; return false;
  }
}

[[noreturn]] void FailTag(const char* format, int tag) {
  char text[128];
  snprintf(text, sizeof text, format, tag);
  FatalError(0, text);
}

const char* IntDivZeroText() {
  return calculate ? "Divide by integer zero in constant expression." : "Divide by integer zero in Morvane rule.";
}

// Is the top operand a pointer (directly or through a variable)?
bool TopIsPointer() {
  if (opStackLevel <= opStackBase) return false;
  const StackEntry& e = opStack[opStackLevel - 1];
  if (e.tag == kTypePointer) return true;
  if (e.tag == kTypeVarRef) {
    MVWord v;
    int type;
    GetIndirect(static_cast<int32_t>(e.value), &v, &type);
    return type == kTypePointer;
  }
  return false;
}

constexpr int kErrSyntax = 21;  // err_syntax in class 16

// Opcodes followed by one operand unit (for STRING: the count of text units).
bool HasOperand(int32_t op) {
  switch (op) {
    case OP_STRING: case OP_INTCONST: case OP_INTIMM: case OP_FLTCONST: case OP_VARREF: case OP_BREAK:
    case OP_CONTINUE: case OP_IF: case OP_SWITCH: case OP_WHILE: case OP_FCNCALL: case OP_JUMP:
    case OP_TABLEJUMP:
      return true;
    default:
      return false;
  }
}

bool ValidCode(int32_t code) {
  if (code < 0) return false;
  const int cls = code >> 8;
  const int index = code & 255;
  return cls < kClasses && cls != old_ && index < mvLast[cls];
}

}  // namespace

void InitInterp() {
  if (loaded == nullptr) loaded = new std::vector<void*>;
  for (void* p : *loaded) FreeMem(p);
  loaded->clear();
  calculate = 0;
  mvStore = nullptr;
  storeCount = 0;
  mvTemp = nullptr;
  mvTempCount = 0;
  fcnLevel = 0;
  lastAddress = nullptr;
  interpretDepth = 0;
  for (bool& b : classHasRules) b = false;
  for (bool& b : classNamed) b = false;
  for (bool& b : classActive) b = false;
  for (auto& v : ruleSlots) v.clear();
  RegisterRegion(&constantCopy, sizeof constantCopy, kRegionBuffer);
  // Every warning of the checker reaches the rules through err_syntax.
  errSyntaxHook = [](int value) { Do1Rule(evt_, kErrSyntax, value, true); };
}

void Interpret(const int32_t* code, int32_t length, int position) {
  const int savedBase = opStackBase;
  const int entryLevel = opStackLevel;
  opStackBase = opStackLevel;  // a nested run keeps its caller's operands intact
  ++interpretDepth;
  lastAddress = nullptr;
  const int32_t* store = calculate ? mvTemp : mvStore;
  const int nStore = calculate ? mvTempCount : storeCount;
  int32_t ip = 0;
  bool running = true;

  auto target = [&](int32_t t) {
    if (t < 0 || t >= length) {
      Damaged("jump target outside the rule", t);
      return false;
    }
    return true;
  };

  while (running) {
    if (ip < 0 || ip >= length) {
      Damaged("the rule runs past its end", ip);
      break;
    }
    const int32_t op = code[ip++];
    bool keepAddress = false;
    int32_t arg = 0;  // the operand unit of the opcodes that have one
    if (HasOperand(op)) {
      if (ip >= length) {
        Damaged("operand missing at the end of the rule", ip);
        break;
      }
      arg = code[ip++];
    }
    int32_t a32, b32;
    MVWord a, b;
    int ta, tb, truth;
    switch (op) {
      case OP_NOT:
        if (!TestCondition(&truth)) FatalError(0, "Cannot logically operate on this type.");
        PushLong(!truth);
        break;
      case OP_MOD:
        b32 = PopLong();
        a32 = PopLong();
        if (b32 == 0) {
          Advise(30, IntDivZeroText());
          PushLong(0);
        } else {
          PushLong(b32 == -1 ? 0 : a32 % b32);
        }
        break;
      case OP_BIT_AND:
        b32 = PopLong();
        a32 = PopLong();
        PushLong(a32 & b32);
        break;
      case OP_MUL:
        Pop2Values(&a, &b);
        if (resultType == kTypeInt)
          PushLong(static_cast<int32_t>(static_cast<uint32_t>(WordInt(a)) * static_cast<uint32_t>(WordInt(b))));
        else if (resultType == kTypeFloat)
          PushFloat(WordFloat(a) * WordFloat(b));
        else
          FatalError(0, "Cannot multiply these types.");
        break;
      case OP_ADD:
      case OP_SUB: {
        PopGeneral(&b, &tb);
        PopGeneral(&a, &ta);
        const bool add = op == OP_ADD;
        if (ta == kTypeInt && tb == kTypeInt) {
          const uint32_t x = static_cast<uint32_t>(WordInt(a)), y = static_cast<uint32_t>(WordInt(b));
          PushLong(static_cast<int32_t>(add ? x + y : x - y));
        } else if ((ta == kTypeInt || ta == kTypeFloat) && (tb == kTypeInt || tb == kTypeFloat)) {
          const float x = ta == kTypeInt ? static_cast<float>(WordInt(a)) : WordFloat(a);
          const float y = tb == kTypeInt ? static_cast<float>(WordInt(b)) : WordFloat(b);
          PushFloat(add ? x + y : x - y);
        } else if (ta == kTypePointer && tb == kTypeInt) {
          const long offset = add ? WordInt(b) : -static_cast<long>(WordInt(b));
          PushPointer(reinterpret_cast<const char*>(static_cast<uintptr_t>(a) + static_cast<uintptr_t>(offset)));
        } else if (add && ta == kTypeInt && tb == kTypePointer) {
          PushPointer(reinterpret_cast<const char*>(static_cast<uintptr_t>(b) +
                                                    static_cast<uintptr_t>(static_cast<long>(WordInt(a)))));
        } else {
          FatalError(0, add ? "Morvane cannot add these types." : "Morvane cannot subtract these types.");
        }
        break;
      }
      case OP_DIV:
        Pop2Values(&a, &b);
        if (resultType == kTypeInt) {
          a32 = WordInt(a);
          b32 = WordInt(b);
          if (b32 == 0) {
            Advise(30, IntDivZeroText());
            PushLong(0);
          } else {
            PushLong(b32 == -1 ? static_cast<int32_t>(0u - static_cast<uint32_t>(a32)) : a32 / b32);
          }
        } else if (resultType == kTypeFloat) {
          if (WordFloat(b) == 0.0f) {
            Advise(30, "Divide by float zero in Morvane rule.");
            PushFloat(0.0f);
          } else {
            PushFloat(WordFloat(a) / WordFloat(b));
          }
        } else {
          FatalError(0, "Cannot divide these types.");
        }
        break;
      case OP_ENDSTMT: opStackLevel = opStackBase; break;
      case OP_LESS:
      case OP_GREATER:
      case OP_LESSEQ:
      case OP_GREATEQ: {
        Pop2Values(&a, &b);
        int r;
        if (resultType == kTypeInt) {
          a32 = WordInt(a);
          b32 = WordInt(b);
          r = op == OP_LESS ? a32 < b32 : op == OP_GREATER ? a32 > b32 : op == OP_LESSEQ ? a32 <= b32 : a32 >= b32;
        } else if (resultType == kTypeFloat) {
          const float x = WordFloat(a), y = WordFloat(b);
          r = op == OP_LESS ? x < y : op == OP_GREATER ? x > y : op == OP_LESSEQ ? x <= y : x >= y;
        } else {
          FatalError(0, "Cannot compare these types.");
        }
        PushLong(r);
        break;
      }
      case OP_ASSIGN: AssignValue(); break;
      case OP_BIT_OR:
        b32 = PopLong();
        a32 = PopLong();
        PushLong(a32 | b32);
        break;
      case OP_BITNOT: PushLong(~PopLong()); break;
      case OP_LOGOR:
      case OP_LOGAND: {
        int right, left;
        const bool orOp = op == OP_LOGOR;
        if (!TestCondition(&right)) {
          if (orOp) FailTag("Wrong right operand type (%d) for ||", right);
          FatalError(0, "Wrong right operand type for &&.");
        }
        if (!TestCondition(&left)) {
          if (orOp) FailTag("Wrong left operand type (%d) for ||", left);
          FatalError(0, "Wrong left operand type for &&.");
        }
        PushLong(orOp ? (left || right) : (left && right));
        break;
      }
      case OP_EQUAL: PushLong(Compare2()); break;
      case OP_NOTEQ: PushLong(1 - Compare2()); break;
      case OP_SHL:
        b32 = PopLong();
        a32 = PopLong();
        PushLong(static_cast<int32_t>(static_cast<uint32_t>(a32) << (b32 & 31)));
        break;
      case OP_SHR:
        b32 = PopLong();
        a32 = PopLong();
        PushLong(static_cast<int32_t>(static_cast<uint32_t>(a32) >> (b32 & 31)));
        break;
      case OP_NEGATE: {
        if (TopIsPointer()) FatalError(0, "Cannot negate a pointer.");
        const int tag = TopTag();
        if (tag != kTypeInt && tag != kTypeFloat && tag != kTypeVarRef && tag != kTypeSubscript)
          FatalError(0, "Cannot negate this type.");
        a = PopValue();
        if (resultType == kTypeFloat)
          PushFloat(-WordFloat(a));
        else
          PushLong(static_cast<int32_t>(0u - static_cast<uint32_t>(WordInt(a))));
        break;
      }
      case OP_INDEX: {
        const int32_t i = PopLong();
        if (calculate) {
          PopGeneral(&a, &ta);
          PushLong(1);
          break;
        }
        if (TopTag() == kTypeVarRef) {
          PushValue(i, kTypeSubscript);
          break;
        }
        char* p = PopPointer();
        PushLong(static_cast<signed char>(ReadChar(p, i)));
        lastAddress = p + i;
        keepAddress = true;
        break;
      }
      case OP_ADDASG:
      case OP_SUBASG:
      case OP_MULASG:
      case OP_DIVASG:
      case OP_MODASG: Do2Special(op); break;
      case OP_STRING: {
        const int32_t n = arg;
        if (n < 1 || n > length - ip ||
            memchr(code + ip, 0, static_cast<size_t>(n) * sizeof(int32_t)) == nullptr) {
          Damaged("bad string length", n);
          running = false;
          break;
        }
        const char* text = reinterpret_cast<const char*>(code + ip);
        PushPointer(text);
        lastAddress = const_cast<char*>(text);
        keepAddress = true;
        ip += n;
        break;
      }
      case OP_INTCONST:
      case OP_FLTCONST: {
        const int32_t k = arg;
        if (k < 0 || k >= nStore) {
          Damaged("constant index outside the constant pool", k);
          running = false;
          break;
        }
        if (store == nullptr) AssertError("mvStore != NULL", "interp.cpp", __LINE__, kPhaseRules);
        if (op == OP_INTCONST) {
          PushLong(store[k]);
          constantCopy = store[k];
        } else {
          PushValue(static_cast<MVWord>(static_cast<uint32_t>(store[k])), kTypeFloat);
          constantCopy = static_cast<MVWord>(static_cast<uint32_t>(store[k]));
        }
        lastAddress = reinterpret_cast<char*>(&constantCopy);
        keepAddress = true;
        break;
      }
      case OP_INTIMM: {
        const int32_t v = arg;
        PushLong(v);
        constantCopy = v;
        lastAddress = reinterpret_cast<char*>(&constantCopy);
        keepAddress = true;
        break;
      }
      case OP_VARREF: {
        const int32_t c = arg;
        if (!ValidCode(c)) {
          Damaged("variable code out of range", c);
          running = false;
          break;
        }
        // `if (variable)`, the most common condition, is tested without the stack.
        if (ip + 1 < length && code[ip] == OP_IF) {
          MVWord v;
          int type;
          GetIndirect(c, &v, &type);
          bool truth;
          if (type == kTypeInt)
            truth = WordInt(v) != 0;
          else if (type == kTypeFloat)
            truth = WordFloat(v) != 0.0f;
          else if (type == kTypePointer)
            truth = v != 0;
          else
            FailTag("IF: cannot logically test this type (%d).", type);
          resultType = type;
          const int32_t f = code[ip + 1];
          ip += 2;
          if (!truth) {
            if (!target(f)) {
              running = false;
              break;
            }
            ip = f;
          }
          break;
        }
        PushIdent(c);
        lastAddress = reinterpret_cast<char*>(&mvValue[c >> 8][c & 255]);
        keepAddress = true;
        break;
      }
      case OP_BREAK: {
        const int32_t w = arg;
        if (!target(w) || !target(code[w])) {
          running = false;
          break;
        }
        ip = code[w];
        break;
      }
      case OP_CONTINUE:
      case OP_JUMP:
      case OP_TABLEJUMP: {
        const int32_t t = arg;
        if (!target(t)) {
          running = false;
          break;
        }
        ip = t;
        break;
      }
      case OP_IF:
      case OP_WHILE: {
        const int32_t f = arg;
        if (!TestCondition(&truth))
          FailTag(op == OP_IF ? "IF: cannot logically test this type (%d)." : "WHILE: cannot logically test this type (%d).",
                  truth);
        if (!truth) {
          if (!target(f)) {
            running = false;
            break;
          }
          ip = f;
        }
        break;
      }
      case OP_SIZEOF:
        PopGeneral(&a, &ta);
        if (ta == kTypePointer) {
          const char* text = CheckedText(reinterpret_cast<const char*>(a), "sizeof");
          PushLong(text != nullptr ? static_cast<int32_t>(strlen(text)) : 0);
        } else {
          PushLong(1);
        }
        break;
      case OP_SWITCH: {
        const int32_t p = arg;
        const int32_t v = PopLong();
        if (p < 0 || p > length - 4 || code[p + 2] < 0 || code[p + 2] > (length - p - 4) / 2) {
          Damaged("bad switch table", p);
          running = false;
          break;
        }
        const int32_t n = code[p + 2];
        int32_t next = -1;
        for (int32_t i = 0; i < n; ++i) {
          const int32_t k = code[p + 4 + 2 * i];
          if (k < 0 || k >= storeCount) {
            Damaged("switch case outside the constant pool", k);
            next = -2;
            break;
          }
          if (mvStore[k] == v) {
            next = code[p + 5 + 2 * i];
            break;
          }
        }
        if (next == -2) {
          running = false;
          break;
        }
        if (next < 0) next = code[p + 3] > 0 ? code[p + 3] : code[p + 1];
        if (!target(next)) {
          running = false;
          break;
        }
        ip = next;
        break;
      }
      case OP_FCNPUSH:
        if (fcnLevel >= kFcnStackDepth) FatalError(0, "Morvane function calls are nested too deeply.");
        fcnStack[fcnLevel++] = PopLong();
        break;
      case OP_FCNCALL: {
        const int32_t argc = arg;
        if (fcnLevel <= 0 || argc < 0 || argc > opStackLevel - opStackBase) {
          Damaged("function call without its function or arguments", argc);
          running = false;
          break;
        }
        --fcnLevel;
        CallBuiltin(static_cast<int>(static_cast<uint32_t>(fcnStack[fcnLevel]) % 256), argc, position);
        break;
      }
      case OP_STOP:
        // A folded expression gives an integer; a string is no constant.
        if (calculate && opStackLevel > opStackBase && TopTag() != kTypePointer) {
          foldResult = PopLong();
          foldHasResult = true;
        }
        running = false;
        break;
      case OP_PREINC:
      case OP_POSTINC:
      case OP_PREDEC:
      case OP_POSTDEC: DoSpecial(op); break;
      case OP_ADDROF: {
        if (lastAddress == nullptr) FatalError(15, "Invalid use of the address-of operator in a rule.");
        char* address = lastAddress;
        PopGeneral(&a, &ta);
        PushPointer(address);
        break;
      }
      case OP_UPLUS: break;
      default:
        fflush(stdout);
        if (!calculate) fprintf(out, "*** UNEXPECTED OPCODE %d ***\n", op);
        running = false;
        break;
    }
    if (!keepAddress) lastAddress = nullptr;
  }

  opStackLevel = entryLevel;
  opStackBase = savedBase;
  if (--interpretDepth == 0 && ruleRegionCount != 0) DropRuleRegions();
}

void DoRuleList(GenCell* list, int position) {
  for (GenCell* c = list; c != nullptr; c = c->next) Interpret(reinterpret_cast<const RuleCode*>(c->word), position);
}

void Do1Rule(int cls, int index, MVWord value, bool clearAfter) {
  if (errorFlag || checkRules) return;
  if (thisLine != nullptr && (thisLine->flags & kLineRulesApply) == 0) return;
  mvValue[cls][index] = value;
  if (value == 0 && cls != usr_) return;
  GenCell* list = mvRule[cls][index];
  if (list != nullptr) {
    const int saved = calculate;
    calculate = 0;
    const int position = lexRule ? (lexLine != nullptr ? lexLine->column : 0) : CurrentPosition();
    DoRuleList(list, position);
    calculate = saved;
  }
  if (clearAfter) mvValue[cls][index] = 0;
}

void DoRulesOfClass(int cls) {
  if (errorFlag) return;
  // A class whose variables rules only read is cleared without firing.
  if (classHasRules[cls]) {
    const int saved = calculate;
    calculate = 0;
    for (const uint16_t i : ruleSlots[cls]) {
      // A rule may push a new value level, so the arrays are fetched anew.
      if (mvValue[cls][i] != 0) DoRuleList(mvRule[cls][i], mvPosn[cls][i]);
    }
    calculate = saved;
  }
  memset(mvValue[cls], 0, sizeof(MVWord) * mvLast[cls]);
}

void DoFcnRule(int function, int position) {
  if (errorFlag) return;
  GenCell* list = mvRule[mv_][function];
  if (list == nullptr) return;
  if (lin_needed) SetLineVariables();
  const int saved = calculate;
  calculate = 0;
  DoRuleList(list, position & 0xFFFF);
  calculate = saved;
}

// ---- Loading ---------------------------------------------------------------------------------

namespace {

long fileSize;

long Remaining() {
  const long at = ftell(codeFile);
  return at < 0 ? 0 : fileSize - at;
}

[[noreturn]] void UnexpectedEnd() {
  char text[kPathLength + 128];
  snprintf(text, sizeof text,
           "Unexpected end-of-file found in %s, recompile with extension .mv specified in option -R\n", codeFN);
  FatalError(0, text);
}

[[noreturn]] void DamagedFile(const char* what, long value) {
  char text[kPathLength + 160];
  snprintf(text, sizeof text, "Damaged rule file %s: %s (%ld); recompile it from its rule source.", codeFN, what,
           value);
  FatalError(0, text);
}

int32_t ReadWord() {
  int32_t w;
  if (!fgetn(&w, codeFile)) UnexpectedEnd();
  return w;
}

void CheckCount(int32_t count, long unitSize, long limit, const char* what) {
  if (count < 0 || count > limit) DamagedFile(what, count);
  if (static_cast<long>(count) * unitSize > Remaining()) UnexpectedEnd();
}

void AttachRule(int32_t code, RuleCode* rule) {
  const int cls = code / 256, index = code % 256;
  GenCell* cell = NewGenCell(reinterpret_cast<intptr_t>(rule));
  GenCell** tail = &mvRule[cls][index];
  while (*tail != nullptr) tail = &(*tail)->next;
  *tail = cell;
  if (cell == mvRule[cls][index]) {
    auto& slots = ruleSlots[cls];
    slots.insert(std::lower_bound(slots.begin(), slots.end(), static_cast<uint16_t>(index)),
                 static_cast<uint16_t>(index));
  }
  classHasRules[cls] = true;
  classActive[cls] = true;
}

}  // namespace

void LoadCode(int32_t nVarsInFile, int32_t nStatsInFile, int32_t nUsedInFile, int32_t nConstInFile) {
  struct stat st;
  fileSize = fstat(fileno(codeFile), &st) == 0 ? static_cast<long>(st.st_size) : 0;

  for (;;) {
    if (Remaining() <= 0) UnexpectedEnd();
    const int32_t length = ReadWord();
    if (length == kEndOfRules) break;
    if (length < 1 || length >= kMaxCodeUnits) {
      fflush(stdout);
      fprintf(out, "LoadCode:  rule has invalid length (%ld), recompile with extension .mv specified in option -R\n",
              static_cast<long>(length));
      CleanExit(1);
    }
    if (static_cast<long>(length) * 4 > Remaining()) UnexpectedEnd();
    auto* rule =
        static_cast<RuleCode*>(LoaderMem(1, sizeof(RuleCode) + sizeof(int32_t) * static_cast<size_t>(length)));
    rule->length = length;
    if (fread(rule->units, sizeof(int32_t), static_cast<size_t>(length), codeFile) != static_cast<size_t>(length))
      UnexpectedEnd();
    RegisterRegion(rule->units, sizeof(int32_t) * static_cast<size_t>(length), kRegionCode);
    const int32_t nTriggers = ReadWord();
    if (nTriggers < 0 || nTriggers > 32) DamagedFile("bad trigger count", nTriggers);
    for (int32_t i = 0; i < nTriggers; ++i) {
      int32_t code;
      if (!fgetn(&code, codeFile) || code == 0) break;
      const bool usr = code / 256 == usr_ && code % 256 < nVarsInFile && code % 256 < kUsrCodable;
      if (!usr && (!ValidCode(code) || code / 256 == usr_)) DamagedFile("trigger code out of range", code);
      AttachRule(code, rule);
    }
    int32_t mark;
    if (!fgetn(&mark, codeFile) || mark != kEndOfRule) {
      char text[kPathLength + 64];
      snprintf(text, sizeof text, "END_OF_RULE not found in %s.\n", codeFN);
      FatalError(0, text);
    }
  }

  // Rule-file variables.
  CheckCount(nVarsInFile, 8, kUsrCodable, "bad number of rule-file variables");
  mvLast[usr_] = static_cast<uint16_t>(nVarsInFile);
  nVars = nVarsInFile;
  for (int32_t i = 0; i < nVarsInFile; ++i) {
    const int32_t type = ReadWord();
    const int32_t dim = ReadWord();
    mvType[usr_][i] = type;
    mvDim[usr_][i] = dim;
    mvValue[usr_][i] = 0;
    switch (type) {
      case kTypeInt:
      case kTypeChar:
      case kTypeFloat: break;
      case kTypePointer:
        if (dim < 0 || dim > kMaxRuleBuffer) DamagedFile("bad size of a character array", dim);
        if (dim > 0) {
          char* buffer = static_cast<char*>(LoaderMem(1, static_cast<size_t>(dim)));
          RegisterRegion(buffer, static_cast<size_t>(dim), kRegionBuffer);
          mvValue[usr_][i] = reinterpret_cast<MVWord>(buffer);
        }
        break;
      case kTypeIStat:
      case kTypeFStat:
        if (mvStat[usr_] == nullptr)
          MakeUsrStats();
        mvStat[usr_][i] = NewStat(type == kTypeFStat);
        break;
      default: DamagedFile("bad type of a rule-file variable", type);
    }
  }
  // The value slots themselves may be written through the address-of operator.
  if (nVarsInFile > 0) RegisterRegion(mvValue[usr_], sizeof(MVWord) * static_cast<size_t>(nVarsInFile), kRegionBuffer);

  // Predefined statistics named by the rules.
  CheckCount(nStatsInFile, 4, kMaxStatVars, "bad number of statistics");
  nStats = nStatsInFile;
  for (int32_t i = 0; i < nStatsInFile; ++i) {
    const int32_t code = ReadWord();
    if (!ValidCode(code)) DamagedFile("statistic code out of range", code);
    const int cls = code / 256, index = code % 256;
    if ((cls != fcn_ && cls != mod_) || mvType[cls][index] != kTypeIStat) {
      char text[256];
      snprintf(text, sizeof text, "%s is not a statistic.", CodeName(code));
      FatalError(0, text);
    }
    statVars[i] = code;
    if (mvStat[cls][index] == nullptr) mvStat[cls][index] = NewStat(false);
    ResetStat(mvStat[cls][index]);
  }

  // Every variable the rules name.
  CheckCount(nUsedInFile, 4, 0x7FFFFFFF / 4, "bad number of used variables");
  for (int32_t i = 0; i < nUsedInFile; ++i) {
    const int32_t code = ReadWord();
    if (!ValidCode(code)) DamagedFile("used variable code out of range", code);
    SetNeeded(code / 256, code % 256);
    classNamed[code / 256] = true;
    classActive[code / 256] = true;
  }
  UpdateCheckHidden();

  // Constant pool.
  CheckCount(nConstInFile, 4, 0x7FFFFFFF / 4, "bad number of constants");
  storeCount = nConstInFile;
  if (nConstInFile >= 1) {
    mvStore = static_cast<int32_t*>(LoaderMem(static_cast<size_t>(nConstInFile), sizeof(int32_t)));
    for (int32_t i = 0; i < nConstInFile; ++i) mvStore[i] = ReadWord();
  } else {
    mvStore = nullptr;
  }
}

}  // namespace mv
