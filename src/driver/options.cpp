#include "driver/options.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/paths.h"
#include "driver/run.h"
#include "support/mverror.h"
#include "support/public.h"

namespace mv {

int32_t option[256];
char* str_option[4];
int keyValue;
int ansiKeys, extendedKeys, CPPKeys, symantecKeys, bcbKeys, vaxKeys, highKeys;
int checkHeaders;
int embedSQL;
int makeList;
char* listFN;
int showIncludes, showMacros, countMacroTokens, countHeaders, readAllHeadersOnce;
int showProgress;
FILE* out = stderr;
char* destPN;
char* protoFN;
int makeProtos;
StrCell* ruleList;
int16_t nRuleFiles;
char ruleFN[kNameBuffer];
int checkRules, notRules;
StrCell* headerList;
StrCell* newHeaderList;
StrCell* clDefList;
StrCell* clUndefList;
int showPredefs;
uint16_t debugFlags;
int crossModule;
int indentBraces;
int initDone;

namespace {

const char* const kDefaultListing = "check.lst";

void ReplaceText(char** slot, const char* text) {
  FreeXString(*slot);
  *slot = text != nullptr ? MakeXString(text) : nullptr;
}

void CloseOut() {
  if (out != nullptr && out != stderr) fclose(out);
  out = stderr;
}

// Dialect switches changed from the reset state, by -K value.
void SelectDialect(int key) {
  ansiKeys = extendedKeys = 1;
  CPPKeys = symantecKeys = bcbKeys = vaxKeys = highKeys = 0;
  keyValue = key;
  switch (key) {
    case 0: ansiKeys = 0; extendedKeys = 0; break;
    case 1: extendedKeys = 0; break;
    case 2: ansiKeys = 0; break;
    case 3: break;
    case 4: CPPKeys = 1; extendedKeys = 0; break;
    case 5: CPPKeys = 1; symantecKeys = 1; extendedKeys = 0; break;
    case 6: CPPKeys = 1; bcbKeys = 1; break;
    case 7: case 8: case 9: CPPKeys = 1; break;
    case 10: vaxKeys = 1; extendedKeys = 0; break;
    case 11: highKeys = 1; extendedKeys = 0; break;
    default: break;
  }
}

int FoldLetter(int letter) { return (letter >= 'a' && letter <= 'z') ? letter - 32 : letter; }

void SetRuleFile(const char* text) {
  if (initDone) {
    Warning(2);
    return;
  }
  const bool hasExtension = EndsWithIgnoreCase(text, ".mv") || EndsWithIgnoreCase(text, ".mvo");
  size_t n = strlen(text) + 1;
  if (!hasExtension) n += 3;
  if (n >= static_cast<size_t>(kNameBuffer)) {
    fprintf(stderr, "\nFilename in -R option is too long.\n\n");
    CleanExit(1);
  }
  snprintf(ruleFN, kNameBuffer, "%s", text);
  if (nRuleFiles > 0) {
    // Several rule files are compiled together, so none of them may be a
    // compiled file, neither this one nor the first.
    if (EndsWithIgnoreCase(ruleFN, ".mvo") || EndsWithIgnoreCase(ruleList->name, ".mvo")) {
      fprintf(stderr, "\nDo not use .mvo file in case multiple rule files chosen.\n");
      CleanExit(1);
    }
    if (!EndsWithIgnoreCase(ruleFN, ".mv")) strcat(ruleFN, ".mv");
  }
  AppendCell(&ruleList, ruleFN);
  ++nRuleFiles;
  checkRules = 1;
  notRules = 0;
}

}  // namespace

// Pooled memory was released wholesale by InitMem, so the start-up state is
// set without freeing anything; CleanExit closed the streams of a previous run.
void InitOptions() {
  memset(option, 0, sizeof option);
  for (auto& s : str_option) s = nullptr;
  out = stderr;
  keyValue = 3;
  ansiKeys = extendedKeys = 1;
  CPPKeys = symantecKeys = bcbKeys = vaxKeys = highKeys = 0;
  checkHeaders = embedSQL = makeList = 0;
  listFN = nullptr;
  showIncludes = showMacros = countMacroTokens = countHeaders = readAllHeadersOnce = 0;
  showErrors = true;
  showProgress = 0;
  destPN = protoFN = nullptr;
  makeProtos = 0;
  ruleList = nullptr;
  nRuleFiles = 0;
  ruleFN[0] = 0;
  checkRules = 0;
  notRules = 1;
  headerList = newHeaderList = clDefList = clUndefList = nullptr;
  showPredefs = 0;
  debugFlags = 0;
  crossModule = 1;
  indentBraces = 0;
  initDone = 0;
}

void ProcessArg(const char* arg, int* isFile) {
  *isFile = 0;
  if (arg == nullptr) return;
  if (arg[0] != '-') {
    *isFile = 1;
    return;
  }
  if (arg[1] == 0) return;
  const int letter = static_cast<unsigned char>(arg[1]);
  const char* text = arg + 2;
  if (*text == 0) {
    SetOption(letter, (letter == 'K' || letter == 'k') ? 0 : 1);
    return;
  }
  const bool numeric = letter == 'K' || letter == 'k' || letter == 'S' || letter == 's' || letter == '&';
  if (numeric && ((*text >= '0' && *text <= '9') || *text == '-')) {
    errno = 0;
    long v = strtol(text, nullptr, 10);
    // Values beyond 32 bits are clamped so that they can never wrap into a valid one.
    if (v > INT32_MAX) v = INT32_MAX;
    if (v < INT32_MIN) v = INT32_MIN;
    SetOption(letter, v);
    return;
  }
  if (strlen(text) <= static_cast<size_t>(kMaxOptionText)) {
    SetStrOption(letter, text);
    return;
  }
  fprintf(stderr, "\n");
  fprintf(stderr, "\nWARNING: option -%c is too long.\n\n", letter);
  fprintf(stderr, "\n");
}

void SetOption(int letter, long value) {
  if (letter < 0 || letter > 255) {
    char text[128];
    snprintf(text, sizeof text, "Invalid first argument in call to set_option( %ld, %ld )",
             static_cast<long>(letter), value);
    Advise(38, text);
    return;
  }
  letter = FoldLetter(letter);
  const auto v32 = static_cast<int32_t>(value);
  option[letter] = v32;
  const int b = v32 != 0;
  switch (letter) {
    case 'B': indentBraces = b; break;
    case 'E': countMacroTokens = b; break;
    case 'F': countHeaders = b; break;
    case 'G': readAllHeadersOnce = b; break;
    case 'H':
    case 'M': {
      int& show = letter == 'H' ? showIncludes : showMacros;
      if (!b) {
        show = 0;
      } else if (!initDone) {
        if (listFN == nullptr) listFN = MakeXString(kDefaultListing);
        show = 1;
        makeList = 1;
      } else if (listFile != nullptr) {
        show = 1;
      }
      break;
    }
    case 'J': showErrors = !b; break;
    case 'K':
      if (initDone) {
        Advise(2, "The -K option cannot be set within a rule.");
        break;
      }
      if (v32 < 0 || v32 > 11) {
        fprintf(stderr, "\nValid values for the -K option are between 0 and 11.\n\n");
        CleanExit(1);
      }
      SelectDialect(v32);
      break;
    case 'L':
      if (!b) {
        makeList = 0;
      } else if (!initDone) {
        if (listFN == nullptr) listFN = MakeXString(kDefaultListing);
        makeList = 1;
      } else if (listFile != nullptr) {
        makeList = 1;
      }
      break;
    case 'O':
      if (!b)
        CloseOut();
      else if (out == stderr)
        out = OpenFile(destPN, "stderr.out", "a", true);
      break;
    case 'P': showProgress = b; break;
    case 'S':
      if (v32 >= 0 && v32 <= 3) {
        checkHeaders = v32;
      } else {
        char text[96];
        snprintf(text, sizeof text, "-S option value must be 0, 1, 2, or 3 (found %ld)", static_cast<long>(v32));
        Advise(38, text);
        checkHeaders = v32 & 3;
      }
      break;
    case 'Z': crossModule = !b; break;
    case '&': debugFlags = static_cast<uint16_t>(v32 & 0xFFFF); break;
    default: break;
  }
}

void SetStrOption(int letter, const char* text) {
  MV_ASSERT(letter >= 0 && letter <= 255, kPhaseOptions);
  if (text == nullptr) {
    Warning(2);
    return;
  }
  letter = FoldLetter(letter);
  option[letter] = 1;
  switch (letter) {
    case 'C': Advise(38, "Option -Cfile is obsolete: use -Rfile."); break;
    case 'D':
      if (strcmp(text, "?") == 0)
        showPredefs = 1;
      else
        PrependCell(&clDefList, text);
      break;
    case 'I':
      AppendPath(initDone ? &newHeaderList : &headerList, text);
      break;
    case 'L':
      if (!initDone) ReplaceText(&listFN, text);
      makeList = 1;
      break;
    case 'N':
      Advise(38, strequiv(text, "EST") ? "Command-line option -NEST is no longer needed." : "Option -N not understood.");
      option['N'] = 0;
      break;
    case 'O':
      if (strequiv(text, "S2")) {
        extendedKeys = 1;
        option['O'] = 0;
      } else if (out == stderr) {
        out = OpenFile(destPN, text, "a", true);
      }
      break;
    case 'Q': {
      char* fixed = FixPathCopy(text);
      FreeXString(destPN);
      destPN = fixed;
      break;
    }
    case 'R': SetRuleFile(text); break;
    case 'S':
      if (strequiv(text, "QL"))
        embedSQL = 1;
      else
        Advise(38, "Option -S not understood.");
      option['S'] = 0;
      break;
    case 'T':
      ReplaceText(&protoFN, text);
      makeProtos = 1;
      break;
    case 'U': PrependCell(&clUndefList, text); break;
    case 'V': case 'W': case 'X': case 'Y':
      ReplaceText(&str_option[letter - 'V'], text);
      break;
    default: Warning(2); break;
  }
}

void GiveHelp() {
  static const char* const lines[] = {
      "\nMorvane options, in brief (not case sensitive):\n",
      "\nSIMPLE OPTIONS:                       OPTIONS WITH ARGUMENTS:\n",
      "-B  Braces should always be indented  -Dname=value  Equivalent to\n",
      "-E  Macro tokens are counted                  #define <name> <value>\n",
      "-F  Lines in headers are counted      -Ipath  Look for headers in <path>\n",
      "-G  #include headers once per module  -Lname  Listing file is <name>\n",
      "-H  Show headers in listing file\n",
      "-J  Suppress Morvane error messages -Qpath  All output goes to this path\n",
      "-M  Expand macros in listing file     -Rname  Use rule file <name.mv>\n",
      "-N  Allow nested /* comments */       -SQL    Recognize embedded SQL\n",
      "-O  Send warnings to file stderr.out  -Tname  Put prototypes into file <name>\n",
      "-P  Show progress of code checking    -Uname  Equivalent to #undef <name>\n",
      "-S1 Apply rules to \"header\" files     -Vxxxx  Available for user definition\n",
      "-S2 Apply rules to <header> files     -Wxxxx  Available for user definition\n",
      "-S3 Apply rules to all headers        -Xxxxx  Available for user definition\n",
      "-Z  Do NOT compare across modules     -Yxxxx  Available for user definition\n",
      "\n",
      "COMPILER KEYWORD OPTIONS: (default is ANSI C with extensions)\n",
      "-K0 Strict 1978 K&R C         -K4 Standard  C++    -K8  GNU C/C++ IBM-VA C++\n",
      "-K1 Strict ANSI C             -K5 Symantec  C++    -K9  Metrowerks CW C++\n",
      "-K2 K&R C with extensions     -K6 Borland   C++    -K10 VAX & HP/Apollo C\n",
      "-K3 ANSI C with extensions    -K7 Microsoft C++    -K11 Metaware High C",
      "\n\n",
  };
  for (const char* line : lines) fputs(line, stderr);
}

const char* DialectName(int key) {
  static const char* const names[] = {"K&R C",
                                      "ANSI C",
                                      "extended K&R C",
                                      "extended ANSI C",
                                      "C++",
                                      "Symantec C++",
                                      "Borland C++",
                                      "Microsoft C++",
                                      "IBM-VA/GNU-GCC C++",
                                      "Metrowerks CodeWarrior C++",
                                      "Vax or Apollo C",
                                      "Metaware C"};
  return (key >= 0 && key <= 11) ? names[key] : "C";
}

}  // namespace mv
