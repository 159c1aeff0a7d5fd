// The brackets around every module and every project.
#pragma once

namespace mv {

// Counters of the current module, cleared when a module begins.
struct ModData {
  long totalLines, whiteLines, commentLines, execLines, tokens, macros;
  long lowStatements, highStatements, nonExecStatements, warnings;
  long simpleObjects, members, aggregates, arrayElements;
};
extern ModData modData;
extern long prjWarnings;  // messages of the whole run

void InitModule();
void BeginProject();
void BeginModule();
void EndModule();
void EndProject();

}  // namespace mv
