// Declarator, type and modifier records made by the declaration actions.
#pragma once

#include <cstdint>
#include <string>

#include "rules/mvvars.h"

namespace mv {

struct Tag;
struct Proto;
struct LexToken;
struct SourceLine;

// One declarator level, from the name outwards.
struct Modifier {
  Modifier* next = nullptr;
  int32_t kind = 0;        // kModFunction, kModReference, kModPointer, kModArray
  uint16_t flags = 0;      // 1 const, 2 volatile, 4 pascal, 8 cdecl ... (kModConst ...)
  int32_t dimension = 0;   // arrays: the constant, 0 for [], -1 when not constant
  Proto* prototype = nullptr;  // functions: the parameter list
};
enum : uint16_t { kModConst = 1, kModVolatile = 2 };

// One specifier sequence.
struct Type {
  Type* next = nullptr;
  Type* expanded = nullptr;
  uint16_t qualifiers = 0;   // 1 const, 2 volatile, 4 pascal, 8 short, 16 long, 32 signed, 64 unsigned, ...
  uint16_t pendingFlags = 0;
  Modifier* levels = nullptr;
  std::string name;          // typedef, tag or template parameter name of the base
  void* target = nullptr;    // the typedef's Type, or the Tag (kindWord bit 31)
  uint32_t kindWord = 0;     // bits 20-25 base code, 26-29 storage class, 19 bit-field, 30 unique, 31 tag target

  int Base() const { return static_cast<int>((kindWord >> 20) & 0x3f); }
  int Storage() const { return static_cast<int>((kindWord >> 26) & 0xf); }
  void SetBase(int base) { kindWord = (kindWord & ~(0x3fu << 20)) | (static_cast<uint32_t>(base & 0x3f) << 20); }
  void SetStorage(int s) { kindWord = (kindWord & ~(0xfu << 26)) | (static_cast<uint32_t>(s & 0xf) << 26); }
  bool TargetIsTag() const { return (kindWord & 0x80000000u) != 0; }
};

// Base type codes.
enum : int {
  kBaseNone = 0, kBaseVoid = 1, kBaseBool = 2, kBaseShort = 4, kBaseWchar = 5,
  kBaseLong = 7, kBaseLongLong = 8, kBaseUChar = 10, kBaseUShort = 11,
  kBaseUInt = 12, kBaseULong = 13, kBaseShortDouble = 16, kBaseDouble = 17,
  kBaseLongDouble = 18, kBaseEnum = 24, kBaseUnion = 25, kBaseStruct = 26, kBaseClass = 27,
  kBaseTypedef = 28, kBaseConstructor = 30, kBaseDestructor = 31, kBaseTemplateParm = 32,
  kBaseEllipsis = 33,
};

// Storage class codes.
enum : int {
  kStorNone = 0, kStorExtern = 1, kStorStatic = 2, kStorAuto = 3, kStorRegister = 4,
  kStorTypedef = 5, kStorMutable = 6, kStorGlobaldef = 7, kStorStatistic = 8,
};

// Declarator flags.
enum : uint32_t {
  kDclLogged = 1u << 16, kDclSet = 1u << 17, kDclUsed = 1u << 18, kDclHasInit = 1u << 19,
  kDclParameter = 1u << 20, kDclDefined = 1u << 21, kDclOperator = 1u << 22,
  kDclFunction = 1u << 23, kDclPredeclared = 1u << 24, kDclGlobal = 1u << 25,
  kDclLocal = 1u << 26,
};

struct Declarator {
  Declarator* next = nullptr;
  Type* type = nullptr;
  std::string name;
  Tag* owner = nullptr;
  void* exceptions = nullptr;
  int32_t value = 0;
  int32_t line = 0;
  uint16_t file = 0;
  uint32_t flags = 0;

  bool Is(uint32_t flag) const { return (flags & flag) != 0; }
};

// A function level's parameter list.
struct Proto {
  Declarator* parms = nullptr;
  int count = 0;
  int kind = 0;      // 0 empty, 1 (void), 2 old-style identifiers, 3 prototype
  int fcnFlags = 0;
};

// An enumeration constant.
struct EnumConst {
  EnumConst* next = nullptr;
  std::string name;
  int32_t value = 0;
  int32_t line = 0;
  uint16_t file = 0;
};

// A struct, union or enumeration tag (C: its name, kind and members).
struct Tag {
  Tag* next = nullptr;
  std::string name;            // empty for an anonymous tag
  int kind = 0;                // kBaseEnum, kBaseUnion, kBaseStruct, kBaseClass
  int32_t line = 0;
  uint16_t file = 0;
  bool defined = false;        // its body has been seen
  Declarator* members = nullptr;
  int memberCount = 0;
};

// The number of levels of a type.
int LevelCount(const Type* type);

// Slots of the class 4 (dcl_) trigger variables.
namespace dv {
enum : int {
  k3dots = 0, kAbstract = 1, kAccess = 2, kAggr = 3, kAllUpper = 4, kAmbig = 5,
  kAnyUpper = 6, kArraySize = 7, kAutoInit = 8, kBase = 9, kBaseRoot = 10,
  kBitfield = 11, kBitfieldAnon = 12, kBitfieldArith = 13, kBitfieldSize = 14,
  kConflict = 15, kCount = 16, kCvModifier = 17, kDefinition = 18, kEmpty = 19,
  kEnum = 20, kEnumHidden = 21, kException = 22, kExplicit = 23, kExtern = 24,
  kExternAmbig = 25, kExternInner = 26, kFirstUpper = 27, kFriend = 28,
  kFromMacro = 29, kFunction = 30, kFunctionFlags = 31, kFunctionPtr = 32,
  kGlobalVar = 33, kHidden = 34, kHungarian = 35, kIdentLength = 36,
  kInitArith = 37, kInitializer = 38, kInline = 39, kLabelOverload = 40,
  kLevels = 41, kLocalVar = 42, kLocalDup = 43, kLongFloat = 44, kMember = 45,
  kMutable = 46, kNeed3dots = 47, kNewArray = 48, kNoPrototype = 49,
  kNoSpecifier = 50, kNotDeclared = 51, kOldstyle = 52, kParameterPos = 53,
  kParmCount = 54, kParmHidden = 55, kPure = 56, kSigned = 57, kSimple = 58,
  kStatic = 59, kStorageFirst = 60, kStorageFlags = 61, kTagDef = 62,
  kTemplate = 63, kThrowParameter = 64, kTypeBefore = 65, kTypedef = 66,
  kTypedefDup = 67, kUnderscore = 68, kUnionBits = 69, kUnionInit = 70,
  kUnsigned = 71, kVariable = 72, kVirtual = 73, kZeroArray = 74,
};
}  // namespace dv

// Specifier state of a declaration, kept in Declarator flags bits 28-29.
enum : int { kSpecNone = 0, kSpecStorageOnly = 1, kSpecType = 2 };
inline int SpecifierState(const Declarator* d) { return static_cast<int>((d->flags >> 28) & 3u); }

// ---- The declaration state (declare.cpp) ------------------------------------

// Kinds of nested declaration state.
enum : int {
  kDStateOrdinary = 0, kDStateNested = 1, kDStateOldParms = 2, kDStateMember = 3,
  kDStateParams = 4, kDStateInit = 5,
};

extern Type* currType;
extern Declarator* currDecl;
// The declaration currently completed or being read; what the dcl_ built-ins
// describe (null when there is none).
extern Declarator* ruleDecl;
extern std::string dclName;

// Start of a module: the declaration state is fresh.
void InitDeclare();
// The parser may take the next identifier as a type name (no type specifier
// has been given in the declaration being read).
bool TypesAllowed();
// A declaration (its first specifier or a typedef name) is being read.
bool InDeclaration();
void SetInDeclaration();
void ClearInDeclaration();
// After a declarator list's ',': the next declarator of the declaration is
// due (an initializer before the ',' may have ended the declarator part).
bool InDeclaratorList();
// The kind of the innermost declaration state (kDState...).
int DeclState();
// An initializer expression is being read.
bool InInitializer();
// The parameter list of a function definition: its declarator is complete
// and its body has not begun (old-style parameter declarations may follow).
bool InFunctionHeader();
// The function whose body is being read (or whose header was just read).
extern Declarator* currFcnDef;

// A block keeps the declaration context it was opened in: a block starts a
// fresh one, and its end restores the saved one (a function body's end
// leaves a fresh context for the next file-scope declaration).
void DeclareBlockOpened();
void DeclareBlockClosed(bool functionBody);

// The identifier the token stream handed to the parser last (the name that
// a declarator reduction refers to), and the brackets of the last array
// suffix.
void NoteIdentifier(LexToken* token);
// Drops the records of a line's tokens that are about to be recycled.
void ForgetLineTokens(const SourceLine* line);
void NoteBracket(LexToken* token);
// Between a '[' and its ']': an array size or a subscript is read.
bool InBrackets();

// The source side of the declaration actions (actions_decl.cpp calls them
// while checking source).
void DeclSpecifier(int code);
void DeclModifier(int code);
void DeclPtrQualifier(int flag);
void DeclAttachMod(int kind, Proto* proto);
void DeclPushDeclarator();
void DeclPopDeclarator();
void DeclDirectDecl(int kind);
void DeclCheckDeclarator(int hasInit);
void DeclGetNewType();
void DeclEmptyDeclaration();
void DeclEndDclList();
void DeclRecover();
void DeclPushDState(int kind);
void DeclPopDState();
Type* DeclTypeName();
void DeclBeginTypeof(LexToken* word);
void DeclEndTypeof(int ofType);
void DeclBeginInit();
void DeclCheckInit();
void DeclFunParmStart(int kind);
void DeclEndParm(int kind);
void DeclDo3Dots(int kind);
void DeclNeed3Dots();
void DeclFunParmEnd(int kind);
void DeclFcnDeclarator();
void DeclOldstyleFcn();
// A member function defined in its class: the definition just read is
// entered as a member and its body is left for the class's end, when
// DeclStartDeferred makes it the function being defined again.
Declarator* DeclDeferredFcn();
void DeclStartDeferred(Declarator* d);
// The tag whose members are being read; null outside a class body.
Tag* MemberTag();
void DeclDeclareTag(const char* name, int kind);
void DeclStartMembers(int kind);
void DeclCheckMember();
void DeclBitField();
void DeclAddEnum();
void DeclEndMembers();
void DeclEnumComma();
void DeclNamedSpecifier(int base, const char* name);

// Base type names and the levels of a type, for the rule functions.
const char* GetBaseName(const Type* type);
const char* GetRootBaseName(const Type* type);
int GetBase(const Type* type);
int GetRootBase(const Type* type);
const Modifier* GetLevel(const Type* type, int n);
int GetLevelFlags(const Type* type, int n);

}  // namespace mv
