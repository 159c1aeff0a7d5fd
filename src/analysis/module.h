// The brackets around every module and every project.
#pragma once

namespace mv {

// Counters of the current module, cleared when a module begins.
struct ModData {
  long totalLines, whiteLines, commentLines, execLines, tokens, macros;
  long lowStatements, highStatements, nonExecStatements, warnings;
  long simpleObjects, members, aggregates, arrayElements;
  long decisions, operators, operands, hOperators, hOperands;
};

// Counters of the current function (gathered by the front end and the
// expression and statement actions), recorded when its body ends.
struct FcnData {
  long totalLines, whiteLines, commentLines, execLines, tokens;
  long lowStatements, highStatements, nonExecStatements;
  long decisions, operators, operands, hOperators, hOperands;
};
extern FcnData fcnData;
extern ModData modData;
extern long prjWarnings;  // messages of the whole run

void InitModule();
void BeginProject();
void BeginModule();
void EndModule();
void EndProject();

}  // namespace mv
