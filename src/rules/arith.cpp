#include "rules/arith.h"

#include <cmath>
#include <cstdio>
#include <cstring>

#include "driver/options.h"
#include "rules/interp.h"
#include "rules/regions.h"
#include "support/mverror.h"

namespace mv {

StackEntry opStack[kOpStackEntries];
int opStackLevel;
int opStackBase;
int resultType;

namespace {

[[noreturn]] void Fail(int n, const char* text) { FatalError(n, text); }

[[noreturn]] void FailTag(int n, const char* format, long tag) {
  char text[128];
  snprintf(text, sizeof text, format, tag);
  FatalError(n, text);
}

void Push(MVWord value, int tag) {
  if (opStackLevel >= kOpStackEntries) Fail(0, "Morvane operand stack overflow: the expression is too complex.");
  opStack[opStackLevel].value = value;
  opStack[opStackLevel].tag = tag;
  ++opStackLevel;
}

StackEntry Pop() {
  if (opStackLevel <= opStackBase) AssertError("opStackLevel > 1", "arith.cpp", __LINE__, kPhaseRules);
  return opStack[--opStackLevel];
}

// Integer arithmetic on 32 bits wraps, as the rules expect, and never traps.
inline int32_t Wrap(int64_t v) { return static_cast<int32_t>(static_cast<uint32_t>(v)); }

int VarType(int32_t code) {
  const int cls = code / 256;
  if (cls != usr_) return kTypeInt;
  switch (mvType[usr_][code % 256]) {
    case kTypeChar:
    case kTypeIStat: return kTypeInt;
    case kTypeFStat: return kTypeFloat;
    default: return mvType[usr_][code % 256];
  }
}

// A pointer made from an integer: only 0 (null) names an address that the
// rule may hold, since a 32-bit integer can never hold one of ours.
char* IntegerAddress(int32_t v) {
  if (v == 0) return nullptr;
  char text[96];
  snprintf(text, sizeof text, "Morvane cannot use the integer %ld as an address.", static_cast<long>(v));
  FatalError(0, text);
}

// The character that a subscript entry names: the index is on top, the
// variable reference below it.
int32_t SubscriptedChar(MVWord index) {
  const StackEntry ref = Pop();
  MVWord value;
  int type;
  GetIndirect(static_cast<int32_t>(ref.value), &value, &type);
  if (type != kTypePointer) IntegerAddress(WordInt(value) == 0 ? 1 : WordInt(value));
  return static_cast<signed char>(ReadChar(reinterpret_cast<const char*>(value), static_cast<long>(WordInt(index))));
}

// Target of a change: the variable, or one character of it.
struct Target {
  int32_t code;
  int index;
  bool subscripted;
  long charIndex;
};

Target PopTarget() {
  Target t{};
  if (TopTag() == kTypeSubscript) {
    t.subscripted = true;
    t.charIndex = WordInt(Pop().value);
  }
  t.code = PopLValue();
  const int cls = t.code / 256;
  t.index = t.code % 256;
  if (t.index < 0 || t.index >= mvLast[cls < kClasses ? cls : 0])
    AssertError("(offset >= 0) && (offset < (int)mvLast[kind])", "arith.cpp", __LINE__, kPhaseRules);
  if (cls != usr_) {
    fprintf(out, ">>> kind = %d, offset = %d, name = %s <<<\n", cls, t.index, VarName(cls, t.index));
    Fail(38, "Do not assign values to predefined Morvane variables!");
  }
  return t;
}

char* TargetBuffer(const Target& t) {
  if (mvType[usr_][t.index] != kTypePointer) Fail(0, "Morvane cannot write to this address.");
  return reinterpret_cast<char*>(mvValue[usr_][t.index]);
}

void StoreAndFire(const Target& t, MVWord value) {
  mvValue[usr_][t.index] = value;
  Do1Rule(usr_, t.index, value, false);
}

const char* DivZeroText() {
  return calculate ? "Divide by integer zero in constant expression." : "Divide by integer zero in Morvane rule.";
}

}  // namespace

void InitArith() {
  opStackLevel = opStackBase = 0;
  resultType = 0;
}

void PushLong(int32_t v) { Push(static_cast<MVWord>(v), kTypeInt); }
void PushFloat(float f) { Push(FloatWord(f), kTypeFloat); }
void PushIdent(int32_t code) { Push(static_cast<MVWord>(code), kTypeVarRef); }
void PushPointer(const char* p) { Push(reinterpret_cast<MVWord>(p), kTypePointer); }
void PushValue(MVWord value, int tag) { Push(value, tag); }

int TopTag() { return opStackLevel > opStackBase ? opStack[opStackLevel - 1].tag : 0; }

void GetIndirect(int32_t code, MVWord* value, int* type) {
  *value = mvValue[code / 256][code % 256];
  *type = VarType(code);
}

int32_t FloatToLong(float f) {
  int32_t r;
  if (f > 2147483648.0f) {
    r = 2147483647;
  } else if (f < -2147483648.0f) {
    r = -2147483647 - 1;
  } else {
    if (std::isnan(f) || f == 2147483648.0f) return 2147483647;
    return static_cast<int32_t>(f);
  }
  char text[96];
  snprintf(text, sizeof text, "A large float has been truncated to integer %ld", static_cast<long>(r));
  Advise(21, text);
  return r;
}

int32_t PopLong() {
  const StackEntry e = Pop();
  int32_t r = 0;
  switch (e.tag) {
    case kTypeInt: r = WordInt(e.value); break;
    case kTypeFloat: r = FloatToLong(WordFloat(e.value)); break;
    case kTypeVarRef: {
      MVWord v;
      int type;
      GetIndirect(static_cast<int32_t>(e.value), &v, &type);
      if (type == kTypeInt)
        r = WordInt(v);
      else if (type == kTypeFloat)
        r = FloatToLong(WordFloat(v));
      else if (type == kTypePointer)
        Fail(15, "Attempt to cast a pointer to an integer.");
      else
        Fail(15, "PopLong: unknown indirect type!");
      break;
    }
    case kTypePointer: Fail(15, "Attempt to cast a pointer to an integer.");
    case kTypeSubscript: r = SubscriptedChar(e.value); break;
    default: Fail(15, "PopLong: corrupt operand stack!");
  }
  resultType = kTypeInt;
  return r;
}

float PopFloat() {
  const StackEntry e = Pop();
  float r = 0.0f;
  switch (e.tag) {
    case kTypeInt: r = static_cast<float>(WordInt(e.value)); break;
    case kTypeFloat: r = WordFloat(e.value); break;
    case kTypeVarRef: {
      MVWord v;
      int type;
      GetIndirect(static_cast<int32_t>(e.value), &v, &type);
      if (type == kTypeInt)
        r = static_cast<float>(WordInt(v));
      else if (type == kTypeFloat)
        r = WordFloat(v);
      else if (type == kTypePointer)
        Fail(15, "Cannot convert pointer to float.");
      else
        Fail(15, "PopFloat: unknown indirect type!");
      break;
    }
    case kTypeSubscript: r = static_cast<float>(SubscriptedChar(e.value)); break;
    default: Fail(15, "PopFloat: corrupt operand stack!\n");
  }
  resultType = kTypeFloat;
  return r;
}

MVWord PopValue() {
  const StackEntry e = Pop();
  MVWord r = 0;
  switch (e.tag) {
    case kTypeInt:
    case kTypeFloat:
      r = e.value;
      resultType = e.tag;
      break;
    case kTypeVarRef: {
      int type;
      GetIndirect(static_cast<int32_t>(e.value), &r, &type);
      if (type == kTypePointer) Fail(15, "Cannot convert pointer to numeric value.");
      if (type != kTypeInt && type != kTypeFloat) FailTag(15, "Bad type (%ld) in PopValue.", type);
      if (type == kTypeInt) r = WordInt(r);
      resultType = type;
      break;
    }
    case kTypePointer: Fail(15, "Unexpected pointer found by PopValue.");
    case kTypeSubscript:
      r = SubscriptedChar(e.value);
      resultType = kTypeInt;
      break;
    default: FailTag(15, "Bad type (%ld) in PopValue.", e.tag);
  }
  return r;
}

void PopGeneral(MVWord* value, int* tag) {
  const StackEntry e = Pop();
  switch (e.tag) {
    case kTypeVarRef: GetIndirect(static_cast<int32_t>(e.value), value, tag); break;
    case kTypeSubscript:
      *value = SubscriptedChar(e.value);
      *tag = kTypeInt;
      break;
    default:
      *value = e.value;
      *tag = e.tag;
      break;
  }
  if (*tag == kTypeInt) *value = WordInt(*value);
  resultType = *tag;
}

char* PopPointer() {
  const StackEntry e = Pop();
  char* r = nullptr;
  switch (e.tag) {
    case kTypeInt: r = IntegerAddress(WordInt(e.value)); break;
    case kTypeVarRef: {
      MVWord v;
      int type;
      GetIndirect(static_cast<int32_t>(e.value), &v, &type);
      if (type == kTypePointer)
        r = reinterpret_cast<char*>(v);
      else if (type == kTypeInt)
        r = IntegerAddress(WordInt(v));
      break;
    }
    case kTypePointer: r = reinterpret_cast<char*>(e.value); break;
    default: break;
  }
  resultType = kTypePointer;
  return r;
}

int32_t PopLValue() {
  const StackEntry e = Pop();
  if (e.tag != kTypeVarRef) Fail(40, "Not an lvalue!");
  return static_cast<int32_t>(e.value);
}

void Pop2Values(MVWord* left, MVWord* right) {
  *right = PopValue();
  const int rightType = resultType;
  *left = PopValue();
  const int leftType = resultType;
  if (leftType != rightType) {
    if (leftType == kTypeInt) *left = FloatWord(static_cast<float>(WordInt(*left)));
    if (rightType == kTypeInt) *right = FloatWord(static_cast<float>(WordInt(*right)));
    resultType = kTypeFloat;
  } else {
    resultType = leftType;
  }
}

int Compare2() {
  MVWord a, b;
  int ta, tb;
  PopGeneral(&b, &tb);
  PopGeneral(&a, &ta);
  int equal;
  if (ta == tb && (ta == kTypeInt || ta == kTypePointer)) {
    equal = a == b;
  } else if (ta == tb && ta == kTypeFloat) {
    equal = WordFloat(a) == WordFloat(b);
  } else if (ta == kTypeInt && tb == kTypeFloat) {
    equal = static_cast<float>(WordInt(a)) == WordFloat(b);
  } else if (ta == kTypeFloat && tb == kTypeInt) {
    equal = WordFloat(a) == static_cast<float>(WordInt(b));
  } else if ((ta == kTypeInt && tb == kTypePointer) || (ta == kTypePointer && tb == kTypeInt)) {
    equal = a == b;
  } else {
    char text[96];
    snprintf(text, sizeof text, "Compare2: cannot compare these types (%d,%d).", ta, tb);
    FatalError(0, text);
  }
  resultType = kTypeInt;
  return equal;
}

void AssignValue() {
  MVWord v;
  int tag;
  PopGeneral(&v, &tag);
  const Target t = PopTarget();
  const int declared = mvType[usr_][t.index];
  int result;
  switch (declared) {
    case kTypeInt:
    case kTypeChar:
      if (tag == kTypeFloat) v = FloatToLong(WordFloat(v));
      v = WordInt(v);
      result = kTypeInt;
      break;
    case kTypeFloat:
      if (tag == kTypePointer) Fail(48, "Morvane cannot assign a pointer to a float.");
      if (tag == kTypeInt) v = FloatWord(static_cast<float>(WordInt(v)));
      result = kTypeFloat;
      break;
    case kTypePointer:
      if (tag == kTypeFloat) Fail(48, "Morvane cannot assign a float to a pointer.");
      if (tag == kTypeInt) v = reinterpret_cast<MVWord>(IntegerAddress(WordInt(v)));
      result = kTypePointer;
      break;
    case kTypeIStat:
      if (tag == kTypeFloat) v = FloatToLong(WordFloat(v));
      if (tag == kTypePointer) Fail(15, "Attempt to cast a pointer to an integer.");
      v = WordInt(v);
      if (!t.subscripted) SetMVIStat(usr_, t.index, static_cast<int32_t>(v));
      result = kTypeInt;
      break;
    case kTypeFStat:
      if (tag == kTypePointer) Fail(48, "Morvane cannot assign a pointer to a float.");
      if (tag == kTypeInt) v = FloatWord(static_cast<float>(WordInt(v)));
      if (!t.subscripted) SetMVFStat(usr_, t.index, v);
      result = kTypeFloat;
      break;
    default: FailTag(15, "Bad left type (%ld) in AssignValue.", declared);
  }
  if (t.subscripted) {
    const int32_t c = result == kTypeFloat ? FloatToLong(WordFloat(v)) : WordInt(v);
    WriteChar(TargetBuffer(t), t.charIndex, static_cast<char>(c & 0xFF));
    PushValue(c, kTypeInt);
    return;
  }
  StoreAndFire(t, v);
  PushValue(v, result);
}

void DoSpecial(int op) {
  if (op < kPreInc || op > kPostDec)
    AssertError("(op >= PRE_INCREMENT) && (op <= POST_DECREMENT)", "arith.cpp", __LINE__, kPhaseRules);
  const Target t = PopTarget();
  const bool prefix = op == kPreInc || op == kPreDec;
  const int delta = (op == kPreInc || op == kPostInc) ? 1 : -1;
  int declared = mvType[usr_][t.index];
  if (declared == kTypeChar) declared = kTypeInt;
  if (declared == kTypeIStat || declared == kTypeFStat) Fail(41, "Do not use ++ or -- on statistical variables!");
  if (t.subscripted) {
    if (declared != kTypePointer) Fail(15, "Morvane cannot use ++ or -- in this way.");
    char* buffer = TargetBuffer(t);
    const int32_t old = static_cast<signed char>(ReadChar(buffer, t.charIndex));
    const int32_t now = static_cast<signed char>(static_cast<char>(old + delta));
    WriteChar(buffer, t.charIndex, static_cast<char>(now));
    PushLong(prefix ? now : old);
    return;
  }
  const MVWord old = mvValue[usr_][t.index];
  if (declared == kTypeInt) {
    const int32_t now = Wrap(static_cast<int64_t>(WordInt(old)) + delta);
    StoreAndFire(t, now);
    PushLong(prefix ? now : WordInt(old));
  } else if (declared == kTypeFloat) {
    const float now = WordFloat(old) + static_cast<float>(delta);
    StoreAndFire(t, FloatWord(now));
    PushFloat(prefix ? now : WordFloat(old));
  } else {
    Fail(15, "Morvane cannot use ++ or -- in this way.");
  }
}

void Do2Special(int op) {
  MVWord right = PopValue();
  const int rightType = resultType;
  const Target t = PopTarget();
  int declared = mvType[usr_][t.index];
  if (declared == kTypeChar) declared = kTypeInt;
  if (declared == kTypePointer && !t.subscripted) Fail(48, "Morvane cannot yet perform \"op=\" on a pointer.");
  if (declared == kTypeIStat || declared == kTypeFStat) Fail(48, "Morvane cannot perform \"op=\" on a statistic.");
  if (t.subscripted) {
    if (declared != kTypePointer) Fail(0, "Morvane cannot write to this address.");
    char* buffer = TargetBuffer(t);
    const int32_t c = static_cast<signed char>(ReadChar(buffer, t.charIndex));
    const int32_t r = static_cast<signed char>(static_cast<char>(
        (rightType == kTypeFloat ? FloatToLong(WordFloat(right)) : WordInt(right)) & 0xFF));
    int32_t now = 0;
    switch (op) {
      case kAddAsg: now = c + r; break;
      case kSubAsg: now = c - r; break;
      case kMulAsg: now = c * r; break;
      case kDivAsg:
      case kModAsg:
        if (r == 0) {
          Advise(30, "Divided by integer zero in Morvane rule.");
          now = 0;
        } else {
          now = op == kDivAsg ? c / r : c % r;
        }
        break;
      default: Fail(15, "Unknown op in Do2Special.");
    }
    WriteChar(buffer, t.charIndex, static_cast<char>(now & 0xFF));
    PushLong(static_cast<signed char>(static_cast<char>(now & 0xFF)));
    return;
  }
  const MVWord old = mvValue[usr_][t.index];
  if (declared == kTypeInt) {
    const int32_t a = WordInt(old);
    const int32_t b = rightType == kTypeFloat ? FloatToLong(WordFloat(right)) : WordInt(right);
    int32_t now = 0;
    switch (op) {
      case kAddAsg: now = Wrap(static_cast<int64_t>(a) + b); break;
      case kSubAsg: now = Wrap(static_cast<int64_t>(a) - b); break;
      case kMulAsg: now = Wrap(static_cast<int64_t>(a) * b); break;
      case kDivAsg:
      case kModAsg:
        if (b == 0) {
          Advise(30, DivZeroText());
          now = 0;
        } else if (b == -1) {
          now = op == kDivAsg ? Wrap(-static_cast<int64_t>(a)) : 0;
        } else {
          now = op == kDivAsg ? a / b : a % b;
        }
        break;
      default: Fail(15, "Unknown op in Do2Special.");
    }
    StoreAndFire(t, now);
    PushLong(now);
  } else if (declared == kTypeFloat) {
    const float a = WordFloat(old);
    const float b = rightType == kTypeInt ? static_cast<float>(WordInt(right)) : WordFloat(right);
    float now = 0.0f;
    switch (op) {
      case kAddAsg: now = a + b; break;
      case kSubAsg: now = a - b; break;
      case kMulAsg: now = a * b; break;
      case kDivAsg:
        if (b == 0.0f) {
          Advise(30, "Divide by float zero in Morvane rule.");
          now = 0.0f;
        } else {
          now = a / b;
        }
        break;
      case kModAsg: Fail(15, "Invalid %= operation (real operands).");
      default: Fail(15, "Unknown op in Do2Special.");
    }
    StoreAndFire(t, FloatWord(now));
    PushFloat(now);
  } else {
    FailTag(15, "Bad left type (%ld) in AssignValue.", declared);
  }
}

}  // namespace mv
