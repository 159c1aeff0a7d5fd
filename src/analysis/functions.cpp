// Function bodies of checked source. A function's lines and tokens are the
// module's counts between the '{' of its body and its '}', both included:
// the counters are taken when the body begins and again when it ends, plus
// the line of the '}', which the parser has not closed yet at that point.
#include "analysis/functions.h"

#include <cstdio>
#include <string>

#include "analysis/actions.h"
#include "analysis/classes.h"
#include "analysis/declare.h"
#include "analysis/expressions.h"
#include "analysis/module.h"
#include "analysis/statements.h"
#include "analysis/symbols.h"
#include "driver/options.h"
#include "frontend/lex2.h"
#include "frontend/line.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "support/mverror.h"

namespace mv {

namespace {

// Slots of the class 13 (fcn_) variables.
enum : int {
  kFcnAggr = 0, kFcnArray = 1, kFcnBegin = 2, kFcnComLines = 3, kFcnDecisions = 4, kFcnEnd = 5,
  kFcnExecLines = 6, kFcnHOperands = 7, kFcnHOperators = 8, kFcnHigh = 9, kFcnLocals = 10,
  kFcnLow = 11, kFcnMembers = 12, kFcnNoHeader = 13, kFcnNonexec = 14, kFcnOperands = 15, kFcnOperators = 16,
  kFcnRegister = 17, kFcnSimple = 18, kFcnTokens = 19, kFcnTotalLines = 20, kFcnUOperators = 22,
  kFcnUHOperators = 24, kFcnUnused = 25, kFcnWhiteLines = 26,
};

ModData atStart;     // the module's counters when the body began
bool returnsValue;   // a return with a value was seen in the function
bool fcnHeader;      // a comment line outside blocks came since the last declaration
// The line of the '}' that ended the last function body.
const SourceLine* bodyEndLine;
uint32_t bodyEndNumber;

// -1: the function's return type is not known; 0: it returns nothing
// (void, a constructor or a destructor, or a typedef name for void);
// 1: it returns a value.
int ReturnKind() {
  const Declarator* f = currFcnDef;
  if (f == nullptr || f->type == nullptr || f->type->levels == nullptr) return -1;
  const Modifier* function = f->type->levels;
  if (function->kind != kModFunction) return -1;
  if (function->next != nullptr) return 1;
  const Type* t = f->type;
  // A typedef name stands for its own type, levels included.
  for (int guard = 0; t->Base() == kBaseTypedef && !t->TargetIsTag() && t->target != nullptr && guard < 64;
       ++guard) {
    t = static_cast<const Type*>(t->target);
    if (t->levels != nullptr) return 1;
  }
  const int base = t->Base();
  return base == kBaseVoid || base == kBaseConstructor || base == kBaseDestructor ? 0 : 1;
}

// The function body's own block, which keeps the labels.
Block* BodyBlock() {
  Block* b = topBlock;
  while (b != nullptr && b->parent != nullptr) b = b->parent;
  return b != nullptr && b->level == 1 ? b : nullptr;
}

// Parameters are locals of the function; register ones count apart.
void CountParameters() {
  const Block* body = BodyBlock();
  if (body == nullptr) return;
  for (const Declarator* d = body->declarators; d != nullptr; d = d->next) {
    if (!d->Is(kDclParameter)) continue;
    ++fcnData.locals;
    if (d->type != nullptr && d->type->Storage() == kStorRegister) ++fcnData.registers;
  }
}

void StartFunction() {
  if (showProgress && currFcnDef != nullptr) {
    if (currFcnDef->owner != nullptr) fprintf(stderr, "%s::", currFcnDef->owner->name.c_str());
    fprintf(stderr, "%s\n", currFcnDef->name.c_str());
  }
  fcnData = FcnData{};
  atStart = modData;
  // The '{' has been counted already; it belongs to the function.
  if (yaccToken != nullptr && (yaccToken->flags & kTokCounted) != 0) --atStart.tokens;
  returnsValue = false;
  CountParameters();
  ClearOperators(fcnUOptr);
  ClearOperators(fcnUHoptr);
  // The body's '{' ends the header: its names are no operands of the body's
  // first expression.
  ZeroVars(exp_);
  // A header comment serves the one function it stands before.
  if (!fcnHeader) Do1Rule(fcn_, kFcnNoHeader, 1, true);
  fcnHeader = false;
  Do1Rule(fcn_, kFcnBegin, 1, true);
}

// The function's line and token counts, from the module's.
void TakeFunctionCounts() {
  fcnData.totalLines = modData.totalLines - atStart.totalLines;
  fcnData.whiteLines = modData.whiteLines - atStart.whiteLines;
  fcnData.commentLines = modData.commentLines - atStart.commentLines;
  fcnData.execLines = modData.execLines - atStart.execLines;
  fcnData.tokens = modData.tokens - atStart.tokens;
  // The line of the '}' is still open: it holds code, so it is neither
  // white nor a comment line.
  const SourceLine* line = yaccToken != nullptr ? yaccToken->line : nullptr;
  if (line != nullptr && (line->flags & kLineClosed) == 0 && (line->depth == 0 || countHeaders)) {
    ++fcnData.totalLines;
    if ((line->flags & (kLineExecutable | kLineSuppressed)) == kLineExecutable) ++fcnData.execLines;
  }
}

void RecordFunctionStatistics() {
  RecordCases(fcn_, {
      {kFcnAggr, fcnData.aggregates},      {kFcnArray, fcnData.arrayElements},
      {kFcnComLines, fcnData.commentLines}, {kFcnDecisions, fcnData.decisions},
      {kFcnExecLines, fcnData.execLines},   {kFcnHOperands, fcnData.hOperands},
      {kFcnHOperators, fcnData.hOperators}, {kFcnHigh, fcnData.highStatements},
      {kFcnLocals, fcnData.locals},         {kFcnLow, fcnData.lowStatements},
      {kFcnMembers, fcnData.members},       {kFcnNonexec, fcnData.nonExecStatements},
      {kFcnOperands, fcnData.operands},     {kFcnOperators, fcnData.operators},
      {kFcnSimple, fcnData.simpleObjects},  {kFcnTokens, fcnData.tokens},
      {kFcnTotalLines, fcnData.totalLines}, {kFcnUnused, fcnData.unused},
      {kFcnWhiteLines, fcnData.whiteLines},
  });
  if (fcnUOptr != nullptr) SetMVIStat(fcn_, kFcnUOperators, DistinctOperators(fcnUOptr));
  if (fcnUHoptr != nullptr) SetMVIStat(fcn_, kFcnUHOperators, DistinctOperators(fcnUHoptr));
  RecordDistinctOperands(fcn_);
  if (fcnData.registers != 0) SetMVInteger(fcn_, kFcnRegister, static_cast<int32_t>(fcnData.registers));
}

void EndFunction() {
  ++modData.functions;
  TakeFunctionCounts();
  RecordFunctionStatistics();
  // A function that returns a value and never returned one.
  if (ReturnKind() == 1 && !returnsValue) SetMVBoolean(stm_, kStmReturnVoid);
  EndStatement(kEndUncounted);
  SetMVBoolean(fcn_, kFcnEnd);
  if (thisLine == nullptr || (thisLine->flags & kLineRulesApply) != 0)
    DoRules(fcn_);
  else
    ZeroVars(fcn_);
  // A member function defined outside its class leaves the class's scope.
  if (!InClassBody()) SetFunctionClass(nullptr);
  bodyEndLine = yaccToken != nullptr ? yaccToken->line : nullptr;
  bodyEndNumber = bodyEndLine != nullptr ? bodyEndLine->number : 0;
}

}  // namespace

void InitFunctions() {
  fcnData = FcnData{};
  returnsValue = false;
  fcnHeader = false;
  bodyEndLine = nullptr;
}

void BlockOpened() {
  OpenBlock();
  const bool body = BlockLevel() == 1;
  if (body) StartFunction();
  SetOp(op_open_brace, yaccToken, 0);
  OpenStatementBlock(body);
}

void BlockClosed() {
  const bool body = BlockLevel() == 1;
  // The block's objects that were never used; the rules can name them while
  // the block is still open.
  if (const int unused = UnusedInBlock(); unused != 0) {
    fcnData.unused += unused;
    if (thisLine == nullptr || (thisLine->flags & kLineRulesApply) != 0) Do1Rule(stm_, kStmUnused, unused, true);
  }
  BlockCounts counts{};
  if (const Block* b = topBlock; b != nullptr) {
    counts = BlockCounts{b->simple, b->aggregates, b->arrayElements, b->locals, b->members};
    fcnData.simpleObjects += b->simple;
    fcnData.aggregates += b->aggregates;
    fcnData.arrayElements += b->arrayElements;
    fcnData.locals += b->locals;
  }
  CloseStatementBlock(body, counts);
  if (body) EndFunction();
  CloseBlock();
}

void ReturnBegins() {
  BeginStatement(kKindReturn);
  JumpInSwitch();
  const int next = PeekYaccType("return", nullptr);
  if (next != ';' && next != '(') SetMVBoolean(stm_, kStmReturnParen);
}

void ReturnEnds(bool hasValue) {
  if (hasValue) returnsValue = true;
  const int kind = ReturnKind();
  if ((kind == 0 && hasValue) || (kind == 1 && !hasValue)) SetMVBoolean(stm_, kStmReturnVoid);
}

void LabelDefined(const char* name) {
  // A label in a nested block that has initialised locals: a goto to it
  // would skip their initialisation.
  if (topBlock != nullptr && topBlock->level >= 2 && topBlock->initialisedLocals) SetMVBoolean(stm_, kStmGotoLabel);
  Block* body = BodyBlock();
  if (body == nullptr) {
    Warning(24);
    return;
  }
  if (name != nullptr) body->labels.emplace_back(name);
}

void GotoTarget(const char* name) {
  const Block* body = BodyBlock();
  if (name == nullptr || body == nullptr) return;
  for (const std::string& label : body->labels)
    if (label == name) {
      SetMVBoolean(stm_, kStmLoopBack);
      return;
    }
}

void HeaderCommentLine() {
  if (topBlock == nullptr) fcnHeader = true;
}

void ForgetHeaderComment() { fcnHeader = false; }

bool LineWithinFunction(const SourceLine* line) {
  if (topBlock != nullptr || InFunctionHeader()) return true;
  return line != nullptr && line == bodyEndLine && line->number == bodyEndNumber;
}

}  // namespace mv
