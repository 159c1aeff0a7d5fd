// Statements of checked source: the stm_ trigger variables of each
// statement, kept per nesting level while a statement's body is read, the
// decision and statement counters, switch bookkeeping and the parser's nest
// level. The grammar's statement actions (actions_stmt.cpp) call these while
// source is checked; while a rule file is compiled they are not called.
#pragma once

#include <cstdint>

namespace mv {

struct LexToken;

// Statement kinds: the values of stm_kind and stm_container.
enum : int {
  kKindNone = 0, kKindIf = 1, kKindElse = 2, kKindWhile = 3, kKindDo = 4, kKindFor = 5,
  kKindSwitch = 6, kKindTry = 7, kKindCatch = 8, kKindFunction = 9, kKindBlock = 10,
  kKindSimple = 11, kKindBreak = 12, kKindContinue = 13, kKindReturn = 14, kKindGoto = 15,
  kKindDeclaration = 16, kKindEmpty = 17,
};

// Slots of the class 11 (stm_) trigger variables.
enum : int {
  kStmAggr = 0, kStmArray = 1, kStmBadLabel = 2, kStmCases = 3, kStmCatchs = 4, kStmContainer = 5,
  kStmCpBegin = 6, kStmCpAssign = 7, kStmDepth = 8, kStmEnd = 9, kStmGotoLabel = 10, kStmIsComp = 11,
  kStmIsExpr = 12, kStmIsHigh = 13, kStmIsIter = 14, kStmIsJump = 15, kStmIsLow = 16,
  kStmIsNonexec = 17, kStmIsSelect = 18, kStmKind = 19, kStmLabels = 20, kStmLines = 21,
  kStmLocals = 22, kStmLoopBack = 23, kStmMembers = 24, kStmNeedComp = 25, kStmNeverCaught = 26,
  kStmNoBreak = 27, kStmNoDefault = 28, kStmIfElse = 29, kStmOperands = 30, kStmOperators = 31,
  kStmRelation = 32, kStmReturnParen = 33, kStmReturnVoid = 34, kStmSemicolon = 35,
  kStmSimple = 36, kStmSwitchCases = 37, kStmTokens = 38, kStmEndTryblock = 39, kStmUnused = 40,
};

// Start of a module: no statement is open, the stm_ levels are gone.
void InitStatements();

// A statement of the given kind begins at the current level (if, while, do,
// switch, a jump, return).
void BeginStatement(int kind);
// The kind of the statement being built changes (else, for).
void SetStatementKind(int kind);
// The body of the control statement being built begins (after its
// controlling expression) / has ended; keywordFollows: the current token is
// the keyword after the body (the while of a do statement).
void BeginBody();
void EndBody(bool keywordFollows);
// The kind of the statement being built at the current level.
int StatementKind();

// Control statements' own bookkeeping.
void CountDecision();          // an if, a case label, the end of a loop
void SwitchBodyStarts();       // DoSwitch
void SwitchEnds();             // EndSwitch, before the body's level is closed
void SwitchLabel(bool isDefault);
void JumpInSwitch();           // break, continue, goto, return: the case does not fall through
// A label (its first token): stm_labels or stm_cases, and a line that
// begins with it stands one nest level out.
void LabelOnLine(bool named, LexToken* label);
void EmptyStatementSeen();

// What a block declared, for the stm_ values of the statement it belongs to.
struct BlockCounts {
  long simple, aggregates, arrayElements, locals, members;
};

// A '{' opens a block / its '}' closes it. A function body's own events are
// run by the caller (functions.cpp) around these.
void OpenStatementBlock(bool functionBody);
void CloseStatementBlock(bool functionBody, const BlockCounts& counts);
// A statement expression: its block is read in a level of its own.
void OpenExpressionLevel();
void CloseExpressionLevel();

// End of a statement (EndStmt): 0 declaration, 1 simple, 2 control,
// -1 not counted. Fires the stm_ class when the line's rules apply.
void EndStatement(int kind);

}  // namespace mv
