// Expression actions: operands, operators and their events, calls, constants.
#include "analysis/actions.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "analysis/actions_trace.h"
#include "analysis/declare.h"
#include "analysis/expressions.h"
#include "analysis/module.h"
#include "analysis/symbols.h"
#include "driver/options.h"
#include "frontend/lex2.h"
#include "frontend/line.h"
#include "frontend/macros.h"
#include "rules/compile.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "rules/stats.h"
#include "support/public.h"
#include "support/mverror.h"

namespace mv {

bool hasArith;
int recentOp;
int inFcnArgList;
OperandList operandLists[kOperandLists];

namespace {

std::string stringText;  // adjacent string literals, joined
long concatLength;       // length of adjacent literals joined so far
bool concatenated;       // more than one literal was joined

// Slots of the variables that the expression events set.
enum : int {
  kIdnBase = 0, kIdnFunction = 5, kIdnGlobal = 6, kIdnLevels = 7, kIdnLine = 8, kIdnLocal = 9, kIdnNoInit = 11,
  kIdnMember = 10, kIdnNoPrototype = 12, kIdnNotDeclared = 13, kIdnParameter = 14,
  kIdnStorageFlags = 15, kIdnVariable = 16, kIdnConstant = 2,
};
enum : int {
  kOpBitwise = 1, kOpCastToPtr = 2, kOpDeclarator = 3, kOpExecutable = 4, kOpHalstead = 5, kOpHigh = 6,
  kOpHighInfix = 7, kOpHighPostfix = 8, kOpHighPrefix = 9, kOpInfix = 10, kOpKeyword = 11,
  kOpLow = 12, kOpMedium = 13, kOpOperands = 14, kOpPostfix = 15, kOpPrefix = 16, kOpPunct = 17,
  kOpWhiteAfter = 18, kOpWhiteBefore = 19, kOpSpaceAfter = 20, kOpSpaceBefore = 21,
};
enum : int { kExpOperands = 4, kExpOperators = 5 };
enum : int { kStmCpAssign = 7, kStmOperands = 30, kStmOperators = 31, kStmRelation = 32 };
enum : int { kLinOperands = 19, kLinOperators = 20 };
enum : int { kFcnUOperandsSlot = 21, kFcnUHOperandsSlot = 23 };
enum : int { kModUOperandsSlot = 24, kModUHOperandsSlot = 26 };
enum : int {
  kPrjDecisions = 5, kPrjHOperands = 10, kPrjHOperators = 11, kPrjOperands = 19, kPrjOperators = 20,
  kPrjUOperandsSlot = 24, kPrjUHOperandsSlot = 26,
};
enum : int { kLexStrConcat = 20 };

// An expression has begun since the last one ended.
bool expressionOpen;

// Argument counts of the calls being read, innermost last.
std::vector<int> callArgs;

// The line the parser is on goes on into the next while an expression is
// open, a call's arguments are being read, or a statement expression is open.
void NoteContinuing() { lineContinues = expressionOpen || !callArgs.empty() || gnuBlockDepth > 0; }

void OpenExpression() {
  expressionOpen = true;
  lineContinues = true;
}

// The type of the cast being fired is a pointer.
bool castToPointer;

// A cast's type, between the '(' open and its ')', is a pointer when its
// abstract declarator has a '*' (a pointer to an object, an array or a function).
bool CastToPointer(LexToken* open) {
  int depth = 0;
  for (LexToken* t = open; t != nullptr; t = NextToken(t)) {
    if (t->type == '(') ++depth;
    if (t->type == ')' && --depth == 0) return false;
    if (t->type == '*') return true;
  }
  return false;
}

bool CheckingSource() { return notRules && !checkRules; }

// Operators are named as the rule language names them, when the trigger
// table is there to say so.
const char* OpName(int op) {
  if (op >= 0 && op <= op_while_2 && mvName[op_] != nullptr && mvName[op_][op] != nullptr)
    return mvName[op_][op];
  return nullptr;
}

bool RulesApplyOn(const SourceLine* line) { return line != nullptr && (line->flags & kLineRulesApply) != 0; }

// While an event of a token fires, that token is the parser's current token
// and its line the line that messages go to.
class AtToken {
 public:
  explicit AtToken(LexToken* t) : token_(yaccToken), prev_(yaccPrevToken), line_(thisLine) {
    if (t != nullptr && t != yaccToken) {
      yaccPrevToken = yaccToken;
      yaccToken = t;
      if (t->line != nullptr) thisLine = t->line;
    }
  }
  ~AtToken() {
    yaccToken = token_;
    yaccPrevToken = prev_;
    thisLine = line_;
  }
  AtToken(const AtToken&) = delete;
  AtToken& operator=(const AtToken&) = delete;

 private:
  LexToken* token_;
  LexToken* prev_;
  SourceLine* line_;
};

// The token before t in the chain, end-of-line and dropped tokens skipped.
LexToken* TokenBefore(const LexToken* t) {
  if (t == nullptr || t->line == nullptr) return nullptr;
  const SourceLine* from = t->line->prev != nullptr && t->line->prev->start != nullptr ? t->line->prev : t->line;
  LexToken* before = nullptr;
  for (LexToken* p = from->start; p != nullptr && p != t; p = p->next)
    if (p->type != 525 && p->type != kTokDropped) before = p;
  return before;
}

bool IsNumber(const LexToken* t) { return t != nullptr && (t->type == 303 || t->type == 304 || t->type == 306); }

// A '-' that makes a negative literal: after '=', ',', '{' or '(' and before a number.
bool NegativeLiteral(LexToken* t) {
  if (t == nullptr || !IsNumber(NextToken(t))) return false;
  const LexToken* before = TokenBefore(t);
  if (before == nullptr) return false;
  const int b = before->type;
  return b == '=' || b == ',' || b == '{' || b == '(';
}

void Mark(int32_t* table, int op) {
  if (table != nullptr) table[op] = 1;
}

bool Needed(int cls, int index) { return mvNeed[cls] != nullptr && mvNeed[cls][index] != 0; }

void AddUOpnd(int list, const char* text) { ++operandLists[list][text]; }

// The counters of operators or of operands: the line's, the expression's,
// the module's and the project's, and inside a block the statement's and
// the function's.
struct Counts {
  int lin, exp, stm, prj;
  long ModData::*mod;
  long FcnData::*fcn;
};
constexpr Counts kOperatorCounts{kLinOperators, kExpOperators, kStmOperators, kPrjOperators, &ModData::operators,
                                 &FcnData::operators};
constexpr Counts kOperandCounts{kLinOperands, kExpOperands, kStmOperands, kPrjOperands, &ModData::operands,
                                &FcnData::operands};

void CountOne(const Counts& c, bool inBlock) {
  if (lin_needed) mvValue[lin_][c.lin] += 1;
  mvValue[exp_][c.exp] += 1;
  ++(modData.*c.mod);
  mvValue[prj_][c.prj] += 1;
  if (inBlock) {
    mvValue[stm_][c.stm] += 1;
    ++(fcnData.*c.fcn);
  }
}

// The kind and precedence group of an operator (class 8), for counted operators.
void SetOperatorKind(int op) {
  if (op <= op_xor_assign) {
    SetMVBoolean(opk_, kOpLow);
    SetMVBoolean(opk_, kOpInfix);
    return;
  }
  if (op <= op_subt) {
    SetMVBoolean(opk_, kOpMedium);
    SetMVBoolean(opk_, op == op_cast ? kOpPrefix : kOpInfix);
    if (op == op_cast && castToPointer) SetMVBoolean(opk_, kOpCastToPtr);
    return;
  }
  SetMVBoolean(opk_, kOpHigh);
  switch (op) {
    case op_address: case op_bit_not: case op_indirect: case op_log_not: case op_negate: case op_plus:
    case op_pre_decr: case op_pre_incr:
      SetMVBoolean(opk_, kOpPrefix);
      SetMVBoolean(opk_, kOpHighPrefix);
      break;
    case op_arrow: case op_member: case op_memptr: case op_memsel:
      SetMVBoolean(opk_, kOpInfix);
      SetMVBoolean(opk_, kOpHighInfix);
      break;
    case op_call: case op_post_decr: case op_post_incr: case op_subscript:
      SetMVBoolean(opk_, kOpPostfix);
      SetMVBoolean(opk_, kOpHighPostfix);
      break;
    case op_delete: case op_new: case op_sizeof:
      SetMVBoolean(opk_, kOpKeyword);
      SetMVBoolean(opk_, kOpPrefix);
      SetMVBoolean(opk_, kOpHighPrefix);
      break;
    default:
      break;
  }
}

// The operator event of checked source: attributes, counts, and the firing
// of the operator's own variable and then of its attributes.
void OperatorEvent(int op, LexToken* t, int operands) {
  if (t == nullptr) t = yaccToken;
  if (t == nullptr || op < 0 || op > op_while_2) return;
  const bool counted = OperatorCounted((t->flags & kTokFromMacro) != 0);
  const bool inBlock = BlockLevel() > 0;
  // An operator ends the declarator part of a declaration (what follows an
  // initializer's '=' is an expression), and so does the '}' of a block.
  if (op >= op_cond || (op == op_close_brace && inBlock && DeclState() != kDStateMember)) ClearInDeclaration();
  const bool inDeclaration = InDeclaration();
  AtToken at(t);
  bool executable = true;
  if (op <= op_separator) {
    executable = false;
    if (counted) SetMVBoolean(opk_, kOpPunct);
    if (op == op_open_funargs) ++inFcnArgList;
    if (op == op_close_funargs && inFcnArgList > 0) --inFcnArgList;
  } else if (op <= op_subscript) {
    OpenExpression();
    switch (op) {
      case op_cast: case op_address: case op_plus: case op_sizeof:
        executable = false;
        break;
      case op_init:
        hasArith = false;
        break;
      case op_negate:
        hasArith = true;
        if (NegativeLiteral(t)) executable = hasArith = false;
        break;
      default:
        hasArith = true;
        break;
    }
    if (executable) recentOp = op;
    if (counted) {
      switch (op) {
        case op_equal: case op_less: case op_less_eq: case op_log_and: case op_log_or: case op_more:
        case op_more_eq: case op_not_eq:
          mvValue[stm_][kStmRelation] += 1;
          break;
        case op_bit_and: case op_bit_or: case op_bit_xor: case op_bit_not: case op_and_assign:
        case op_or_assign: case op_xor_assign:
          SetMVBoolean(opk_, kOpBitwise);
          break;
        default:
          break;
      }
      SetOperatorKind(op);
    }
    if ((t->flags & kTokCounted) != 0) {
      if (op >= op_add_assign && op <= op_xor_assign) mvValue[stm_][kStmCpAssign] += 1;
      if (op == op_cond) {
        ++fcnData.decisions;
        ++modData.decisions;
        mvValue[prj_][kPrjDecisions] += 1;
      }
    }
  }
  if ((t->flags & kTokCounted) != 0) {
    if (op >= op_cond && op <= op_subscript) {
      CountOne(kOperatorCounts, inBlock);
      Mark(fcnUOptr, op);
      Mark(modUOptr, op);
      Mark(prjUOptr, op);
    }
    if (inBlock && !inDeclaration) {
      SetMVBoolean(opk_, kOpHalstead);
      ++fcnData.hOperators;
      ++modData.hOperators;
      mvValue[prj_][kPrjHOperators] += 1;
      Mark(fcnUHoptr, op);
      Mark(modUHoptr, op);
      Mark(prjUHoptr, op);
    }
  }
  if (!counted) return;
  if (operands != 0) SetMVInteger(opk_, kOpOperands, operands);
  if (inDeclaration) {
    SetMVBoolean(opk_, kOpDeclarator);
  } else if (executable && op < op_break) {
    SetMVBoolean(opk_, kOpExecutable);
    if (yaccLine != nullptr) yaccLine->flags |= kLineExecutable;
  } else if (executable && yaccLine != nullptr) {
    yaccLine->flags |= kLineExecutable;
  }
  if ((t->flags & kTokWhiteBefore) != 0) SetMVBoolean(opk_, kOpWhiteBefore);
  if ((t->flags & kTokWhiteAfter) != 0) SetMVBoolean(opk_, kOpWhiteAfter);
  if ((t->flags & kTokBlankBefore) != 0) SetMVBoolean(opk_, kOpSpaceBefore);
  if ((t->flags & kTokBlankAfter) != 0) SetMVBoolean(opk_, kOpSpaceAfter);
  if (RulesApplyOn(t->line)) {
    Do1Rule(op_, op, 1, false);
    DoRules(opk_);
  } else {
    ZeroVars(opk_);
  }
  mvValue[op_][op] = 0;
}

// The end of a full expression, where there may be none.
void EndFullExpression() {
  if (expressionOpen) {
    EndExpression();
  } else {
    ZeroVars(exp_);
    NoteContinuing();
  }
}

// Fires the identifier class where the parser's line has rules applied.
void FireIdentifier() {
  if (RulesApplyOn(thisLine))
    DoRules(idn_);
  else
    ZeroVars(idn_);
}

// No prototype is in scope for a function level without a typed parameter list.
bool WithoutPrototype(const Modifier* function) {
  return function->prototype == nullptr || function->prototype->kind == 0 || function->prototype->kind == 2;
}

// The identifier event of checked source: what the name was found to be.
void IdentifierEvent(int kind, LexToken* t) {
  AtToken at(t);
  OpenExpression();
  const Declarator* d = t != nullptr ? t->declaration : nullptr;
  if (d == nullptr) {
    SetMVBoolean(idn_, kIdnNotDeclared);
    if (kind == 1) {
      SetMVBoolean(idn_, kIdnFunction);
      SetMVBoolean(idn_, kIdnNoPrototype);
    } else {
      SetMVBoolean(idn_, kIdnVariable);
    }
    FireIdentifier();
    return;
  }
  const Type* type = d->type;
  if (CheckSet(t->declaration, t, inFcnArgList > 0)) SetMVBoolean(idn_, kIdnNoInit);
  SetMVInteger(idn_, kIdnLine, d->line);
  if (type != nullptr && Needed(idn_, kIdnBase)) SetMVInteger(idn_, kIdnBase, type->Base());
  if (type != nullptr && Needed(idn_, kIdnStorageFlags)) SetMVInteger(idn_, kIdnStorageFlags, type->Storage());
  SetMVInteger(idn_, kIdnLevels, LevelCount(type));
  if (d->Is(kDclLocal)) SetMVBoolean(idn_, kIdnLocal);
  if (d->Is(kDclGlobal)) SetMVBoolean(idn_, kIdnGlobal);
  if (d->owner != nullptr) SetMVBoolean(idn_, kIdnMember);
  if (d->Is(kDclParameter)) SetMVBoolean(idn_, kIdnParameter);
  if (kind == 1) {
    const Modifier* first = type != nullptr ? type->levels : nullptr;
    if (first != nullptr && first->kind == kModFunction) {
      SetMVBoolean(idn_, kIdnFunction);
      if (WithoutPrototype(first)) SetMVBoolean(idn_, kIdnNoPrototype);
    } else if (first != nullptr && (first->kind == kModPointer || first->kind == kModReference) &&
               first->next != nullptr && first->next->kind == kModFunction) {
      SetMVBoolean(idn_, kIdnVariable);
      if (WithoutPrototype(first->next)) SetMVBoolean(idn_, kIdnNoPrototype);
    } else if (!CPPKeys) {
      Advise(0, "Variable used as a function.");
    }
  } else {
    SetMVBoolean(idn_, kIdnVariable);
  }
  FireIdentifier();
}

}  // namespace

void InitExpressions() {
  hasArith = false;
  recentOp = 0;
  inFcnArgList = 0;
  expressionOpen = false;
  callArgs.clear();
  lineContinues = false;
  concatLength = 0;
  concatenated = false;
  for (int list = kFcnUOperands; list < kPrjUOperands; ++list) operandLists[list].clear();
}

void ClearProjectOperands() {
  operandLists[kPrjUOperands].clear();
  operandLists[kPrjUHOperands].clear();
}

void AddOpnd(const char* text) {
  if (text == nullptr) text = "";
  const bool inBlock = BlockLevel() > 0;
  const bool halstead = inBlock && !InDeclaration();
  CountOne(kOperandCounts, inBlock);
  if (inBlock && Needed(fcn_, kFcnUOperandsSlot)) AddUOpnd(kFcnUOperands, text);
  if (halstead) {
    ++fcnData.hOperands;
    ++modData.hOperands;
    mvValue[prj_][kPrjHOperands] += 1;
    if (Needed(fcn_, kFcnUHOperandsSlot)) AddUOpnd(kFcnUHOperands, text);
    if (Needed(mod_, kModUHOperandsSlot)) AddUOpnd(kModUHOperands, text);
    if (Needed(prj_, kPrjUHOperandsSlot)) AddUOpnd(kPrjUHOperands, text);
  }
  if (Needed(mod_, kModUOperandsSlot)) AddUOpnd(kModUOperands, text);
  if (Needed(prj_, kPrjUOperandsSlot)) AddUOpnd(kPrjUOperands, text);
}

void EndExpression() {
  expressionOpen = false;
  NoteContinuing();
  if (RulesApplyOn(thisLine))
    DoRules(exp_);
  else
    ZeroVars(exp_);
}


void SetOp(int op, LexToken* token, int operands) {
  // Try is refused at its keyword; the grammar has no action of its own for it.
  if (RuleCompiling() || RuleFolding()) {
    if (op == op_try) CompileNotAllowed();
    CompileSetOp(op);
  } else if (CheckingSource()) {
    OperatorEvent(op, token, operands);
    // A ';' ends the full expression before it, if there is one.
    if (op == op_semicolon) EndFullExpression();
  }
  if (actionTrace == nullptr) return;
  const char* name = OpName(op);
  char text[80];
  if (name != nullptr)
    snprintf(text, sizeof text, "SetOp(%s,%d)", name, operands);
  else
    snprintf(text, sizeof text, "SetOp(%d,%d)", op, operands);
  actionTrace->push_back(text);
}

void Compile(int op) {
  Record("Compile", static_cast<long>(op));
  if (Emitting()) Compile1(op);
}
void DeclName(LexToken* token) {
  if (RuleCompiling()) CompileDeclName(token != nullptr ? token->text : nullptr);
}

void DoIdent(int kind, LexToken* token) {
  Record("DoIdent", static_cast<long>(kind));
  if (kind == 1 && notRules && !checkRules && NeedTestsWanted()) CheckForTest(token);
  if (calculate && tCode != nullptr) {
    CompileFoldedName(kind, token != nullptr ? token->text : nullptr);
  } else if (RuleCompiling() && !notRules && token != nullptr) {
    CompileIdent(kind, token->text);
  }
  if (CheckingSource()) IdentifierEvent(kind, token);
}
void DoIntConst(int64_t value) {
  Record("DoIntConst", static_cast<long>(value));
  if (CheckingSource()) OpenExpression();
  if (Emitting()) CompileInteger(static_cast<int32_t>(value));
}
void DoEnumConst(LexToken* token) {
  Record("DoEnumConst");
  if (Emitting()) CompileInteger(token != nullptr ? static_cast<int32_t>(token->value.i) : 0);
  if (CheckingSource()) {
    AtToken at(token);
    OpenExpression();
    SetMVBoolean(idn_, kIdnConstant);
    SetMVInteger(idn_, kIdnBase, kBaseInt);
    FireIdentifier();
  }
}
void DoCharConst(int64_t value) {
  Record("DoCharConst", static_cast<long>(value));
  if (CheckingSource()) OpenExpression();
  if (Emitting()) Compile2(305, static_cast<int32_t>(value));
}
void DoFloatConst(double value) {
  if (actionTrace != nullptr) {
    char text[64];
    snprintf(text, sizeof text, "DoFloatConst(%g)", value);
    actionTrace->push_back(text);
  }
  if (CheckingSource()) OpenExpression();
  if (Emitting()) CompileFloat(value);
}
void StringPiece(LexToken* token, int more) {
  // Each further literal adds its length to that of the joined literal.
  const long length = token != nullptr ? token->length : 0;
  concatLength = more ? concatLength + length : length;
  concatenated = more != 0;
  if (!Emitting()) return;
  if (!more) stringText.clear();
  if (token != nullptr && token->text != nullptr) stringText += token->text;
}
void DoString(LexToken* token) {
  Record("DoString");
  if (CheckingSource()) OpenExpression();
  if (CheckingSource() && token == nullptr && concatenated) {
    Do1Rule(evt_, kLexStrConcat, static_cast<MVWord>(concatLength), true);
    concatLength = 0;
    concatenated = false;
  }
  if (!Emitting()) return;
  if (token != nullptr && token->text != nullptr) stringText = token->text;
  if (stringText.size() > static_cast<size_t>(kMaxTokenLength)) {
    Warning(10);
    stringText.resize(kMaxTokenLength);
  }
  CompileString(stringText.c_str());
}
void DoBooleanConst(int64_t value) {
  Record("DoBooleanConst", static_cast<long>(value));
  if (CheckingSource()) OpenExpression();
  if (Emitting()) CompileInteger(static_cast<int32_t>(value));
}
void DoNegate(LexToken* token) {
  Record("DoNegate");
  if (RuleCompiling()) CompileSetOp(op_negate);
  if (CheckingSource()) OperatorEvent(op_negate, token, 1);
  if (Emitting()) Compile1(267);
}
void CompileCast(LexToken* token) {
  Record("CompileCast");
  if (RuleCompiling() || RuleFolding()) CompileSetOp(op_cast);
  if (CheckingSource()) {
    castToPointer = CastToPointer(token);
    OperatorEvent(op_cast, token, 2);
    castToPointer = false;
  }
}
void DoFunc(int kind) {
  Record("DoFunc", static_cast<long>(kind));
  if (Emitting()) CompileFunc(kind);
  if (CheckingSource()) {
    callArgs.push_back(0);
    lineContinues = true;
    // The '(' of the call is the parser's current token.
    OperatorEvent(op_open_funargs, yaccToken, 0);
  }
}
void DoFunArg() {
  Record("DoFunArg");
  if (Emitting()) CompileFunArg();
  if (CheckingSource()) {
    if (!callArgs.empty()) ++callArgs.back();
    if (yaccLine != nullptr) yaccLine->flags |= kLineExecutable;
    EndExpression();
  }
}
void DoCall(LexToken* close) {
  Record("DoCall");
  if (Emitting()) CompileCall();
  if (CheckingSource()) {
    const int count = callArgs.empty() ? 0 : callArgs.back();
    if (!callArgs.empty()) callArgs.pop_back();
    NoteContinuing();
    // Without its token, the ')' of the call is the parser's current token,
    // or the one before the look-ahead.
    if (close == nullptr) close = yaccTokenType == ')' ? yaccToken : yaccPrevToken;
    OperatorEvent(op_close_funargs, close, 0);
    OperatorEvent(op_call, close, count);
  }
}
void BeginSizeof() { Record("BeginSizeof"); }
void DoSizeof(int ofType) {
  Record("DoSizeof", static_cast<long>(ofType));
  // The size of a type folds as 1.
  if (ofType && calculate && tCode != nullptr) CompileInteger(1);
}
void EndCondExp() { Record("EndCondExp"); }
void CPPMember(int op) { Record("CPPMember", static_cast<long>(op)); }
void BeginConstant() {
  Record("BeginConstant");
  // A constant inside a constant (an array type under sizeof) folds apart.
  if (RuleCompiling() || RuleFolding()) CompileBeginConstant();
}
void EndConstant() {
  Record("EndConstant");
  if (calculate && tCode != nullptr && checkRules) CompileEndConstant();
}
void StatementExpressionOpened() {
  ++gnuBlockDepth;
  lineContinues = true;
}
void StatementExpressionClosed() {
  if (gnuBlockDepth > 0) --gnuBlockDepth;
  NoteContinuing();
}
void EndFullExpr() {
  Record("EndFullExpr");
  if (CheckingSource()) EndFullExpression();
}
void ResetExpressions() {
  Record("ResetExpressions");
  expressionOpen = false;
  callArgs.clear();
  inFcnArgList = 0;
  // Outside every block no statement expression can be open any more.
  if (BlockLevel() == 0) gnuBlockDepth = 0;
  NoteContinuing();
}

void RecordDistinctOperands(int cls) {
  struct Counted {
    int cls, slot, list;
  };
  static constexpr Counted kCounted[] = {
      {fcn_, kFcnUOperandsSlot, kFcnUOperands}, {fcn_, kFcnUHOperandsSlot, kFcnUHOperands},
      {mod_, kModUOperandsSlot, kModUOperands}, {mod_, kModUHOperandsSlot, kModUHOperands},
      {prj_, kPrjUOperandsSlot, kPrjUOperands}, {prj_, kPrjUHOperandsSlot, kPrjUHOperands},
  };
  for (const Counted& c : kCounted) {
    if (c.cls != cls || !Needed(cls, c.slot)) continue;
    const auto count = static_cast<int32_t>(operandLists[c.list].size());
    if (cls == prj_)
      SetMVInteger(cls, c.slot, count);
    else
      SetMVIStat(cls, c.slot, count);
  }
  // What a function used is in the module's and the project's lists already.
  if (cls == fcn_) {
    operandLists[kFcnUOperands].clear();
    operandLists[kFcnUHOperands].clear();
  }
}

}  // namespace mv
