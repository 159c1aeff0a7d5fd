// The brackets around every module and every project.
#pragma once

#include <cstdint>
#include <initializer_list>

namespace mv {

// Counters of the current module, cleared when a module begins. The line
// reader counts lines, the token stream tokens and macros, the statement
// actions statements and decisions, the expression actions operators and
// operands, the declaration actions objects and names.
struct ModData {
  long totalLines, whiteLines, commentLines, execLines, tokens, macros;
  long lowStatements, highStatements, nonExecStatements, warnings;
  long simpleObjects, members, aggregates, arrayElements;
  long decisions, operators, operands, hOperators, hOperands;
  long functions, externs, statics, globals;
};

// Counters of the current function, cleared when its body begins and
// recorded as statistics when it ends. Its line and token counts are taken
// from the module's counters at both ends; the statement actions count its
// statements and decisions, the expression actions its operators and
// operands, the declaration actions its objects and names.
struct FcnData {
  long totalLines, whiteLines, commentLines, execLines, tokens;
  long lowStatements, highStatements, nonExecStatements;
  long decisions, operators, operands, hOperators, hOperands;
  long simpleObjects, members, aggregates, arrayElements, locals, unused, registers;
};
extern FcnData fcnData;
extern ModData modData;
extern long prjWarnings;  // messages of the whole run

// A statistic of class 13 or 14 and the case to record for it.
struct CounterCase {
  int slot;
  long value;
};
// Records each case into its statistic of the class.
void RecordCases(int cls, std::initializer_list<CounterCase> cases);
// How many operators a table of 94 operator flags marks as seen; 0 without a table.
int32_t DistinctOperators(const int32_t* table);
// Clears such a table, when there is one.
void ClearOperators(int32_t* table);

void InitModule();
void BeginProject();
void BeginModule();
void EndModule();
void EndProject();

}  // namespace mv
