// The parser: one LALR(1) grammar (grammar.y) for C, C++ and rule files,
// pulled token by token from the token stream, and its syntax error report.
#pragma once

namespace mv {

// Start-up of a run: no report buffer yet, no report suppressed.
void InitParser();

// Parses the current module, or the rule file when checkRules is set.
// 0: accepted; 1: given up after a syntax error.
int yyparse();

// The syntax error report, in three steps: 0 starts it for the current
// token, 1 adds one acceptable token to the expectation list, 2 ends and
// issues it.
void yyerror(int step, int token);

// The word that names a token in an expectation list; null when the token
// is not to be listed.
const char* yydisplay(int token);

// A class template that was already diagnosed and closed: the next report
// is suppressed.
extern bool zapError;

// Syntax errors reported since it was last cleared: a rule file that has
// one is not compiled.
extern int syntaxErrors;

// Where the parser's tokens come from; null means the token stream (yylex).
// A replacement sets yaccTokenType, yaccTokenValue, yaccPrevType and the
// yylval values as the token stream would.
extern int (*parserTokenSource)();

// Between the generated parser and the rest of this module.
// The parser's state stack is full: fatal error 31.
[[noreturn]] void ParserStackOverflow();
// The next token for the parser, from parserTokenSource or the token stream.
int ParserNextToken();
// Runs the generated parser.
int ParseInput();
// Makes and issues the report of a syntax error at the token `token`, with
// the acceptable tokens in increasing code.
void SyntaxErrorReport(int token, const int* expected, int count);

}  // namespace mv
