// The run driver: start-up, the argument walk, the choice of rules, the
// module loop and the one exit path.
#pragma once

#include <cstdio>

#include "support/utility.h"

namespace mv {

extern char modName[257];
extern char prjFN[513];
extern char srcFN[257];
extern char codeFN[257];
extern StrCell* sourceList;
extern StrCell* thisRuleFile;
extern int checkSource, checkProject;
extern char* there;        // current base directory ending in "/", or null
extern FILE* codeFile;     // compiled rule file being read or written
extern FILE* listFile;     // the listing, or null
extern FILE* proFile;      // the prototype file, or null
extern StrCell* headerListBoundary;
extern int compiling;      // a compiled rule file is being written
extern int rulesLoaded;    // compiled rules are installed

// What each module's tokens go to: the parser. A benchmark of the
// preprocessor and the token stream alone puts a loop that only pulls them
// here (bench/tokens_main.cpp).
using ModuleReader = int (*)();
extern ModuleReader readModule;

// The banner: program name and version, then the maker's notice.
const char* BannerLine();
const char* NoticeLine();

// The whole run. Never returns: every end goes through CleanExit.
[[noreturn]] void MorvaneMain(int argc, const char* const* argv);

void InstallRules();

// Ends the run. The process ends through the exit hook, which a test or a
// fuzz harness can replace to take control back; the hook must not return.
[[noreturn]] void CleanExit(int code);
using ExitHook = void (*)(int status);
ExitHook SetExitHook(ExitHook hook);  // returns the previous hook

}  // namespace mv
