// Scopes and name lookup: blocks, the module and project tables, and the
// globals a lookup leaves for the actions.
#pragma once

#include <cstdint>

#include "analysis/declare.h"

namespace mv {

struct LexToken;

// What the last lookup found (cleared at the start of each lookup).
extern Declarator* foundDec;
extern Tag* foundTag;
extern bool idFound;
extern int32_t thisEnumValue;

// Result codes of a lookup.
enum : int {
  kLookIdent = 310, kLookEnum = 309, kLookTypedef = 313, kLookConstructor = 314,
  kLookTag = 315, kLookScope = 316, kLookTemplate = 317, kLookNamespace = 320,
};

// Classifies an identifier for the parser; leaves what it found in the
// globals above.
int FindTypeDef(const char* name, LexToken* token, int scopeClass, int scopeKind, int wantTypes);

// Blocks. Level 0: file scope; 1: a function body.
struct Block;
extern Block* topBlock;
int BlockLevel();
// Opens a block one level deeper / closes the innermost one (its tables freed).
void OpenBlock();
void CloseBlock();

// Entering declarators.
void AddLocal(Declarator* decl);
int AddGlobal(Declarator* decl, bool predeclared);

// Per module and per project.
void InitSymbols();
void EndModuleSymbols();
void EndProjectSymbols();

}  // namespace mv
