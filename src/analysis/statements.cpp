// Statements of checked source. Every statement keeps its stm_ values in the
// value level that is current when it begins; the body of a control
// statement, and the contents of a block, get a level of their own, so that
// the statements inside fire and clear theirs without touching the values of
// the statement around them. A statement fires once, at its end.
#include "analysis/statements.h"

#include <vector>

#include "analysis/actions.h"
#include "analysis/module.h"
#include "frontend/lex2.h"
#include "frontend/line.h"
#include "rules/interp.h"
#include "rules/mvvars.h"

namespace mv {

namespace {

constexpr int kKeywordIf = 332;
constexpr int kLinHasLabel = 7;
constexpr int kPrjDecisions = 5, kPrjHigh = 13, kPrjLow = 14, kPrjNonexec = 18;
// Levels beyond this many are not pushed: only a nesting broken by error
// recovery gets there, and it must not end the run.
constexpr int kMaxLevels = 250;

enum class LevelKind { kBody, kBlock, kFreeBlock, kExpression };

struct Level {
  LevelKind kind;
  int savedType, savedContainer;  // of the level it was opened from
  bool deeper;                    // the statement depth was raised
  bool pushed;                    // a value level was pushed
};

// The body of a control statement.
struct Body {
  bool block;       // a compound statement, which opens the level itself
  bool nestRaised;  // the nest level was raised for it
};

struct Switch {
  bool hasDefault = false;
  bool labelSeen = false;        // a case or default label since the switch began
  bool statementsSince = false;  // statements ended since the last label
  bool jumpSince = false;        // break, continue, goto or return since the last label
  int32_t cases = 0;
};

int statementType;  // the kind of the statement being built at the current level
int containerType;  // the kind of the statement around it
int stmDepth;       // enclosing control statements
std::vector<Level> levels;
std::vector<Body> bodies;
std::vector<Switch> switches;
int pendingBodyKind;  // not 0: the next '{' is the body of a statement of this kind
bool emptyStmt;
// The line on which an empty statement is the whole body of an if, while or for.
bool lookValid;
uint32_t lookForEmpty;
uint16_t lookForEmptyFile;
// The last line whose nest level a label lowered.
const SourceLine* labelLine;
uint32_t labelLineNumber;

bool RulesApplyHere() { return thisLine == nullptr || (thisLine->flags & kLineRulesApply) != 0; }

void RaiseNest() { ++yaccNestLevel; }
void LowerNest() {
  if (yaccNestLevel > 0) --yaccNestLevel;
}

// When the current token begins its line, the line takes the nest level as
// it is now (a closing brace, the while of a do statement).
void RelevelLine() {
  LexToken* t = yaccToken;
  if (t != nullptr && t->line != nullptr && t->line->start == t) t->line->nestLevel = yaccNestLevel;
}

void SetLevelValues() {
  SetMVInteger(stm_, kStmContainer, containerType);
  SetMVInteger(stm_, kStmDepth, stmDepth);
}

void PushLevel(LevelKind kind, int container, bool deeper) {
  const Level level{kind, statementType, containerType, deeper, valStackIndex[stm_] < kMaxLevels};
  if (level.pushed) PushMVValues(stm_);
  levels.push_back(level);
  if (deeper) ++stmDepth;
  containerType = container;
  statementType = kKindNone;
  SetLevelValues();
}

Level PopLevel() {
  const Level level = levels.back();
  levels.pop_back();
  if (level.pushed) PopMVValues(stm_);
  if (level.deeper) --stmDepth;
  statementType = level.savedType;
  containerType = level.savedContainer;
  return level;
}

void SetKind(int kind) {
  statementType = kind;
  SetMVInteger(stm_, kStmKind, kind);
}

// Fires the statement's values. When the parser has already moved past the
// statement (its current token is neither the '}' nor the ';' that ended
// it), the previous token and its line stand as current meanwhile, so that
// positions and messages fall on the statement's last line.
void FireStatement() {
  LexToken* const savedToken = yaccToken;
  SourceLine* const savedThis = thisLine;
  SourceLine* const savedYacc = yaccLine;
  if (yaccToken != nullptr && yaccTokenType != '}' && yaccTokenType != ';' && yaccPrevToken != nullptr &&
      yaccPrevToken->line != nullptr) {
    yaccToken = yaccPrevToken;
    thisLine = yaccLine = yaccPrevToken->line;
  }
  SetMVBoolean(stm_, kStmEnd);
  if (RulesApplyHere())
    DoRules(stm_);
  else
    ZeroVars(stm_);
  yaccToken = savedToken;
  thisLine = savedThis;
  yaccLine = savedYacc;
}

}  // namespace

void InitStatements() {
  while (valStackIndex[stm_] > 0) PopMVValues(stm_);
  ZeroVars(stm_);
  levels.clear();
  bodies.clear();
  switches.clear();
  statementType = containerType = stmDepth = 0;
  pendingBodyKind = 0;
  emptyStmt = lookValid = false;
  labelLine = nullptr;
}

void BeginStatement(int kind) {
  SetKind(kind);
  switch (kind) {
    case kKindIf:
    case kKindSwitch: SetMVBoolean(stm_, kStmIsSelect); break;
    case kKindWhile:
    case kKindDo:
    case kKindFor: SetMVBoolean(stm_, kStmIsIter); break;
    case kKindBreak:
    case kKindContinue:
    case kKindGoto: SetMVBoolean(stm_, kStmIsJump); break;
    default: break;
  }
}

void SetStatementKind(int kind) { SetKind(kind); }

int StatementKind() { return statementType; }

void BeginBody() {
  const int kind = statementType;
  const int next = PeekYaccType("statement body", nullptr);
  const bool block = next == '{';
  // An else whose body is an if continues a chain: neither that if's
  // nesting nor its missing braces count.
  const bool elseIf = kind == kKindElse && next == kKeywordIf;
  if ((kind == kKindIf || kind == kKindWhile || kind == kKindFor) && yaccToken != nullptr &&
      yaccToken->line != nullptr) {
    lookValid = true;
    lookForEmpty = yaccToken->line->number;
    lookForEmptyFile = yaccToken->line->fileIndex;
  }
  Body body{block, false};
  if (block) {
    SetMVInteger(stm_, kStmIsComp, kind);
    pendingBodyKind = kind;
  } else {
    if (kind != kKindSwitch && !elseIf) SetMVBoolean(stm_, kStmNeedComp);
    if (!elseIf) {
      RaiseNest();
      body.nestRaised = true;
    }
    PushLevel(LevelKind::kBody, kind, !elseIf);
  }
  bodies.push_back(body);
}

void EndBody(bool keywordFollows) {
  if (bodies.empty()) return;
  const Body body = bodies.back();
  bodies.pop_back();
  if (!body.block && !levels.empty() && levels.back().kind == LevelKind::kBody) PopLevel();
  if (body.nestRaised) LowerNest();
  if (keywordFollows) RelevelLine();
}

void CountDecision() {
  ++fcnData.decisions;
  ++modData.decisions;
  mvValue[prj_][kPrjDecisions] += 1;
}

void SwitchBodyStarts() { switches.emplace_back(); }

void SwitchEnds() {
  if (switches.empty()) return;
  const Switch s = switches.back();
  switches.pop_back();
  if (s.cases != 0) SetMVInteger(stm_, kStmSwitchCases, s.cases);
  if (!s.hasDefault) SetMVBoolean(stm_, kStmNoDefault);
}

void SwitchLabel(bool isDefault) {
  if (switches.empty()) return;
  Switch& s = switches.back();
  // Statements of the previous case ran into this label.
  if (s.labelSeen && s.statementsSince && !s.jumpSince) Do1Rule(stm_, kStmNoBreak, 1, true);
  s.labelSeen = true;
  s.statementsSince = s.jumpSince = false;
  ++s.cases;
  if (isDefault) s.hasDefault = true;
}

void JumpInSwitch() {
  if (!switches.empty()) switches.back().jumpSince = true;
}

void LabelOnLine(bool named, LexToken* label) {
  SetMVInteger(stm_, kStmDepth, stmDepth);
  if (named) {
    MVIncrement(stm_, kStmLabels);
    if (lin_needed) SetMVBoolean(lin_, kLinHasLabel);
  } else {
    MVIncrement(stm_, kStmCases);
  }
  // A line that begins with a label stands one nest level out, once.
  if (label == nullptr || label->line == nullptr || label->line->start != label) return;
  SourceLine* line = label->line;
  if (line == labelLine && line->number == labelLineNumber) return;
  labelLine = line;
  labelLineNumber = line->number;
  if (line->nestLevel > 0) --line->nestLevel;
}

void EmptyStatementSeen() { emptyStmt = true; }

void EndStatement(int kind) {
  if (emptyStmt) {
    emptyStmt = false;
    const LexToken* t = yaccToken;
    if (lookValid && t != nullptr && t->line != nullptr && t->line->number == lookForEmpty &&
        t->line->fileIndex == lookForEmptyFile && (t->flags & kTokFromMacro) == 0)
      SetMVBoolean(stm_, kStmSemicolon);
    SetKind(kKindEmpty);
  }
  lookValid = false;
  switch (kind) {
    case 0:
      ++fcnData.nonExecStatements;
      ++modData.nonExecStatements;
      mvValue[prj_][kPrjNonexec] += 1;
      if (mvValue[stm_][kStmIsLow] == 0) SetMVBoolean(stm_, kStmIsNonexec);
      SetKind(kKindDeclaration);
      break;
    case 1:
      ++fcnData.lowStatements;
      ++modData.lowStatements;
      mvValue[prj_][kPrjLow] += 1;
      SetMVBoolean(stm_, kStmIsLow);
      if (statementType == kKindNone) SetKind(kKindSimple);
      break;
    case 2:
      ++fcnData.highStatements;
      ++modData.highStatements;
      mvValue[prj_][kPrjHigh] += 1;
      SetMVBoolean(stm_, kStmIsHigh);
      break;
    default: break;
  }
  if (!switches.empty()) switches.back().statementsSince = true;
  FireStatement();
  statementType = kKindNone;
  SetLevelValues();
}

void OpenStatementBlock(bool functionBody) {
  int kind = kKindBlock;
  LevelKind levelKind = LevelKind::kFreeBlock;
  bool deeper = false;
  if (functionBody) {
    kind = kKindFunction;
    levelKind = LevelKind::kBlock;
  } else if (pendingBodyKind != 0) {
    kind = pendingBodyKind;
    levelKind = LevelKind::kBlock;
    deeper = true;
  }
  pendingBodyKind = 0;
  if (levelKind != LevelKind::kBlock || functionBody) {
    SetKind(kind);
    SetMVInteger(stm_, kStmIsComp, kind);
  }
  // The body's statement counts its lines from its '{' on; the line of the
  // '}' is still open when the body ends.
  if (functionBody) SetMVInteger(stm_, kStmLines, 1);
  Do1Rule(stm_, kStmCpBegin, kind, true);
  RaiseNest();
  PushLevel(levelKind, kind, deeper);
}

void CloseStatementBlock(bool functionBody, const BlockCounts& counts) {
  LowerNest();
  RelevelLine();
  bool freeBlock = false;
  if (functionBody) {
    // Whatever error recovery left open inside the body goes with it.
    while (!levels.empty()) PopLevel();
    bodies.clear();
    switches.clear();
    stmDepth = 0;
    pendingBodyKind = 0;
  } else {
    // Levels left open inside the block by error recovery go first.
    while (!levels.empty() && levels.back().kind != LevelKind::kBlock &&
           levels.back().kind != LevelKind::kFreeBlock)
      PopLevel();
    if (levels.empty()) return;
    freeBlock = PopLevel().kind == LevelKind::kFreeBlock;
  }
  // The statement the block belongs to is current again.
  const struct {
    int slot;
    long value;
  } values[] = {{kStmSimple, counts.simple},       {kStmAggr, counts.aggregates}, {kStmArray, counts.arrayElements},
                {kStmLocals, counts.locals},       {kStmMembers, counts.members}};
  for (const auto& v : values)
    if (v.value != 0) SetMVInteger(stm_, v.slot, static_cast<int32_t>(v.value));
  if (freeBlock) EndStatement(kEndUncounted);
}

void OpenExpressionLevel() { PushLevel(LevelKind::kExpression, containerType, false); }

void CloseExpressionLevel() {
  while (!levels.empty())
    if (PopLevel().kind == LevelKind::kExpression) break;
}

}  // namespace mv
