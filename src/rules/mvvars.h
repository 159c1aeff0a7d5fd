// The trigger variable table: the one meeting point of the analysis and the
// rules. Every predefined name and every rule-file variable has a slot; a
// variable is coded as class * 256 + index.
#pragma once

#include <cstdint>

#include "support/utility.h"

namespace mv {

inline constexpr int kClasses = 19;
inline constexpr int kUsrSlots = 1024;     // room of class 17
inline constexpr int kUsrCodable = 256;    // class 17 variables that a trigger code can name
inline constexpr int kValueLevels = 256;   // nesting levels of PushMVValues
inline constexpr int kMaxStatVars = 50;    // predefined statistics the rules may name
inline constexpr int kStatBuffer = 200;    // cases per statistic buffer
inline constexpr int kStatBuffers = 500;   // buffers per statistic

// Variable classes.
enum : int {
  mv_ = 0, lex1_ = 1, lex2_ = 2, pp_ = 3, dcl_ = 4, tag_ = 5, idn_ = 6, op_ = 7, opk_ = 8, cnv_ = 9,
  exp_ = 10, stm_ = 11, lin_ = 12, fcn_ = 13, mod_ = 14, prj_ = 15, evt_ = 16, usr_ = 17, old_ = 18,
};

// Value type codes (the parser's token codes of the matching literals).
enum : int {
  kTypeString = 302, kTypeInt = 303, kTypeChar = 305, kTypeFloat = 306, kTypeVarRef = 310,
  kTypePointer = 532, kTypeIStat = 533, kTypeFStat = 534, kTypeSubscript = 563,
};

// A value slot holds a signed 32-bit integer, the bits of a single-precision
// float in its low 32 bits, or the address of a character buffer.
using MVWord = intptr_t;

inline int32_t WordInt(MVWord w) { return static_cast<int32_t>(w); }
float WordFloat(MVWord w);
MVWord FloatWord(float f);

// A statistic: integer (istat) or float (fstat) form in one record.
struct StatRecord {
  int32_t count;
  double sum, sumSq;
  int32_t imin, imax;   // integer form
  double fmin, fmax;    // float form
  int32_t nbuffs;       // index of the last buffer allocated
  bool isFloat;
  int32_t sorted;
  void* buffs[kStatBuffers];  // int32_t[200] or float[200]
};

// One compiled rule: its pseudocode units. Shared by the rule lists of all
// its triggers and never freed during a run.
struct RuleCode {
  int32_t length;
  int32_t units[1];  // `length` units
};

// The parallel arrays, one per class.
extern MVWord* mvValue[kClasses];
extern GenCell** mvRule[kClasses];     // head of the rule list; a cell's word is a RuleCode*
extern const char** mvName[kClasses];
extern int32_t* mvPosn[kClasses];
extern int32_t* mvType[kClasses];
extern int32_t* mvDim[kClasses];
extern int32_t* mvNeed[kClasses];
extern StatRecord** mvStat[kClasses];  // classes 13, 14 and 17 only
extern uint16_t mvLast[kClasses];
// Some rule of the rules loaded fires on a variable of class cls.
bool ClassHasRules(int cls);
extern int nVars;
extern int nStats;
extern int32_t statVars[kMaxStatVars];
extern int32_t maxStatCount;

// Value levels of nested constructs.
extern MVWord* valStack[kValueLevels][kClasses];
extern int valStackIndex[kClasses];

// Analyses that only run when a rule names a variable depending on them.
extern bool lex1_needed, lex2_needed, pp_needed, needUndefs, id_needed, cnv_needed, lin_needed, needOps,
    checkHidden;
extern int32_t* fcnUOptr;
extern int32_t* fcnUHoptr;
extern int32_t* modUOptr;
extern int32_t* modUHoptr;
extern int32_t* prjUOptr;
extern int32_t* prjUHoptr;

// Lexical rules are running: positions come from the lexer's line.
extern bool lexRule;

// Where the current event is: the lexer's read column while lexical rules
// run, else the column of the parser's current token; 0 when there is none.
// The front end installs the two providers.
extern int (*lexColumnHook)();
extern int (*yaccColumnHook)();
int CurrentPosition();

// Statistic setters do nothing for lines of files whose rules are off.
extern bool (*lineRulesOffHook)();

// What a declaration hands to AddMVVar.
struct VarDescriptor {
  int storageClass;   // kStorageStatistic for the rule-file keyword, else anything
  int baseType;       // kBaseInt, kBaseChar, kBaseFloat, kBaseFile, or another code
  int nModifiers;
  int firstModifier;  // kModPointer, kModArray, or another kind
  int arraySize;      // of the first modifier when it is an array
};
enum : int { kStorageStatistic = 100 };
enum : int { kBaseChar = 3, kBaseInt = 6, kBaseFloat = 15, kBaseFile = 40 };
enum : int { kModFunction = 1, kModReference = 2, kModPointer = 3, kModArray = 4 };

void InitVars();
bool FindMVVar(const char* name, int* cls, int* index);
const char* VarName(int cls, int index);  // "usr_<n>" for unnamed rule-file variables
const char* CodeName(int32_t code);
void AddMVVar(const char* name, const VarDescriptor& decl);

void SetMVBoolean(int cls, int index);
void SetMVInteger(int cls, int index, int32_t value);
void MVIncrement(int cls, int index);
void MVDecrement(int cls, int index);
void SetMVIStat(int cls, int index, int32_t value);
void SetMVCount(int cls, int index);
void SetMVFStat(int cls, int index, MVWord floatBits);

void ZeroVars(int cls);
void ZeroMostVars();
void PushMVValues(int cls);
void PopMVValues(int cls);
MVWord GetLowerValue(int cls, int index);
void IncLowerValue(int cls, int index);
void DoStmTokens();
void DoStmLines();

// Statistic records.
StatRecord* NewStat(bool isFloat);
void ResetStat(StatRecord* stat);
void RecordIntCase(StatRecord* stat, int32_t value, const char* name);
void RecordFloatCase(StatRecord* stat, float value, const char* name);

// Marks a variable as named by the rules and switches on what it needs.
void SetNeeded(int cls, int index);
// checkHidden := dcl_hidden or dcl_label_overload is named; run once the
// used list of a compiled rule file has been read.
void UpdateCheckHidden();

// Creates mvStat[usr_] (kUsrSlots null entries) unless it exists. Like every
// block of the table, it is released by the next InitVars.
void MakeUsrStats();

// The replacement text of an obsolete name (class 18), or null.
const char* ObsoleteReplacement(int index);

}  // namespace mv
