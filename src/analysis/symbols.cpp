// Scopes and name lookup. First cut: no name is recorded yet; every lookup
// finds nothing.
#include "analysis/symbols.h"

namespace mv {

Declarator* foundDec;
Tag* foundTag;
bool idFound;
int32_t thisEnumValue;
Block* topBlock;

namespace {
int blockLevel;
}

int LevelCount(const Type* type) {
  int n = 0;
  if (type != nullptr)
    for (const Modifier* m = type->levels; m != nullptr; m = m->next) ++n;
  return n;
}

int FindTypeDef(const char*, LexToken*, int, int, int) {
  foundDec = nullptr;
  foundTag = nullptr;
  idFound = false;
  return kLookIdent;
}

int BlockLevel() { return blockLevel; }
void OpenBlock() { ++blockLevel; }
void CloseBlock() {
  if (blockLevel > 0) --blockLevel;
}
void AddLocal(Declarator*) {}
int AddGlobal(Declarator*, bool) { return 0; }
void InitSymbols() { blockLevel = 0; }
void EndModuleSymbols() { blockLevel = 0; }
void EndProjectSymbols() {}

}  // namespace mv
