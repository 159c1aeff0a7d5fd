// The checker with the parser left out: each module's tokens are pulled
// through the token stream to the module's end, so that a run measures the
// preprocessor, the lexer and the token stream alone (bench/pp.sh). Lines are
// still closed at each ';' by yylex, as when the parser pulls them.
#include "driver/run.h"
#include "frontend/lex.h"
#include "frontend/lex2.h"

namespace {

int PullTokens() {
  // Identifiers are classified from the parser's declarations; with no
  // parser there is nothing to classify them by (and gcc -E does not either).
  mv::reclassifyHook = nullptr;
  for (int code; (code = mv::yylex()) != 0;)
    if (code == mv::kTokEndModule) break;
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  mv::readModule = PullTokens;
  mv::MorvaneMain(argc, argv);
}
