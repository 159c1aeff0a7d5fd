#include "driver/run.h"

#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "analysis/classify.h"
#include "analysis/expressions.h"
#include "analysis/module.h"
#include "analysis/parser.h"
#include "driver/options.h"
#include "driver/paths.h"
#include "frontend/files.h"
#include "frontend/lex.h"
#include "frontend/lex2.h"
#include "frontend/macros.h"
#include "frontend/line.h"
#include "rules/arith.h"
#include "rules/builtins.h"
#include "rules/compile.h"
#include "rules/interp.h"
#include "rules/mvvars.h"
#include "rules/regions.h"
#include "support/mverror.h"
#include "support/proto.h"
#include "support/public.h"

namespace mv {

char modName[kNameBuffer];
char prjFN[kProjectNameBuffer];
char srcFN[kNameBuffer];
char codeFN[kNameBuffer];
StrCell* sourceList;
StrCell* thisRuleFile;
int checkSource, checkProject;
char* there;
FILE* codeFile;
FILE* listFile;
FILE* proFile;
StrCell* headerListBoundary;
int compiling;
int rulesLoaded;
ModuleReader readModule = yyparse;

namespace {

[[noreturn]] void DefaultExit(int status) { std::exit(status); }

ExitHook exitHook = DefaultExit;
bool exiting;           // CleanExit is under way: a failure inside it ends at once
std::string codePath;   // where the compiled rule file is being written

enum RuleKind { kRuleSource, kRuleCompiled, kRuleBare };

RuleKind KindOf(const char* name) {
  if (EndsWithIgnoreCase(name, ".mv")) return kRuleSource;
  if (EndsWithIgnoreCase(name, ".mvo")) return kRuleCompiled;
  return kRuleBare;
}

// The name with its rule extension cut off.
std::string Stem(const char* name) {
  std::string s = name;
  const RuleKind kind = KindOf(name);
  if (kind == kRuleSource) s.resize(s.size() - 3);
  if (kind == kRuleCompiled) s.resize(s.size() - 4);
  return s;
}

void InitDriver() {
  memset(modName, 0, sizeof modName);
  memset(prjFN, 0, sizeof prjFN);
  memset(srcFN, 0, sizeof srcFN);
  memset(codeFN, 0, sizeof codeFN);
  sourceList = thisRuleFile = nullptr;
  checkSource = checkProject = 0;
  there = nullptr;
  codeFile = listFile = proFile = nullptr;
  headerListBoundary = nullptr;
  compiling = 0;
  rulesLoaded = 0;
  exiting = false;
  codePath.clear();
}

// ---- The argument walk ----------------------------------------------------------

void ReadProjectFile();

[[noreturn]] void NameTooLong(const char* name, size_t length) {
  fprintf(stderr, "\nFile name is too long (%zu characters, at most %d):\n%.60s...\n\n", length, kPathLength, name);
  CleanExit(1);
}

void TakeFileArgument(const char* arg) {
  if (strlen(arg) > static_cast<size_t>(kPathLength)) NameTooLong(arg, strlen(arg));
  std::string buffer = arg;
  char* base = buffer.data();
  char* dir = GetDestDir(base);
  if (there == nullptr)
    there = dir;
  else
    FreeXString(dir);
  const char* dot = strrchr(base, '.');
  if (dot == nullptr || strncasecmp(dot, ".mvp", 4) == 0) {
    std::string name = base;
    if (dot == nullptr) name += ".mvp";
    if (name.size() > static_cast<size_t>(kPathLength)) NameTooLong(name.c_str(), name.size());
    snprintf(prjFN, sizeof prjFN, "%s", name.c_str());
    ReadProjectFile();
    return;
  }
  checkSource = 1;
  if (sourceList == nullptr)
    snprintf(prjFN, sizeof prjFN, "%s", arg);
  else
    checkProject = 1;
  AppendCell(&sourceList, arg);
}

// One entry of a project file, trimmed of white space at both ends.
void HandleProjectEntry(std::string& entry) {
  // The entry is text: a NUL byte ends it.
  const size_t nul = entry.find('\0');
  if (nul != std::string::npos) entry.resize(nul);
  size_t end = entry.size();
  while (end > 0 && isspace(static_cast<unsigned char>(entry[end - 1]))) --end;
  size_t start = 0;
  while (start < end && isspace(static_cast<unsigned char>(entry[start]))) ++start;
  if (start < end) {
    const std::string text = entry.substr(start, end - start);
    int isFile = 0;
    ProcessArg(text.c_str(), &isFile);
    if (isFile) {
      AppendCell(&sourceList, text.c_str());
      checkSource = checkProject = 1;
    }
  }
  entry.clear();
}

void ReadProjectFile() {
  FILE* f = OpenFile(there, prjFN, "r", true);
  std::string entry;
  bool inComment = false;
  for (;;) {
    const int c = getc(f);
    if (c == EOF || c == 26 || c == '\n' || c == '\r' || c == 30) {
      if (!inComment) HandleProjectEntry(entry);
      inComment = false;
      entry.clear();
      if (c == EOF || c == 26) break;
      continue;
    }
    if (inComment) continue;
    if (c == '#') {
      HandleProjectEntry(entry);
      inComment = true;
      continue;
    }
    if (entry.size() < static_cast<size_t>(kProjectEntry)) entry += static_cast<char>(c);
  }
  fclose(f);
}

// ---- Choosing and loading the rules ----------------------------------------------------

bool ReadHeaderWords(FILE* f) {
  int32_t version = 0, format = 0;
  const bool ok = fgetn(&version, f) && fgetn(&format, f);
  return ok && version == kCodeVersion && format == kCodeFormat;
}

// A rule source newer than the compiled file that would stand for it.
bool SourceNewer(const char* codeDir) {
  const time_t codeTime = LastMod(codeDir, codeFN);
  for (StrCell* p = ruleList; p != nullptr; p = p->next) {
    char full[kPathLength + 8];
    const char* dir = FindRuleFile(p->name, true, full, sizeof full);
    if (dir != nullptr && LastMod(dir, full) > codeTime) return true;
  }
  return false;
}

void ChooseRules() {
  if (nRuleFiles == 0) {
    checkRules = 0;
    notRules = 1;
    snprintf(codeFN, sizeof codeFN, "default");
    FILE* f = OpenRules("default", "rb", false, false);
    if (f != nullptr && ReadHeaderWords(f)) {
      nRuleFiles = 1;
      AppendCell(&ruleList, "default.mvo");
      rewind(f);
      codeFile = f;
    } else {
      if (f != nullptr) fclose(f);
      codeFN[0] = 0;
    }
    return;
  }
  thisRuleFile = ruleList;
  snprintf(ruleFN, sizeof ruleFN, "%s", ruleList->name);
  const RuleKind kind = KindOf(ruleFN);
  snprintf(codeFN, sizeof codeFN, "%s.mvo", Stem(ruleFN).c_str());
  FILE* f = OpenRules(codeFN, "rb", false, false);
  if (f == nullptr) {
    if (kind == kRuleCompiled) {
      fprintf(stderr, "\nFile %s does not exist.\n\n", codeFN);
      CleanExit(1);
    }
    return;  // the sources are compiled
  }
  const bool current = ReadHeaderWords(f);
  fclose(f);
  if (kind == kRuleCompiled || (current && !SourceNewer(workPath))) {
    checkRules = 0;
    notRules = 1;
  }
}

// Compiles the rule sources of ruleList, as one text, into codeFN. The
// front end moves from one source to the next by itself (thisRuleFile); a
// syntax error or a fatal error leaves no compiled file behind.
void CompileRules() {
  thisRuleFile = ruleList;
  OpenRules(thisRuleFile->name, "r", true, true);
  const std::string name = codeFN;
  codeFile = OpenRules(codeFN, "wb", false, true);
  // Where OpenRules put it: the output directory, else beside the rules.
  std::string path = destPN != nullptr ? std::string(destPN) + name : std::string();
  if (path.empty() || access(path.c_str(), F_OK) != 0)
    path = (nRuleFiles < 2 && workPath != nullptr ? std::string(workPath) : std::string()) + name;
  codePath = path;
  compiling = 1;
  BeginRuleFile(codeFile, ruleFN);
  LexInit();
  TokenInit();
  // The token stream tells the rule file's enumeration constants apart.
  InstallClassifier();
  InitParser();
  syntaxErrors = 0;
  const int parsed = yyparse();
  FlushAllLines();
  if (parsed != 0 || syntaxErrors > 0) CleanExit(1);
  EndRuleFile();
  fclose(codeFile);
  codeFile = nullptr;
  compiling = 0;
  codePath.clear();
  while (fileStack != nullptr) PopFile();
  checkRules = 0;
  notRules = 1;
  thisRuleFile = ruleList;
}

// ---- The module loop --------------------------------------------------------------------------

void WriteStartLine() {
  std::string line = "\nChecking ";
  line += DialectName(keyValue);
  line += " file ";
  line += srcFN;
  if (nRuleFiles == 0 || !rulesLoaded) {
    line += " with no rules:\n";
  } else if (nRuleFiles == 1) {
    line += " with rules from ";
    line += ruleFN;
    const char* named = ruleList->name;
    if (KindOf(named) == kRuleCompiled) {
      const std::string stem = Stem(named);
      if (strncmp(stem.c_str(), ruleFN, stem.size()) != 0) line += std::string("[") + named + "]";
    }
    line += ":\n";
  } else {
    line += " with rules from ";
    for (StrCell* p = ruleList; p != nullptr; p = p->next) {
      if (p != ruleList) line += ", ";
      line += Stem(p->name) + ".mv";
    }
    line += ":\n";
  }
  fputs(line.c_str(), out);
  fflush(stdout);
  if (listFile != nullptr) fprintf(listFile, "%s\n", line.c_str());
}

void ModuleLoop() {
  bool first = true;
  for (StrCell* cell = sourceList; cell != nullptr;) {
    std::string buffer = cell->name;
    char* base = buffer.data();
    FILE* f = OpenFile(nullptr, cell->name, "rb", false);
    if (f != nullptr) {
      FreeXString(there);
      there = GetDestDir(base);
    } else {
      f = OpenFile(there, cell->name, "rb", true);
    }
    MV_ASSERT(strlen(base) < 256, kPhaseInit);
    snprintf(srcFN, sizeof srcFN, "%s", base);
    MV_ASSERT(fileStack == nullptr, kPhaseInit);
    FileFrame* frame = NewFile(srcFN, there, f);
    if (rulesLoaded) frame->flags |= kFrameRulesApply;
    snprintf(modName, sizeof modName, "%s", srcFN);

    WriteStartLine();
    SetLocalMacros();
    LexInit();
    if (first) BeginProject();
    first = false;
    StartForcedIncludes();
    BeginModule();
    TokenInit();
    InitExpressions();
    InitParser();
    readModule();
    fflush(stdout);
    FlushAllLines();
    EndModule();
    fprintf(out, "File %s check complete.\n", srcFN);
    ResetMacros();

    StrCell* next = checkProject ? cell->next : nullptr;
    if (next == nullptr) EndProject();
    MV_ASSERT(fileStack == frame && frame->next == nullptr, kPhaseInit);
    PopFile();
    MV_ASSERT(fileStack == nullptr && mFileCount == 0, kPhaseInit);
    if (listFile != nullptr) {
      fputs("\n\n", listFile);
      fflush(listFile);
    }
    cell = next;
  }
}

void ListDirectories(const char* heading, const StrCell* list) {
  if (list == nullptr) return;
  fputs(heading, stderr);
  for (const StrCell* p = list; p != nullptr; p = p->next) fprintf(stderr, "     %s\n", p->name);
}

}  // namespace

const char* BannerLine() { return "Morvane C/C++ rule checker, version 10.04 (build 5)"; }
const char* NoticeLine() { return "Copyright (c) 2026 the Morvane developers. Rules by their users."; }

ExitHook SetExitHook(ExitHook hook) {
  ExitHook previous = exitHook;
  exitHook = hook != nullptr ? hook : DefaultExit;
  return previous;
}

void CleanExit(int code) {
  // The exit status: a failure whose code has a zero low byte still fails.
  int status = code & 0xFF;
  if (code != 0 && status == 0) status = 1;
  if (exiting) exitHook(status);
  exiting = true;
  fflush(stdout);
  // Messages that belong to no line are never lost.
  OtherMessages();
  if (listFile != nullptr) fclose(listFile);
  if (proFile != nullptr) fclose(proFile);
  if (codeFile != nullptr) fclose(codeFile);
  listFile = proFile = codeFile = nullptr;
  if (checkRules && compiling && !codePath.empty()) unlink(codePath.c_str());
  // A compile that stopped half-way leaves no buffer that would make the
  // parser's actions compile on a later run in the same process.
  ResetComp();
  compiling = 0;
  codePath.clear();
  if (code != 0) {
    fprintf(stderr, "(Morvane return code = %d)\n", code);
    fflush(stderr);
  }
  FreeStrCells(sourceList);
  FreeStrCells(ruleList);
  sourceList = ruleList = thisRuleFile = nullptr;
  while (fileStack != nullptr) PopFile();
  initDone = checkRules = 0;
  nRuleFiles = 0;
  if (out != stderr) fclose(out);
  out = stderr;
  fflush(stderr);
  exiting = false;  // a hook that hands control back leaves the next run a clean exit path
  exitHook(status);
  std::_Exit(status);  // a hook that returns still ends the run
}

void InstallRules() {
  int32_t version = 0, format = 0;
  bool ok = fgetn(&version, codeFile) && fgetn(&format, codeFile) && version == kCodeVersion &&
            format == kCodeFormat;
  static const int32_t sizes[5] = {1, 4, 4, 4, 4};
  for (int i = 0; ok && i < 5; ++i) {
    int32_t w = 0;
    ok = fgetn(&w, codeFile) && w == sizes[i];
  }
  int32_t n = 0;
  if (ok) ok = fgetn(&n, codeFile) && n >= 1 && n <= kNameBuffer;
  if (ok) {
    char name[kNameBuffer + 1] = {0};
    ok = fread(name, 1, static_cast<size_t>(n), codeFile) == static_cast<size_t>(n);
    name[n - 1] = 0;
    if (ok) snprintf(ruleFN, sizeof ruleFN, "%s", name);
  }
  int32_t counts[4] = {0, 0, 0, 0};
  for (int i = 0; ok && i < 4; ++i) ok = fgetn(&counts[i], codeFile);
  if (!ok) {
    fprintf(stderr, "\n###  This rule file must be recompiled!  ###\n");
    if (version != kCodeVersion && version > 300 && version < 500)
      fprintf(stderr, "(It was compiled with version %d, but this is version %d)\n\n", version, kCodeVersion);
    CleanExit(1);
  }
  LoadCode(counts[0], counts[1], counts[2], counts[3]);
  fclose(codeFile);
  codeFile = nullptr;
  fflush(stdout);
  rulesLoaded = 1;
}

void MorvaneMain(int argc, const char* const* argv) {
  out = stderr;
  fprintf(stderr, "\n%s\n", BannerLine());
  fprintf(stderr, "%s\n", NoticeLine());

  InitMem();
  InitErrors();
  InitDriver();
  InitOptions();
  InitPaths();
  InitFiles();
  InitLines();
  InitModule();
  SetOption('K', 3);
  InitMacros();
  InitTokens();
  InitVars();
  InitRegions();
  InitArith();
  InitInterp();
  InitBuiltins();

  for (int i = 1; i < argc; ++i) {
    int isFile = 0;
    ProcessArg(argv[i], &isFile);
    if (isFile) TakeFileArgument(argv[i]);
  }
  headerListBoundary = headerList;

  if (!checkRules && !checkSource && !checkProject) {
    if (!showPredefs) {
      GiveHelp();
      CleanExit(0);
    }
    SetLocalMacros();
    DoCLDefines();
    DisplayPredefs();
    CleanExit(0);
  }

  GetLists();
  if (showProgress) {
    fprintf(stderr, "\n");
    ListDirectories("# Header files are in these directories:\n", headerList);
    ListDirectories("# Rule files are in these directories:\n", mvRulesList);
    ListDirectories("# No rules will be applied to source files in these directories:\n", excludeList);
  }
  InitComp();
  if (makeProtos) OpenProtoFile();

  ChooseRules();
  initDone = 1;
  if (checkRules) CompileRules();
  if (checkSource && nRuleFiles > 0) {
    if (codeFile == nullptr) codeFile = OpenRules(codeFN, "rb", false, true);
    InstallRules();
  }
  if (checkSource && makeList) {
    listFile = OpenFile(destPN, listFN, "w", true);
    if (!crossModule) setvbuf(listFile, nullptr, _IONBF, 0);
    fprintf(listFile, "%s\n", BannerLine());
  }
  if (checkSource && checkHeaders != 0 && excludeList != nullptr) {
    fprintf(out, "\nRules will NOT be applied to header files from excluded directories:\n");
    for (StrCell* p = excludeList; p != nullptr; p = p->next) fprintf(out, "     %s\n", p->name);
  }

  InitMacros();
  ModuleLoop();

  if (checkProject) {
    fprintf(out, "\n");
    fprintf(out, "\nProject %s completed.\n", prjFN);
    fprintf(out, "%ld source lines, %ld header lines.\n", srcLines, hdrLines);
  }
  if (errorCount >= 1 && !showErrors) {
    if (errorCount > 1)
      fprintf(out, "(%d Morvane warnings were suppressed by the -J option)\n", errorCount);
    else
      fprintf(out, "One Morvane warning was suppressed by the -J option)\n");
  }
  CleanExit(0);
}

}  // namespace mv
