#include "frontend/lex2.h"

#include "frontend/lex.h"

namespace mv {

void InitTokens() {}

void ReadModuleTokens() {
  LexValue value;
  for (int code; (code = Lex1()) != 0;) Lex2(code, &value);
}

}  // namespace mv
