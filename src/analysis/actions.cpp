// The action trace shared by the action groups (actions_expr.cpp,
// actions_stmt.cpp, actions_decl.cpp).
#include "analysis/actions.h"

#include <cstdio>
#include <string>

#include "analysis/actions_trace.h"

namespace mv {

std::vector<std::string>* actionTrace;

void Record(const char* name) {
  if (actionTrace != nullptr) actionTrace->push_back(std::string(name) + "()");
}

void Record(const char* name, long a) {
  if (actionTrace == nullptr) return;
  char text[64];
  snprintf(text, sizeof text, "%s(%ld)", name, a);
  actionTrace->push_back(text);
}

void Record(const char* name, long a, long b) {
  if (actionTrace == nullptr) return;
  char text[64];
  snprintf(text, sizeof text, "%s(%ld,%ld)", name, a, b);
  actionTrace->push_back(text);
}

}  // namespace mv
