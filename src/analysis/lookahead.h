// C++ look-ahead for the token stream's re-classification: the parenthesis
// of `new` (a placement or a parenthesised type), function-like casts (312)
// and constructor calls (a hot tag 314 before a 297 parenthesis) in
// expressions, and template argument lists after a name.
#pragma once

namespace mv {

struct LexToken;

// Re-classifies a C++ token other than an identifier; 0 when it is left to
// the C classification.
int CppReclassify(LexToken* token, int code);
// Corrects the code the C classification gave an identifier (its follower
// `next`, may be null).
int CppIdentifier(LexToken* token, int code, LexToken* next);
// The parenthesis starts a parameter list that begins with a type (a
// parenthesised type after new, a prototype's list).
bool LxTypedParam(LexToken* paren);
// The parenthesis starts an abstract or named declarator of a pointer or
// reference: (*), (&), (*name), (Class::*).
bool LxAbsFcnPtr(LexToken* paren);
// A type named by a template: a template type parameter, or a template name
// with its argument list, either perhaps followed by ::names. Its last token;
// null when t begins no such type.
LexToken* LxTemplateType(LexToken* t);
// A qualified name through a template (A<T>::type, T::type) that names a
// type: its qualifiers are dropped and its last name becomes 311; returns
// 550 for the first token then, else 0.
int CppQualified(LexToken* first);
// Start of a module.
void InitLookahead();

}  // namespace mv
