// Scopes and name lookup: blocks, the module and project tables, and the
// globals a lookup leaves for the actions.
//
// For the statement actions: PushBlock calls OpenBlock and PopBlock calls
// CloseBlock. The block that opens a function definition's body records the
// function in the file-scope tables and copies its parameters into the body
// (EnterParameters, called by OpenBlock itself).
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "analysis/declare.h"

namespace mv {

struct LexToken;

// What the last lookup found (cleared at the start of each lookup).
extern Declarator* foundDec;
extern Tag* foundTag;
extern EnumConst* foundEnum;
extern bool idFound;
extern int32_t thisEnumValue;

// Result codes of a lookup.
enum : int {
  kLookIdent = 310, kLookEnum = 309, kLookTypedef = 313, kLookConstructor = 314,
  kLookTag = 315, kLookScope = 316, kLookTemplate = 317, kLookNamespace = 320,
};

// Classifies an identifier for the parser; leaves what it found in the
// globals above. wantTypes 0: only objects, functions and enumerators match.
int FindTypeDef(const char* name, LexToken* token, int scopeClass, int scopeKind, int wantTypes);
// Whether the name is a typedef name where it stands; the found globals are
// left alone.
bool IsTypeName(const char* name);
// An enumeration constant known to the tables: its value in *value.
bool FindEnumConst(const char* name, int32_t* value);
// The declarator an ordinary name refers to (blocks, then file scope); null
// when none. The found globals are left alone.
Declarator* FindOrdinary(const char* name);

// An identifier token that names the declarator is used in an expression:
// the declarator is marked used and, when the use takes its address, passes
// it to a function (inArgList) or assigns it, set. True when it is a local
// of automatic storage that is used before it was ever set (idn_no_init).
bool CheckSet(Declarator* decl, LexToken* token, bool inArgList);
// The unused objects of the current block / the static file-scope objects
// that are neither used nor functions; the name of the block's i-th unused
// object (from 0), or null.
int UnusedInBlock();
int UnusedStatics();
const char* UnusedName(int i);

// Two types are the same: base, qualifiers, name and levels (parameter
// lists compared unless one is an empty () list).
bool SameType(const Type* a, const Type* b);

// The longest common prefix (6 characters or more, else 0) of the name with
// a declared object or function: the blocks' names, then the static and the
// external identifiers; 0 when the name itself is declared. FindExSimilar
// compares with the external identifiers only, ignoring letter case.
int FindSimilar(const char* name);
int FindExSimilar(const char* name);
// What a declared name hides: kHidesNothing; kHidesName when it is declared
// in a block enclosing the current one or at file scope (dcl_hidden);
// kHidesLabel when it names a label of the function and the current block
// is nested in its body (dcl_label_overload).
enum : int { kHidesNothing = 0, kHidesName = 1, kHidesLabel = 2 };
int FindHidden(const char* name);

// Blocks. Level 0: file scope; 1: a function body.
struct Block {
  Block* parent = nullptr;
  int level = 0;
  Declarator* typedefs = nullptr;
  Declarator* declarators = nullptr;
  EnumConst* enums = nullptr;
  Tag* tags = nullptr;
  Type* returnType = nullptr;   // function body: the function's type
  bool initialisedLocals = false;
  std::vector<std::string> labels;  // function body: the labels defined so far
  // Counts for the block's stm_ events.
  long simple = 0, aggregates = 0, arrayElements = 0, locals = 0, members = 0, tokens = 0;
};
extern Block* topBlock;
int BlockLevel();
// Opens a block one level deeper / closes the innermost one (its tables freed).
void OpenBlock();
void CloseBlock();
// The body of a function definition begins: records the function and enters
// its parameters (up to a '...', none for '(void)') as set locals of the body.
void EnterParameters();

// Entering declarators.
void AddLocal(Declarator* decl);
int AddGlobal(Declarator* decl, bool predeclared);
void AddEnumConst(EnumConst* e);
void AddTag(Tag* tag);
// A typedef declared in a C++ class: found by name in the module like a
// file-scope one, without the checks of a redeclaration.
void AddNestedTypedef(Declarator* decl);

// Per module and per project.
void InitSymbols();
void EndModuleSymbols();
void EndProjectSymbols();

// Storage for the records of a run, freed by EndProjectSymbols.
Declarator* NewDeclarator();
Type* NewType();
Modifier* NewModifier();
Proto* NewProto();
Tag* NewTag();
EnumConst* NewEnumConst();

}  // namespace mv
