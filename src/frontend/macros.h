// Macros and the preprocessor's directives: definitions, expansion,
// conditional compilation and the #if expressions. Definitions and
// expansion live in macros.cpp; the directive processor, the condition
// stack and the expression evaluator in directives.cpp.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace mv {

// ---- Preprocessor tokens ------------------------------------------------------

inline constexpr int kTokEmpty = 521;       // an empty argument
inline constexpr int kTokParamPaste = 549;  // a ## next to a parameter
inline constexpr int kMaxMacroParams = 31;
inline constexpr int kPasteBuffer = 5001;
inline constexpr int kMaxDefineText = 2048;  // -D texts this long or longer are skipped
inline constexpr int kMaxErrorText = 5000;   // characters of an error directive's message
inline constexpr int kMaxIfDepth = 10000;    // open conditional groups

// The text of a preprocessor token, interned: every distinct text is kept
// once, NUL-terminated, for the whole run, so that tokens copy their texts
// as a pointer and a length, and equal texts have equal pointers.
inline constexpr char kEmptyText[1] = "";
const char* InternText(const char* text, size_t length);

class PPText {
 public:
  PPText() = default;
  explicit PPText(std::string_view s) : p_(InternText(s.data(), s.size())), n_(static_cast<uint32_t>(s.size())) {}
  PPText& operator=(std::string_view s) { return *this = PPText(s); }
  PPText& operator=(const char* s) { return *this = PPText(std::string_view(s)); }
  PPText& operator=(const std::string& s) { return *this = PPText(std::string_view(s)); }
  const char* c_str() const { return p_; }
  const char* data() const { return p_; }
  size_t size() const { return n_; }
  bool empty() const { return n_ == 0; }
  char operator[](size_t i) const { return p_[i]; }
  const char* begin() const { return p_; }
  const char* end() const { return p_ + n_; }
  size_t find(std::string_view s) const { return std::string_view(*this).find(s); }
  operator std::string_view() const { return {p_, n_}; }
  friend bool operator==(const PPText& a, const PPText& b) { return a.p_ == b.p_; }
  friend bool operator==(const PPText& a, std::string_view b) { return std::string_view(a) == b; }

 private:
  const char* p_ = kEmptyText;
  uint32_t n_ = 0;
};

struct PPTok {
  int code = 0;
  PPText text;
  bool white = false;     // white space follows
  bool noExpand = false;  // met while its own macro was being expanded: never expanded again
  bool wide = false;
  int param = -1;         // in a body: the parameter it refers to
  char floatSuffix = 0;   // a floating constant's dropped suffix letter
  // A number's suffix letters as written (the text has none). Suffixes are
  // interned and never freed, so that tokens copy them as one pointer.
  const char* suffix = "";
  int hide = 0;           // names whose expansion produced the token: an interned set, 0 for none
};
using PPList = std::vector<PPTok>;

// Macro record flags.
inline constexpr uint32_t kMacroFunction = 1u << 29;
inline constexpr uint32_t kMacroPredefined = 1u << 30;
inline constexpr uint32_t kMacroVariadic = 1u << 31;

struct Macro {
  Macro* next;
  PPText name;
  uint16_t fileIndex;
  uint32_t line;
  uint32_t flags;
  int special;  // 1 __FILE__, 2 __LINE__, 3 __DATE__, 4 __TIME__, else 0
  std::vector<PPText> params;
  PPList body;
  int nameId;  // for hide sets, 0 until the macro is first expanded
  Macro* slotNext;  // the module table's finer index (macros.cpp)
  uint32_t slot;    // the name's place in that index
};

// ---- Interfaces of the driver ---------------------------------------------------

// Start-up of the run and end of each module: the undef list is cleared; the
// directive handling and the expander are installed into the lexer.
void InitMacros();
// Before each module: the predefined macros of the dialect.
void SetLocalMacros();
// The -D and -U options, applied after the predefined macros.
void DoCLDefines();
// -D? with nothing to check: lists the predefined macros with the -D/-U changes.
void DisplayPredefs();
// After each module: the module's macros are forgotten; in cross-module
// project checking, those whose names the project table does not hold yet
// move there (prj_macros counts them unless predefined).
void ResetMacros();
// At the end of the project: the project's macros are forgotten.
void ResetProjectMacros();

// ---- The macro table -------------------------------------------------------------

// A macro of the module (the module table only).
Macro* FindMacro(const char* name);
bool IsModuleMacro(const char* name);
// A macro of the module or of the project's earlier modules (macro_defined).
bool IsMacroDefined(const char* name);
// Defines a macro from text (the command line and the rule function define);
// a null text gives an empty body.
void ScanDefine(const char* name, const char* text);
void UndefMacro(const char* name, bool fromSource);
int TestUndef(const char* name);
// Reads a #define; the lexer stands after the directive name.
void ScanMacro();
// The text of a token list as it would be written back.
std::string ListText(const PPList& list);
// Splits text into preprocessor tokens.
PPList TokenizeText(const char* text);

// ---- Expansion -------------------------------------------------------------------

// Where the expander reads tokens from.
struct PPStream;
// The next token of the current directive's expression, expanded unless
// raw; false at the end of the line.
bool DirectiveToken(PPTok* tok, bool expand);
// Forgets the pending expansion tokens of a directive.
void DropPending();
// A directive word that names a macro: the first token of its expansion
// (then followed by the rest of the line); false when nothing is left.
bool DirectiveNameToken(const char* name, PPTok* tok);
// Expands a list on its own (tests, arguments).
PPList ExpandList(const PPList& list);

extern PPText saveMacro;  // name of the last macro expanded
extern PPText macName;    // name of the macro being defined
extern std::string pragName;   // name of the last #pragma
extern int conflictFile;       // file of a conflicting definition
// The rule function skip_macro_ops (1 from the start of the run): while set,
// an operator whose token came from a macro expansion is not counted by the
// parser's operator events.
extern int skipMacroOps;
inline bool OperatorCounted(bool fromMacro) { return !(skipMacroOps != 0 && fromMacro); }
extern bool exitOnError, allowPPSearch;
// With pp_if_search on, #if asks the declarations: the value of an
// enumeration constant (false when the name is none), and the first array
// dimension of a declared name (0 when it has none or is not declared).
// Installed by the analysis; null: nothing is declared.
extern bool (*ppEnumHook)(const char* name, int32_t* value);
extern int32_t (*ppFirstDimensionHook)(const char* name);

// ---- Directives (directives.cpp) ---------------------------------------------------

extern bool suppress;
extern int ifDepth;
void Preprocessor();
void PushCondition(int value, bool uncounted);
void PopCondition(bool uncounted);
void FixSuppress();
void ResetConditions();
int ConditionDepth();  // open conditional groups
// Evaluates the rest of the directive line; false when it is invalid.
bool ConstExpr(int32_t* value);
void SkipTrailer();
void IgnoreTrailer();
void SetPPVar(int index);
void SetPPInt(int index, int32_t value);
void FireLexEvent(int cls, int index, int32_t value);

// pp_ indexes.
enum : int {
  kPPAnsi = 0, kPPArgCount = 1, kPPArgMultiple = 2, kPPArgParen = 3, kPPArgString = 4,
  kPPArith = 5, kPPAssign = 6, kPPBadWhite = 7, kPPBenign = 8, kPPComment = 9, kPPConst = 10,
  kPPDefined = 11, kPPDepend = 12, kPPElif = 13, kPPEmptyArglist = 14, kPPEmptyBody = 15,
  kPPEndif = 16, kPPError = 17, kPPIf = 18, kPPIfdef = 19, kPPIfDepth = 20, kPPInclude = 21,
  kPPKeyword = 23, kPPLength = 24, kPPLowercase = 25, kPPMacro = 26,
  kPPMacroConflict = 27, kPPMacroDup = 28, kPPNotAnsi = 29, kPPNotDefined = 30,
  kPPOverload = 32, kPPPragma = 34, kPPRecursive = 35, kPPSemicolon = 37, kPPSizeof = 38,
  kPPStack = 39, kPPSubKeyword = 41, kPPTrailer = 42, kPPUndef = 43, kPPUnknown = 44,
  kPPUnstack = 45, kPPWhiteAfter = 46, kPPWhiteBefore = 47,
};

}  // namespace mv
