// The state that the expression actions keep while source is checked:
// operator and operand counting, the end of a full expression, calls.
#pragma once

#include <map>
#include <string>

namespace mv {

struct LexToken;

// An arithmetic operator has been seen since the last op_init or folding
// began (an initializer or constant that computes something).
extern bool hasArith;
// The last executable operator (class 7 index), 0 before any.
extern int recentOp;
// Open argument lists of calls.
extern int inFcnArgList;

// Distinct operands: text and occurrences, in ascending byte order of the
// text. The function's lists are cleared when a function body begins, the
// module's when a module begins.
using OperandList = std::map<std::string, long>;
enum : int {
  kFcnUOperands, kFcnUHOperands, kModUOperands, kModUHOperands, kPrjUOperands, kPrjUHOperands,
  kOperandLists,
};
extern OperandList operandLists[kOperandLists];

// Start of a module: no call open, no expression open, the function's and
// the module's operand lists empty.
void InitExpressions();

// Start of a project: the project's operand lists empty.
void ClearProjectOperands();

// One operand token (identifier, constant, string, type or scope name) of
// the checked source: counted for the line, expression, statement, function,
// module and project, and entered in the distinct-operand lists that rules use.
void AddOpnd(const char* text);

// A full expression ended: the exp_ class fires when the parser's line has
// rules applied, else it is cleared.
void EndExpression();

// A statement expression ({ ... }) begins or ends: while one is open, the
// expression around it goes on, and its statements free no lines.
void StatementExpressionOpened();
void StatementExpressionClosed();

// The numbers of distinct operands of a function, module or project (cls is
// fcn_, mod_ or prj_), for the rules that use them: fcn_ and mod_ record them
// as statistics, prj_ sets them. The function's lists are emptied then.
void RecordDistinctOperands(int cls);

}  // namespace mv
