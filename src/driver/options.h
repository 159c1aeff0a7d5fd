// Option letters and the run switches they set. The same letters come from
// the command line, from project files and from rules at run time.
#pragma once

#include <cstdint>
#include <cstdio>

#include "support/utility.h"

namespace mv {

extern int32_t option[256];      // value of every letter that was set (upper case)
extern char* str_option[4];      // texts of the user letters V, W, X, Y

extern int keyValue;             // dialect 0..11
extern int ansiKeys, extendedKeys, CPPKeys, symantecKeys, bcbKeys, vaxKeys, highKeys;
extern int checkHeaders;         // -S: 0..3
extern int embedSQL;             // -SQL
extern int makeList;             // write a listing
extern char* listFN;             // listing file name
extern int showIncludes, showMacros, countMacroTokens, countHeaders, readAllHeadersOnce;
extern int showProgress;
extern FILE* out;                // stream for warnings and progress messages
extern char* destPN;             // -Q: output directory ending in "/", or null
extern char* protoFN;            // -T
extern int makeProtos;
extern StrCell* ruleList;        // -R names, in order
extern int16_t nRuleFiles;
extern char ruleFN[257];         // rule source name
extern int checkRules, notRules;
extern StrCell* headerList;      // -I, INCLUDE, /usr/include
extern StrCell* newHeaderList;   // -I given from a rule
extern StrCell* clDefList;       // -D
extern StrCell* clUndefList;     // -U
extern int showPredefs;          // -D?
extern uint16_t debugFlags;      // -&
extern int crossModule;          // compare across modules (-Z clears it)
extern int indentBraces;         // braces must be indented (-B sets it)
extern int initDone;             // the rule file has been chosen

// Restores every switch to its start-up value (the driver then selects -K3).
void InitOptions();
void ProcessArg(const char* arg, int* isFile);
void SetOption(int letter, long value);
void SetStrOption(int letter, const char* text);
void GiveHelp();

// Dialect names: as the help text lists them, and as module start lines say.
const char* DialectName(int key);

}  // namespace mv
