// The token stream between the lexer and the parser: a look-ahead chain of
// one statement, token records, and the token-level trigger variables.
#pragma once

namespace mv {

// Start-up of the run.
void InitTokens();
// Until a parser pulls the tokens: reads the module through the token stream
// to its end, so that token, preprocessor, lexical and line rules run.
void ReadModuleTokens();

}  // namespace mv
