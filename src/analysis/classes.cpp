// Tags by name, namespace names and the class bodies being read (C++).
#include "analysis/classes.h"

#include <deque>
#include <string>
#include <unordered_map>
#include <unordered_set>
#include <vector>

#include "analysis/actions_cpp.h"
#include "analysis/declare.h"
#include "analysis/symbols.h"

namespace mv {

namespace {

struct ClassBody {
  std::string name;
  Tag* tag = nullptr;
  int level = 0;
  int access = 3;
};

std::unordered_map<std::string, Tag*> moduleTags;
std::unordered_set<std::string> namespaces;
std::unordered_set<std::string> constructors;
std::vector<ClassBody> bodies;
std::deque<std::string> keptNames;
Tag* functionClass;
std::string scopeName;
bool scopeNamed;

Declarator* MemberOf(const Tag* tag, const char* name, int depth) {
  if (tag == nullptr || depth > 16) return nullptr;
  for (Declarator* d = tag->members; d != nullptr; d = d->next)
    if (d->name == name) return d;
  if (tag->name.empty()) return nullptr;
  for (const std::string& base : BaseClassNames(tag->name))
    if (Declarator* d = MemberOf(FindTag(base.c_str()), name, depth + 1)) return d;
  return nullptr;
}

}  // namespace

void InitClasses() {
  moduleTags.clear();
  namespaces.clear();
  constructors.clear();
  bodies.clear();
  keptNames.clear();
  functionClass = nullptr;
  scopeNamed = false;
}

void NoteTag(Tag* tag) {
  if (tag == nullptr || tag->name.empty() || topBlock != nullptr) return;
  moduleTags[tag->name] = tag;
}

Tag* FindTag(const char* name) {
  for (Block* b = topBlock; b != nullptr; b = b->parent)
    for (Tag* t = b->tags; t != nullptr; t = t->next)
      if (t->name == name) return t;
  auto it = moduleTags.find(name);
  return it != moduleTags.end() ? it->second : nullptr;
}

Tag* FindTagBefore(const char* name, const Declarator* object) {
  // In the block of the object, and at file scope, the object hides a class
  // of its name; a class named without its body (class C *p) declares none.
  for (Block* b = topBlock; b != nullptr && b->level > 0; b = b->parent) {
    for (const Declarator* d = b->declarators; d != nullptr; d = d->next)
      if (d == object) return nullptr;
    for (Tag* t = b->tags; t != nullptr; t = t->next)
      if (t->name == name && t->defined) return t;
  }
  return nullptr;
}

void AddConstructor(const char* name) { constructors.insert(name); }
bool IsConstructor(const char* name) { return !constructors.empty() && constructors.count(name) != 0; }

void AddNamespaceName(const char* name) {
  if (name != nullptr && *name != 0) namespaces.insert(name);
}

bool IsNamespaceName(const char* name) { return !namespaces.empty() && namespaces.count(name) != 0; }

void PushClassBody(const char* name, Tag* tag) { bodies.push_back({name != nullptr ? name : "", tag, BlockLevel(), 3}); }

void SetFunctionClass(Tag* tag) { functionClass = tag; }
Tag* FunctionClass() { return functionClass; }
bool ClassScopeOpen() { return !bodies.empty() || functionClass != nullptr; }

void SetScopeName(const char* name) {
  scopeNamed = name != nullptr;
  if (scopeNamed) scopeName = name;
}

const char* ScopeNameRead() { return scopeNamed ? scopeName.c_str() : nullptr; }

Declarator* FindScopedMember(const char* name) {
  return scopeNamed ? MemberOf(FindTag(scopeName.c_str()), name, 0) : nullptr;
}

Declarator* FindClassMember(const char* name) {
  for (auto b = bodies.rbegin(); b != bodies.rend(); ++b)
    if (Declarator* d = MemberOf(b->tag, name, 0)) return d;
  return MemberOf(functionClass, name, 0);
}

void PopClassBody() {
  if (!bodies.empty()) bodies.pop_back();
}

bool InClassBody() { return !bodies.empty(); }
const char* ClassBodyName() { return bodies.empty() ? "" : bodies.back().name.c_str(); }
int ClassBodyLevel() { return bodies.empty() ? -1 : bodies.back().level; }

void SetMemberAccess(int access) {
  if (!bodies.empty()) bodies.back().access = access;
}

int MemberAccess() { return bodies.empty() ? 3 : bodies.back().access; }

char* KeepName(const char* prefix, const char* name) {
  keptNames.push_back(std::string(prefix) + name);
  return keptNames.back().data();
}

}  // namespace mv
