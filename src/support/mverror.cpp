#include "support/mverror.h"

#include <cstdio>
#include <cstring>

#include "driver/options.h"
#include "driver/run.h"
#include "frontend/files.h"
#include "frontend/line.h"
#include "rules/mvvars.h"
#include "support/public.h"

namespace mv {

int errorCount;
bool errorFlag;
bool showErrors = true;
int DisableAdvise;
std::string globalMsg;
void (*errSyntaxHook)(int value);
int initializerLevel;

namespace {

const char* warnTable[54];
const char* fatalTable[60];

// Position of a report on the current line: the trigger position rules.
int CurrentColumn() { return CurrentPosition(); }

}  // namespace

void InitErrors() {
  errorCount = 0;
  errorFlag = false;
  showErrors = true;
  DisableAdvise = 0;
  globalMsg.clear();
  errSyntaxHook = nullptr;
  initializerLevel = 0;
  for (auto& w : warnTable) w = nullptr;
  for (auto& f : fatalTable) f = nullptr;

  warnTable[1] = "Too few macro arguments.";
  warnTable[2] = "Invalid call to set_str_option.";
  warnTable[3] = "Too many macro arguments.";
  warnTable[6] = "Previous semicolon missing?";
  warnTable[7] = "Missing right parenthesis.";
  warnTable[10] = "String buffer overflow.";
  warnTable[13] = "Illegal or repeated typedef.";
  warnTable[14] = "Error in member declaration.";
  warnTable[17] = "ANSI C prohibits type specifiers with typedef names.";
  warnTable[18] = "End-of-line found in a literal string or char.";
  warnTable[19] = "Rule triggers cannot have else-clauses.";
  warnTable[20] = "Error in declaration.";
  warnTable[21] = "Preprocessor float truncated to long integer.";
  warnTable[24] = "Labels must be within function definitions.";
  warnTable[26] = "This function ought to be in the rule trigger.";
  warnTable[27] = "This function has not yet been implemented.";
  warnTable[31] = "This statement must go inside a rule.";
  warnTable[32] = "Nested comment.";
  warnTable[33] = "This trigger may describe an ill-defined event.";
  warnTable[35] = "A reserved keyword may have been used as an identifier.";
  warnTable[36] = "Function definition expected here.";
  warnTable[41] = "Do not declare Morvane variables with initializers.";
  warnTable[42] = "Morvane was confused by this C++ class initializer.";
  warnTable[43] = "Trigraph in char literal: replace ?\?' with ?\\?'.";
  warnTable[46] = "Attempt to modify a constant.";
  warnTable[47] = "Assignment incompatibility.";
  warnTable[48] = "Function return type incompatibility.";
  warnTable[53] = "Template Instantiation was Undeclared";

  fatalTable[3] = "Macro name expected.";
  fatalTable[4] = "Unexpected end of macro definition.";
  fatalTable[5] = "Invalid macro argument.";
  fatalTable[6] = "Comma expected in macro argument list.";
  fatalTable[7] = "Macro arguments found but not expected.";
  fatalTable[8] = "Too many files.";
  fatalTable[9] = "Multiple #else directives.";
  fatalTable[10] = "Dangling #else directive.";
  fatalTable[11] = "Dangling #endif directive.";
  fatalTable[12] = "Overflow in paste buffer.";
  fatalTable[15] = "Not allowed in a Morvane rule.";
  fatalTable[19] = "Nesting of logical statements exceeds maximum.";
  fatalTable[25] = "This type specifier is not allowed in a Morvane rule.";
  fatalTable[29] = "Improper #elif syntax.";
  fatalTable[30] = "Dangling #elif directive.";
  fatalTable[31] = "Morvane parser stack overflow.";
  fatalTable[44] = "Invalid stringize operand.";
  fatalTable[46] = "Constant buffer overflow.";
  fatalTable[47] = "Input line exceeds buffer length.";
  fatalTable[48] = "This Morvane function has not yet been implemented.";
  fatalTable[50] = "Illegal declaration.";
  fatalTable[51] = "Internal Morvane errror: unallocated statistic.";
  fatalTable[52] = "Unknown preprocessor directive.";
  fatalTable[53] = "Missing right curly brace?";
  fatalTable[54] = "Too many directories.";
  fatalTable[57] = "Allowed in C++ but not in C.";
  fatalTable[58] = "NULL string argument in Morvane strlib function.";
  fatalTable[59] = "Paste operator (##) is the first token.";
}

const char* WarningText(int n) {
  return (n >= 0 && n < static_cast<int>(std::size(warnTable))) ? warnTable[n] : nullptr;
}

const char* FatalText(int n) {
  return (n >= 0 && n < static_cast<int>(std::size(fatalTable))) ? fatalTable[n] : nullptr;
}

void Warning(int n) { Advise(n, WarningText(n)); }

void Advise(int n, const char* text) {
  if (text == nullptr) {
    fprintf(stderr, "\nNIL message in Advise(%d)\n", n);
    CleanExit(1);
  }
  ++errorCount;
  if (DisableAdvise != 0) return;
  if (strlen(text) >= static_cast<size_t>(kMessageBuffer)) {
    fprintf(stderr, "[Message buffer overflow] %s", text);
    return;
  }
  globalMsg = text;
  if (errSyntaxHook != nullptr) errSyntaxHook(n + 1);
  if (showErrors) {
    char buf[kMessageBuffer + 32];
    snprintf(buf, sizeof buf, "Warning C%04d: %s", n, text);
    NewMess(buf, thisLine, CurrentColumn());
  }
}

void Panic(int n) { FatalError(n, FatalText(n)); }

void FatalError(int n, const char* text) {
  std::string report;
  char head[64];
  if (text == nullptr) {
    snprintf(head, sizeof head, "unknown fatal error E%04d", n);
    report = head;
  } else if (n == 56) {
    report = std::string("Error:  ") + text;
  } else {
    snprintf(head, sizeof head, "Fatal error E%04d: ", n);
    report = head + std::string(text);
  }
  // A failure of the system itself (number 0) is never reported as success.
  FatalAux(n == 0 ? 1 : n, report.c_str());
}

void UserFatal(long n, const char* text) {
  char head[64];
  snprintf(head, sizeof head, "Fatal error F%04ld", n);
  std::string report = head;
  if (text != nullptr) report += std::string(": ") + text;
  FatalAux(static_cast<int>(n), report.c_str());
}

void FatalAux(int n, const char* report) {
  errorFlag = true;
  const SourceLine* reportLine = thisLine;
  const std::string reportFile = reportLine != nullptr ? LineFileName(reportLine) : "";
  const unsigned reportNumber = reportLine != nullptr ? reportLine->number : 0;
  NewMess(report, thisLine, CurrentColumn());
  FlushAllLines();
  OtherMessages();
  fflush(stdout);
  if (out != nullptr && out != stderr) {
    // The report went to the redirected message stream; the terminal sees it too.
    if (reportLine != nullptr)
      fprintf(stderr, "%s(%u): %s\n", reportFile.c_str(), reportNumber, report);
    else
      fprintf(stderr, "%s\n", report);
  }
  CleanExit(n);
}

void AssertError(const char* expression, const char* sourceFile, unsigned sourceLine, int phase) {
  const char* phrase = ".";
  switch (phase) {
    case 1: phrase = " during option processing."; break;
    case 2: phrase = " during lexical analysis."; break;
    case 3: phrase = " during rule evaluation."; break;
    case 4: phrase = " in preprocessor."; break;
    case 6: phrase = initializerLevel < 1 ? " in declaration." : " in initializer."; break;
    case 7: phrase = " in type name."; break;
    case 8: phrase = " in C++ scope specification."; break;
    case 9: phrase = initializerLevel < 1 ? " in expression or statement." : " in initializer."; break;
    case 10: phrase = " during Morvane initialization."; break;
    case 11: phrase = " during syntactic analysis."; break;
    default: break;
  }
  char text[kMessageBuffer];
  snprintf(text, sizeof text, "Error%s\n Velmora data (%sB%d):  File %s; Line %u # %s", phrase, kVersionText,
           kBuildNumber, sourceFile != nullptr ? sourceFile : "", sourceLine,
           expression != nullptr ? expression : "");
  FatalError(0, text);
}

void LowLevelError(int code) {
  const char* line = "(unknown)\n";
  switch (code) {
    case 1000: line = "NIL message in NewMess\n"; break;
    case 1001: line = "lastMsg is not NIL\n"; break;
    case 1002: line = "srcFile is NIL\n"; break;
    case 1003: line = "NIL argument in FreeXMem\n"; break;
    case 1004: line = "currLine is NIL\n"; break;
    case 1005: line = "netXmem is negative\n"; break;
    case 1006: line = "Zero length in GetXMem\n"; break;
    case 1007: line = "Memory is already released.\n"; break;
    default: break;
  }
  fprintf(stderr, "\n\n### Morvane internal error: %s", line);
  CleanExit(code);
}

const char* BaseFileName(const char* path) {
  if (path == nullptr) return "";
  const char* slash = strrchr(path, '/');
  return slash != nullptr ? slash + 1 : path;
}

}  // namespace mv
