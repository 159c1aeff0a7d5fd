// The system's own diagnostics: numbered warnings and fatal errors, internal
// consistency failures and low-level (memory, line bookkeeping) failures.
#pragma once

#include <string>

namespace mv {

extern int errorCount;     // warnings reported in the run, shown or not
extern bool errorFlag;     // a fatal error was reported: no rule fires any more
extern bool showErrors;    // 0 under -J: warnings are counted but not written
extern int DisableAdvise;  // set by the rule function advise
extern std::string globalMsg;  // text of the most recent warning

// Called by Advise with the value n + 1 so that rules can react to warnings;
// the rule engine installs it, until then it is empty.
extern void (*errSyntaxHook)(int value);

void InitErrors();
const char* WarningText(int n);  // table text or null
const char* FatalText(int n);    // table text or null

void Warning(int n);
void Advise(int n, const char* text);
[[noreturn]] void Panic(int n);
[[noreturn]] void FatalError(int n, const char* text);
[[noreturn]] void UserFatal(long n, const char* text);
[[noreturn]] void FatalAux(int n, const char* report);
[[noreturn]] void AssertError(const char* expression, const char* sourceFile, unsigned sourceLine,
                              int phase);
[[noreturn]] void LowLevelError(int code);

// Phases of AssertError.
enum AssertPhase {
  kPhaseNone = 0,
  kPhaseLoop = -1,
  kPhaseOptions = 1,
  kPhaseLexical = 2,
  kPhaseRules = 3,
  kPhasePreprocessor = 4,
  kPhaseDeclaration = 6,
  kPhaseTypeName = 7,
  kPhaseScope = 8,
  kPhaseExpression = 9,
  kPhaseInit = 10,
  kPhaseSyntax = 11,
};

// Current initializer nesting (the parser keeps it); it picks the phrase of
// phases 6 and 9.
extern int initializerLevel;

// The base name of a source path, for reports that name our own files.
const char* BaseFileName(const char* path);

}  // namespace mv

// Internal consistency check: a failed condition ends the run with a report
// naming our own source file and line.
#define MV_ASSERT(cond, phase)                                                         \
  do {                                                                                 \
    if (!(cond)) ::mv::AssertError(#cond, ::mv::BaseFileName(__FILE__), __LINE__, (phase)); \
  } while (0)

// A list walk that comes back to its head is reported the same way.
#define MV_LOOP_CHECK(node, head)                                                      \
  do {                                                                                 \
    if ((node) == (head))                                                              \
      ::mv::AssertError("FOR Loop Assertion", ::mv::BaseFileName(__FILE__), __LINE__, -1); \
  } while (0)
