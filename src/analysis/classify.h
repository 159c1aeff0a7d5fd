// Re-classification of identifiers and parentheses for the parser: typedef
// names, enumeration constants, aggregate names after struct, union and
// enum, and the kind of a parenthesis after a name (a prototype's, an
// old-style identifier list's or a plain one), decided from the
// declarations seen so far and the declaration state.
#pragma once

#include "analysis/declare.h"

namespace mv {

struct LexToken;

// Installs ReclassifyToken as the token stream's re-classification hook and
// clears its state (start of a module).
void InstallClassifier();
// The token stream's hook: the code under which the token goes to the parser.
int ReclassifyToken(LexToken* token);
// The typedef that the last typedef name handed to the parser named.
const Declarator* TypedefOfLastName();
// The tag that the last class name (315) handed to the parser named.
Tag* TagOfLastName();
// The name before the '::' about to be handed over (a class template's name
// before its argument list closed by close), so that C<T>::C is taken as a
// constructor.
void NoteQualifier(const char* name, LexToken* close);
// Inside the parentheses of a constructor's initializers: names there begin
// operands.
bool InCtorInitializer();

// Look-ahead over the token chain.
// The token after t, reading the next statement when the chain ends.
LexToken* LxNext(LexToken* t);
// The code of the parenthesis after a name: '(' (40), 295 prototype, 296
// old-style identifier list.
int LxFcnParams(LexToken* paren);
// The parenthesis holds a parameter type list.
bool LxParmTypeList(LexToken* paren);
// A GNU typeof (`__typeof__(` ...): the token stream hands it over as 323.
bool IsTypeof(LexToken* t);
// The last token of the specifier sequence starting at t; null when none.
LexToken* LxSpecList(LexToken* t);

}  // namespace mv
