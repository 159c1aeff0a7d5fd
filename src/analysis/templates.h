// Templates as lookup needs them: every class and function template is known
// by name from its header on, and the type parameters of the templates being
// declared are type names inside their headers and bodies. The token stream
// keeps these records as it hands the tokens to the parser, so that a name
// is classified before the parser reduces anything around it.
#pragma once

#include <string>
#include <vector>

namespace mv {

struct LexToken;
struct Declarator;

// Kinds of template (FindTemplate's kind).
enum : int { kTemplateClass = 0, kTemplateFunction = 1 };

struct Template {
  std::string name;
  int kind = kTemplateClass;
  std::vector<std::string> typeParameters;
  int line = 0;
};

// The template of that name and kind (-1: either kind); null when none.
const Template* FindTemplate(const char* name, int kind);
// The name is a type parameter of a template whose header or body is open.
bool IsTemplateParameter(const char* name);
// The value parameter of that name of a template whose header or body is open.
Declarator* FindTemplateValue(const char* name);
// Inside the parameter list of a template header.
bool InTemplateHeader();
// In a template header, t stands among the header's own parameters, outside
// the argument lists and parentheses of their default values.
bool InHeaderParameters(const LexToken* t);

// Token stream side: the keyword template was handed to the parser (next:
// the token after it); each token after it (the template's end is found by
// counting braces); a type parameter named in the header.
void TemplateKeyword(LexToken* keyword, LexToken* next);
void TemplateToken(LexToken* token);
void TemplateParameterName(LexToken* name);
// A member function's body skipped in its class (braceSeen: its '{' was
// handed over as the look-ahead), read again later (between
// TemplateBodyReplayed and TemplateBodyRead), or forgotten after a syntax
// error. A member template's own templates are closed while the body waits.
void TemplateBodySkipped(const void* function, bool braceSeen);
void TemplateBodyReplayed(const void* function);
void TemplateBodyRead();
void DropSkippedTemplateBodies();

// From the '<' after a name: the '>' that closes the template argument list,
// or null when the '<' is a comparison. For a name that is not a known
// template the first argument must begin with a type.
LexToken* LxTempArgs(LexToken* open, bool known);

// A member template's name whose qualifiers the token stream dropped
// (A<T>::B<U>, T::template X<U>): no use of an undeclared template.
void NoteQualifiedTemplate(const LexToken* name);

// Start of a module: no template is open (the records stay for the run).
void InitTemplates();

// ---- Grammar actions ---------------------------------------------------------------
void TempStart();               // template <
void TempParm(int isValue);     // after each parameter: 0 a type, 1 a named value, 2 an unnamed one
void TempHeader();              // the header's '>'
void TempRecord();              // the end of the template declaration
void TempSpecStart(LexToken* name);  // Name<
void TempSpecArg();             // a type argument
void TempSpecExp();             // an expression argument
void TempSpecEnd();             // the closing '>'
// A type specifier that is a template type parameter (311) or a template
// with its arguments (318). A template not declared yet gets advisory 51 and
// is known as a class template from then on.
void TemplateSpecifier(int code, LexToken* name);

}  // namespace mv
