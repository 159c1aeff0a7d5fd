/* The grammar of C, of the rule language and (in later steps) of C++: one
 * LALR(1) grammar whose reductions call the actions of actions.h.
 *
 * Token codes are the external codes the token stream delivers; single
 * characters stand for themselves.  Nonterminals are laid out so that C++
 * adds productions to them (class heads, member functions, qualified names,
 * templates, new/delete, try/catch) instead of rewriting them.
 *
 * A rule file needs no productions of its own: the lexer hands it over as
 * the body of a function (`int main() {` before it, `}` after it), so its
 * declarations and top-level `if` statements are a block's items.
 *
 * Conflicts: exactly one, the dangling else (an `else` belongs to the
 * nearest `if`), resolved by shifting; %expect makes any new one an error.
 * One more is settled by precedence: a '*' after the type of a `new`
 * belongs to the type (`new int * x` allocates a pointer), as in C++.
 *
 * Errors are found the yacc way: a state's default reduction is taken
 * before the look-ahead is checked, and the report lists the tokens of the
 * state where the error shows. Lookahead correction (parse.lac) is not used:
 * it would stop before those reductions, and the productions for the
 * recognisable mistakes (`expression error`: a semicolon missing;
 * `'(' expression error`: a ')' missing) would never be reached.
 */

%require "3.8"
%define api.prefix {mvyy}
%define api.token.prefix {TOK_}
%define parse.error custom
%expect 1

/* Included before the generated code renames yylex and yyerror: the token
   stream's yylex is another function. */
%code top {
#include <algorithm>

#include "analysis/actions.h"
#include "analysis/actions_cpp.h"
#include "analysis/templates.h"
#include "analysis/parser.h"
#include "driver/options.h"
#include "frontend/lex.h"
#include "frontend/lex2.h"
#include "support/mverror.h"
#include "support/public.h"
}

%code requires {
#include <cstdint>
namespace mv { struct LexToken; }
}

%union {
  mv::LexToken* p;  /* the token record of a token */
  int64_t i;        /* integer and character constants; flags of a specifier list */
  double d;         /* floating constants */
}

%code {
using namespace mv;

/* The state and value stacks hold kParserStack states; one more is fatal
   error 31, and the stacks never grow. The generated parser checks for a
   full stack right after each push, so the arrays have one spare slot. */
#define YYINITDEPTH (mv::kParserStack + 1)
#define YYMAXDEPTH (mv::kParserStack + 1)
#define yyoverflow(...) mv::ParserStackOverflow()

int mvyylex();
void mvyyerror(const char* message);

namespace {

static_assert(sizeof(MVYYSTYPE) == 8, "the semantic value is one 8-byte cell");

/* Flags of a specifier list (the value of decl_specs). */
constexpr int64_t kSpecTypedef = 1;

const char* TokenText(const LexToken* token) { return token != nullptr ? token->text : nullptr; }

/* A member function's body in its class: when the look-ahead begins it and
   the body is skipped, the look-ahead becomes CTOR_COLON, and the token
   stream hands over SKIPPED_BODY next. */
void SkipMemberBody(int* lookahead) {
  if ((*lookahead == '{' || *lookahead == TOK_CTOR_COLON) && DeferredFcn()) *lookahead = TOK_CTOR_COLON;
}

/* An operator: its event, then its pseudocode. */
void Op(int op, LexToken* token, int operands, int code) {
  SetOp(op, token, operands);
  Compile(code);
}

/* An assignment: '=' is opcode 61, a compound assignment's opcode is its
   token code (270 to 279). */
void AssignOp(LexToken* token) {
  static const int kCompound[] = {op_add_assign, op_sub_assign,  op_mul_assign,   op_div_assign, op_rem_assign,
                                  op_left_assign, op_right_assign, op_and_assign, op_xor_assign, op_or_assign};
  const int code = token != nullptr ? token->type : '=';
  if (code >= 270 && code <= 279)
    Op(kCompound[code - 270], token, 2, code);
  else
    Op(op_assign, token, 2, 61);
}

}  // namespace
}

/* ---- Tokens: the external codes ---------------------------------------- */

%token <p> OROR 257 ANDAND 258 EQ 259 NE 260 LE 261 GE 262 SHL 263 SHR 264
%token <p> INC 265 DEC 266 UMINUS 267 ARROW 268 INDEX 269
%token <p> ADD_ASSIGN 270 SUB_ASSIGN 271 MUL_ASSIGN 272 DIV_ASSIGN 273 MOD_ASSIGN 274
%token <p> SHL_ASSIGN 275 SHR_ASSIGN 276 AND_ASSIGN 277 XOR_ASSIGN 278 OR_ASSIGN 279
%token <p> DESTROY 280 SCOPE 281 DOT_STAR 282 ARROW_STAR 283 TEMPLATE_CLOSE 284
%token <p> ELLIPSIS 285 DOT_DOT 286 LEFT_ARROW 287 DCL_ARROW 288 FAT_ARROW 289
%token <p> HIGHC_RESERVED 290 COLON_GT 291 BORLAND_EQ 292 CTOR_COLON 293
/* The four kinds of opening parenthesis the token stream tells apart. */
%token <p> PAREN_INIT 294 PAREN_PROTO 295 PAREN_OLD 296 PAREN_CTOR 297
%token <p> UCLASS 298 INTRINSIC 299 AT_NUMBER 300 END_MODULE 301
%token <p> STRING 302
%token <i> INT_CONST 303 INT_CONST_2 304 CHAR_CONST 305
%token <d> FLOAT_CONST 306
%token <i> TRUE_KW 307 FALSE_KW 308
%token <p> ENUM_CONST 309 IDENTIFIER 310 TEMPLATE_PARAM 311 FCN_CAST 312 TYPEDEF_NAME 313
%token <p> HOT_TAG 314 TAG_NAME 315 SCOPE_NAME 316 TEMPLATE_NAME 317 TEMPLATE_KNOWN 318
%token <p> AGGR_NAME 319 NAMESPACE_NAME 320 TEMPLATE_SCOPE 321 NAMESPACE_ALIAS 322
/* GNU typeof: the word `__typeof__` (or a spelling of it) before its '('. */
%token <p> GNU_TYPEOF 323
/* GNU: `__label__`, which declares the local labels of a block. */
%token <p> GNU_LABEL 415
%token <p> BREAK 324 CASE 325 CONTINUE 326 DEFAULT 327 DO 328 ELSE 329 FOR 330 GOTO 331
%token <p> IF 332 RETURN 333 SIZEOF 334 IF_EXISTS 335 SWITCH 336 TYPEDEF 337 WHILE 338
%token <p> EXTERN 339 STATIC 340 AUTO 341 REGISTER 342 MUTABLE 343
%token <p> CHAR 344 SHORT 345 SIGNED 346 UNSIGNED 347 FLOAT 348 DOUBLE 349
%token <p> STRUCT 350 UNION 351 ENUM 353 VOID 354 INT 355
%token <p> INT8 356 INT16 357 INT32 358 INT64 359 LONG 360 BOOL 361 WCHAR_T 362
%token <p> CONST 363 VOLATILE 364 SEGMENT 365 SEGNAME 366 UUIDOF 367 ASM 368
%token <p> ASM_BLOCK 369 ASM_BRACED 370 PRAGMA 371 HC_FAR 372 HC_NEAR 373 HC_HUGE 374
%token <p> STATISTIC 376
/* C++ keywords; 385 and 386 are reserved for the C++ grammar. */
%token <p> CATCH 377 DELETE 378 NEW 379 OPERATOR 380 TEMPLATE 381 THIS 382 THROW 383 TRY 384
/* 386: the '&' of a C++ reference declarator, told apart by the token stream. */
%token <p> CPP_385 385 REFERENCE 386
%token <p> NAMED_CAST 387 TYPEID 388 CLASSID 389 CLASS 390 NAMESPACE 391 FRIEND 392
%token <p> VIRTUAL 393 INLINE 394 EXPLICIT 395 USING 396 TYPENAME 397
%token <p> OPERATOR_TYPEDEF 398 ACCESS 399
%token <p> GLOBALDEF 400 NOSHARE 401 READONLY 402 ALIGN 403 VAX_ATTRIBUTE 404
%token <p> EXCEPT 405 FINALLY 406
/* Type keywords added at run time; 410 is also the rule files' FILE. */
%token <p> NEW_TYPE_407 407 NEW_TYPE_408 408 NEW_TYPE_409 409 FILE_TYPE 410
%token <p> NEW_TYPE_411 411 NEW_TYPE_412 412 NEW_TYPE_413 413 NEW_TYPE_414 414
%token <p> BASED 518 SELF 519 DECLSPEC 539 PUBLIC 544 PROTECTED 545 PRIVATE 546
%token <p> GNU_ATTRIBUTE 548
/* A member function body skipped in its class; the start of one read at the
   class's end. */
%token <p> SKIPPED_BODY 580 DEFERRED_BODY 581
%token <p> NEAR 551 FAR 552 HUGE 553 IMPORT 554 EXPORT 555 FASTCALL 556 SAVEREGS 557
%token <p> LOADDS 558 CDECL 559 PASCAL 560 FORTRAN 561 INTERRUPT 562

/* Tokens without a declared type that carry their token record. */
%type <p> '(' ')' '[' ']' '{' '}' ';' ',' ':' '=' '?' '.' '&' '*' '+' '-' '~' '!' '/' '%'
%type <p> '<' '>' '^' '|'

/* The type of `new` and of a conversion function takes a following '*' (see
   new_type_id and conversion_type). */
%precedence NEW_TYPE_END
%precedence '*'

%type <i> decl_specs decl_spec struct_kw struct_head struct_anonymous initializer expr_opt
%type <p> tag_name delete_kw assign_op sizeof_head template_call_name
%type <i> base_clause
%type <p> qualified_ident operator_name special_name namespace_name

%start input

%%

/* ---- A module -------------------------------------------------------------- */

/* The token stream ends a module with 301, then with 0. */
input:
    module_items
  | module_items END_MODULE
  ;

module_items:
    %empty
  | module_items external_declaration
  ;

external_declaration:
    function_definition
  | declaration
  | nospec_declaration
  | ASM '(' asm_body ')' ';'
  | ASM_BLOCK
  | ASM_BRACED
  | pragma
  | linkage_specification
  | namespace_definition
  | using_declaration
  | ';'
  | template_declaration
  | error ';'                                 { ResetDeclarations(); ResetExpressions(); DropDeferred(); }
  | error '}'                                 { ResetDeclarations(); ResetExpressions(); DropDeferred(); }
  ;

/* ---- Declarations ---------------------------------------------------------- */

declaration:
    decl_specs ';'
      { SetOp(op_semicolon, $2, 0); EmptyDeclaration(); EndDclList(); }
  | decl_specs init_declarator_list ';'
      { SetOp(op_semicolon, $3, 0); EndDclList(); }
  | decl_specs error ';'
      {
        if (($1 & kSpecTypedef) != 0) Warning(13);
        ResetExpressions();
        EndDclList();
      }
  ;

/* Old C: a file-scope declaration whose type defaults to int. */
nospec_declaration:
    init_declarator_list ';'                  { SetOp(op_semicolon, $2, 0); EndDclList(); }
  ;

decl_specs:
    decl_spec                                 { $$ = $1; }
  | decl_specs decl_spec
      {
        if (($1 & $2 & kSpecTypedef) != 0) Warning(13);
        $$ = $1 | $2;
      }
  ;

decl_spec:
    storage_class                             { $$ = 0; }
  | TYPEDEF                                   { Specifier(337); $$ = kSpecTypedef; }
  | type_specifier                            { $$ = 0; }
  | type_qualifier                            { $$ = 0; }
  | function_specifier                        { $$ = 0; }
  | ext_modifier                              { $$ = 0; }
  ;

storage_class:
    EXTERN                                    { Specifier(339); }
  | STATIC                                    { Specifier(340); }
  | AUTO                                      { Specifier(341); }
  | REGISTER                                  { Specifier(342); }
  | MUTABLE                                   { Specifier(343); }
  | GLOBALDEF                                 { Specifier(400); }
  | STATISTIC                                 { Specifier(376); }
  ;

type_specifier:
    type_keyword
  | TYPEDEF_NAME                              { Specifier(313); }
  | TAG_NAME                                  { Specifier(315); }
  | TEMPLATE_PARAM                            { TemplateSpecifier(311, $1); }
  | TEMPLATE_KNOWN template_args              { TemplateSpecifier(318, $1); }
  | struct_or_union_specifier
  | enum_specifier
  | typeof_specifier
  ;

/* GNU: the type of an expression or of a type name. */
typeof_specifier:
    typeof_head '(' expression ')'            { EndTypeof(0); }
  | typeof_head '(' type_name ')'             { EndTypeof(1); }
  ;

typeof_head:
    GNU_TYPEOF                                { BeginTypeof($1); }
  ;

type_keyword:
    CHAR                                      { Specifier(344); }
  | SHORT                                     { Specifier(345); }
  | SIGNED                                    { Specifier(346); }
  | UNSIGNED                                  { Specifier(347); }
  | FLOAT                                     { Specifier(348); }
  | DOUBLE                                    { Specifier(349); }
  | VOID                                      { Specifier(354); }
  | INT                                       { Specifier(355); }
  | INT8                                      { Specifier(356); }
  | INT16                                     { Specifier(357); }
  | INT32                                     { Specifier(358); }
  | INT64                                     { Specifier(359); }
  | LONG                                      { Specifier(360); }
  | BOOL                                      { Specifier(361); }
  | WCHAR_T                                   { Specifier(362); }
  | SEGMENT                                   { Specifier(365); }
  | NEW_TYPE_407                              { Specifier(407); }
  | NEW_TYPE_408                              { Specifier(408); }
  | NEW_TYPE_409                              { Specifier(409); }
  | FILE_TYPE                                 { Specifier(410); }
  | NEW_TYPE_411                              { Specifier(411); }
  | NEW_TYPE_412                              { Specifier(412); }
  | NEW_TYPE_413                              { Specifier(413); }
  | NEW_TYPE_414                              { Specifier(414); }
  ;

type_qualifier:
    CONST                                     { Specifier(363); }
  | VOLATILE                                  { Specifier(364); }
  | HC_FAR                                    { Specifier(372); }
  | HC_NEAR                                   { Specifier(373); }
  | HC_HUGE                                   { Specifier(374); }
  ;

function_specifier:
    INLINE                                    { Specifier(394); }
  | VIRTUAL                                   { Specifier(393); }
  | EXPLICIT                                  { Specifier(395); }
  | FRIEND                                    { Specifier(392); }
  ;

/* Calling conventions, memory models and the VAX attributes. The token
   stream drops most of them inside declarations; elsewhere (casts, and
   after a '*') they reach the parser. */
ext_modifier:
    BASED                                     { ExtModifier(518); }
  | SELF                                      { ExtModifier(519); }
  | NEAR                                      { ExtModifier(551); }
  | FAR                                       { ExtModifier(552); }
  | HUGE                                      { ExtModifier(553); }
  | IMPORT                                    { ExtModifier(554); }
  | EXPORT                                    { ExtModifier(555); }
  | FASTCALL                                  { ExtModifier(556); }
  | SAVEREGS                                  { ExtModifier(557); }
  | LOADDS                                    { ExtModifier(558); }
  | CDECL                                     { ExtModifier(559); }
  | PASCAL                                    { ExtModifier(560); }
  | FORTRAN                                   { ExtModifier(561); }
  | INTERRUPT                                 { ExtModifier(562); }
  | NOSHARE                                   { ExtModifier(401); }
  | READONLY                                  { ExtModifier(402); }
  | ALIGN                                     { ExtModifier(403); }
  | VAX_ATTRIBUTE                             { ExtModifier(404); }
  ;

init_declarator_list:
    init_declarator
  | init_declarator_list ',' { SetOp(op_separator, $2, 0); GetNewType(); } init_declarator
  ;

init_declarator:
    declarator                                { CheckDeclarator(0); }
  | declarator asm_label                      { CheckDeclarator(0); }
  | declarator asm_label '='
      {
        SetOp(op_init, $3, 2);
        CheckDeclarator(1);
        BeginInit(0);
      }
    initializer                               { CheckInit(static_cast<int>($5)); }
  | declarator PAREN_INIT
      {
        SetOp(op_init, $2, 2);
        CheckDeclarator(1);
        BeginInit(0);
      }
    argument_values ')'                       { CheckInit(1); }
  | declarator '='
      {
        SetOp(op_init, $2, 2);
        CheckDeclarator(1);
        BeginInit(0);
      }
    initializer                               { CheckInit(static_cast<int>($4)); }
  ;

/* ---- Structures, unions, enumerations ------------------------------------------ */

struct_or_union_specifier:
    struct_head member_body
  | struct_head base_clause member_body
  | struct_anonymous member_body
  | struct_head
  ;

struct_kw:
    STRUCT                                    { Specifier(350); $$ = 350; }
  | UNION                                     { Specifier(351); $$ = 351; }
  | CLASS                                     { Specifier(390); $$ = 390; }
  ;

struct_head:
    struct_kw tag_name
      {
        DeclareTag(TokenText($2), static_cast<int>($1));
        ClassHead($2);
        $$ = $1;
      }
  ;

struct_anonymous:
    struct_kw                                 { DeclareTag(nullptr, static_cast<int>($1)); ClassHead(nullptr); $$ = $1; }
  ;

/* The base list of a C++ class; its colon is told apart from a bit-field's
   by the token stream (293). The value is the class keyword's code, for
   member_body. */
base_clause:
    CTOR_COLON { StartBase(); } base_list     { $$ = $<i>0; }
  ;

base_list:
    base_specifier
  | base_list ',' { SetOp(op_separator, $2, 0); } base_specifier
  ;

base_specifier:
    base_class_name
  | base_modifiers base_class_name
  ;

base_modifiers:
    ACCESS                                    { SetAccess($1); }
  | VIRTUAL
  | base_modifiers ACCESS                     { SetAccess($2); }
  | base_modifiers VIRTUAL
  ;

base_class_name:
    TAG_NAME                                  { BaseName($1); }
  | TEMPLATE_KNOWN template_args              { BaseName($1); }
  | scope_prefix TEMPLATE_KNOWN template_args { BaseName($2); }
  | TYPEDEF_NAME                              { BaseName($1); }
  | TEMPLATE_PARAM                            { BaseName($1); }
  | IDENTIFIER                                { BaseName($1); }
  | qualified_ident                           { BaseName($1); }
  | TEMPLATE_NAME template_args               { BaseName($1); }
  /* A class that shares its name with an enumerator: only types are bases. */
  | ENUM_CONST                                { BaseName($1); }
  ;

tag_name:
    AGGR_NAME
  | TEMPLATE_KNOWN template_args
  | IDENTIFIER
  | TYPEDEF_NAME
  | TAG_NAME
  ;

/* Follows struct_head or struct_anonymous, whose value is the keyword's code. */
member_body:
    '{' { StartMembers(static_cast<int>($<i>0)); StartClassBody(); } member_list deferred_bodies '}'
      { EndClassBody(); EndMembers(); }
  ;

/* The bodies of the member functions defined in the class, which the token
   stream hands over again before the class's '}', each after a
   DEFERRED_BODY. */
deferred_bodies:
    %empty
  | deferred_bodies DEFERRED_BODY { StartDeferred(); } function_body  { NextDeferred(); }
  ;

member_list:
    %empty
  | member_list member_declaration
  ;

member_declaration:
    decl_specs member_declarator_list ';'     { SetOp(op_semicolon, $3, 0); EndDclList(); }
  | decl_specs ';'
      { SetOp(op_semicolon, $2, 0); EmptyDeclaration(); EndDclList(); }
  | special_declarator ';'                    { CheckMember(); SetOp(op_semicolon, $2, 0); EndDclList(); }
  | qualified_ident ';'                       { SetOp(op_semicolon, $2, 0); UsingDeclaration(); }
  | member_function_head function_body
  | decl_specs declarator function_try_block
  | special_declarator function_try_block
  | ACCESS ':'                                { SetAccess($1); }
  | using_declaration
  | ';'
  | template_head member_declaration          { TempRecord(); }
  | error ';'                                 { Warning(14); EndDclList(); }
  ;


member_declarator_list:
    member_declarator
  | member_declarator_list ',' { SetOp(op_separator, $2, 0); GetNewType(); } member_declarator
  ;

member_declarator:
    declarator                                { CheckMember(); }
  | declarator asm_label                      { CheckMember(); }
  | declarator '=' { BeginConstant(); } constant_expression
      { EndConstant(); CheckMember(); }
  | declarator ':' { BeginConstant(); } constant_expression
      { EndConstant(); DoBitField(); CheckMember(); }
  | ':' { DirectDecl(3); BeginConstant(); } constant_expression
      { EndConstant(); DoBitField(); CheckMember(); }
  ;

/* A member function defined in its class: in C++ its body (the look-ahead
   '{' or the ':' of a constructor's initializers) is skipped and read at
   the class's end; the parser is handed CTOR_COLON SKIPPED_BODY instead,
   so that the look-ahead tokens of member_function_head stay those of a
   body (and a member declarator's error reports stay the same).
   (After member_declarator's rules: in C a declarator that a wrong token
   follows is a member's, as only a member's list can go on.) */
member_function_head:
    decl_specs declarator                     { FcnDeclarator(); SkipMemberBody(&yychar); }
  | special_declarator                        { FcnDeclarator(); SkipMemberBody(&yychar); }
  ;

enum_specifier:
    enum_head enum_body
  | enum_anonymous enum_body
  | enum_head
  ;

enum_kw:
    ENUM                                      { Specifier(353); }
  ;

enum_head:
    enum_kw tag_name                          { DeclareTag(TokenText($2), 353); }
  ;

enum_anonymous:
    enum_kw                                   { DeclareTag(nullptr, 353); }
  ;

enum_body:
    enum_open enumerator_list '}'             { EndMembers(); }
  | enum_open '}'                             { EndMembers(); }
  | enum_open enumerator_list ',' '}'         { EnumComma(); EndMembers(); }
  ;

enum_open:
    '{'                                       { StartMembers(353); }
  ;

enumerator_list:
    enumerator
  | enumerator_list ',' enumerator
  ;

enumerator:
    enumerator_name                           { AddEnum(); }
  | enumerator_name '=' { BeginConstant(); } constant_expression
      { EndConstant(); AddEnum(); }
  ;

enumerator_name:
    IDENTIFIER                                { DeclName($1); DirectDecl(2); }
  | ENUM_CONST                                { DeclName($1); DirectDecl(2); }
  ;

/* ---- Declarators ------------------------------------------------------------- */

declarator:
    direct_declarator
  | pointer direct_declarator
  ;

direct_declarator:
    TEMPLATE_NAME template_args               { DeclName($1); DirectDecl(1); }
  | scope_prefix TEMPLATE_NAME template_args  { DeclaratorName($2, 1); }
  |    IDENTIFIER                                { DeclName($1); DirectDecl(1); }
  | qualified_ident                           { DeclaratorName($1, 1); QualifiedName(); }
  | special_name parameter_suffix
  | direct_declarator exception_spec
  | declarator_open declarator ')'            { PopDeclarator(); }
  /* An operator function's name in parentheses: friend T (::operator- <>)(...). */
  | declarator_open special_name ')'          { PopDeclarator(); }
  | direct_declarator array_suffix
  | direct_declarator parameter_suffix
  | direct_declarator prototype_open identifier_list ')'  { FunParmEnd(2); }
  ;

declarator_open:
    '('                                       { PushDeclarator(); }
  ;

/* Each '*' is a level as soon as it is read; its qualifiers go onto it.
   C++ adds references and pointers to members (C::*). */
pointer:
    pointer_level
  | pointer pointer_level
  ;

pointer_level:
    '*' { AttachMod(3); } pointer_qualifiers
  | REFERENCE                                 { AttachMod(2); }
  | scope_prefix '*' { SetOp(op_memptr, $2, 0); AttachMod(3); } pointer_qualifiers
  ;

pointer_qualifiers:
    %empty
  | pointer_qualifiers pointer_qualifier
  ;

pointer_qualifier:
    CONST                                     { PtrQualifier(1); }
  | VOLATILE                                  { PtrQualifier(2); }
  | HC_NEAR                                   { PtrQualifier(16); }
  | HC_FAR                                    { PtrQualifier(32); }
  | HC_HUGE                                   { PtrQualifier(64); }
  | ext_modifier
  ;

array_suffix:
    array_open ']'
      { EndConstant(); SetOp(op_close_bracket, $2, 0); AttachMod(4); }
  | array_open constant_expression ']'
      { EndConstant(); SetOp(op_close_bracket, $3, 0); AttachMod(4); }
  ;

array_open:
    '['                                       { SetOp(op_open_bracket, $1, 0); BeginConstant(); }
  ;

/* A parameter list: a prototype (295, or a plain parenthesis after a ')'),
   or an old-style identifier list (296). The ANSI dialects classify only the
   identifier lists of K&R, yet ANSI C keeps old-style definitions: a list of
   identifiers also follows a declarator's name after a prototype's or a
   plain parenthesis (the list's kind is set at its end). prototype_open is
   reduced before the next token is read, so that token is classified
   inside the parameter list. */
parameter_suffix:
    prototype_open parameter_type_list ')'    { FunParmEnd(3); }
  | prototype_open ')'                        { FunParmEnd(0); }
  | oldstyle_open identifier_list ')'         { FunParmEnd(2); }
  | oldstyle_open ')'                         { FunParmEnd(0); }
  ;

prototype_open:
    PAREN_PROTO                               { FunParmStart(3); }
  | '('                                       { FunParmStart(3); }
  ;

oldstyle_open:
    PAREN_OLD                                 { FunParmStart(2); }
  ;

identifier_list:
    IDENTIFIER                                { DirectDecl(0); EndParm(2); }
  | identifier_list ',' IDENTIFIER
      { SetOp(op_separator, $2, 0); MoreParms(); DirectDecl(0); EndParm(2); }
  ;

parameter_type_list:
    parameter_list
  | parameter_list ',' ELLIPSIS               { SetOp(op_separator, $2, 0); Do3Dots(3); }
  | parameter_list ELLIPSIS                   { Need3Dots(); Do3Dots(3); }
  | ELLIPSIS                                  { Do3Dots(3); }
  ;

parameter_list:
    parameter_declaration
  | parameter_list ',' { SetOp(op_separator, $2, 0); MoreParms(); } parameter_declaration
  ;

parameter_declaration:
    decl_specs declarator                     { EndParm(2); }
  | decl_specs abstract_declarator            { EndParm(3); }
  | decl_specs                                { EndParm(5); }
  | decl_specs declarator default_argument      { EndParm(2); }
  | decl_specs abstract_declarator default_argument { EndParm(3); }
  | decl_specs default_argument                 { EndParm(5); }
  ;

/* A C++ default argument: read as an initializer is. */
default_argument:
    '=' { BeginInit(0); } assignment_expression  { CheckInit(1); }
  ;

/* Type names: casts, sizeof, compound literals. */
type_name:
    type_name_start decl_specs                      { DoTypeName(); PopDState(); }
  | type_name_start decl_specs abstract_declarator  { DoTypeName(); PopDState(); }
  ;

type_name_start:
    %empty                                    { PushDState(1); }
  ;

abstract_declarator:
    pointer
  | direct_abstract_declarator
  | pointer direct_abstract_declarator
  ;

direct_abstract_declarator:
    declarator_open abstract_declarator ')'   { PopDeclarator(); }
  | array_suffix
  | parameter_suffix
  | direct_abstract_declarator array_suffix
  | direct_abstract_declarator parameter_suffix
  | direct_abstract_declarator exception_spec
  ;

/* ---- Initializers -------------------------------------------------------------- */

/* The value says whether the initializer is an expression (1) or a list. */
initializer:
    assignment_expression                     { InitExpr(); $$ = 1; }
  | brace_initializer                         { $$ = 0; }
  ;

brace_initializer:
    '{' '}'
  | '{' initializer_list '}'
  | '{' initializer_list ',' '}'
  ;

initializer_list:
    initializer_item
  | initializer_list ',' initializer_item
  ;

initializer_item:
    initializer
  | designation initializer
  ;

designation:
    designator_list '='
  /* The same family's older form of a member designator: { name: value }. */
  | IDENTIFIER ':'
  ;

designator_list:
    designator
  | designator_list designator
  ;

/* A range of elements (`[0 ... 9] = 1`) is an extension of one compiler family. */
designator:
    '[' constant_expression ']'
  | '[' constant_expression ELLIPSIS constant_expression ']'
  | '.' IDENTIFIER
  ;

/* ---- Function definitions ------------------------------------------------------ */

function_definition:
    function_head compound_statement
  | function_head ctor_initializer compound_statement
  | decl_specs declarator function_try_block
  | declarator function_try_block
  | function_head oldstyle_declarations { OldstyleFcn(); } compound_statement
  ;

function_body:
    compound_statement
  | ctor_initializer compound_statement
  | CTOR_COLON SKIPPED_BODY
  ;

/* A function whose body (with a constructor's initializers) is a try
   block, f() try { ... } catch (...) { ... }: read as a body that holds the
   try statement alone, so that the handlers belong to the function. The try
   is shifted right after the declarator (the declarator is the function's
   there), so that no state's default reduction changes for it. */
function_try_block:
    function_try compound_statement { DoTry(); } handler_seq
      { EndTry(); EndStmt(kEndControl); PopBlock(); }
  | function_try ctor_initializer compound_statement { DoTry(); } handler_seq
      { EndTry(); EndStmt(kEndControl); PopBlock(); }
  ;

function_try:
    TRY                                       { FcnDeclarator(); PushBlock(); SetOp(op_try, $1, 0); BeginTry(); }
  ;

function_head:
    decl_specs declarator                     { FcnDeclarator(); FunctionScope(); }
  | declarator                                { FcnDeclarator(); FunctionScope(); }
  ;

oldstyle_declarations:
    declaration
  | oldstyle_declarations declaration
  ;

/* ---- Statements ---------------------------------------------------------------- */

/* A label is reduced on its own: in a block it is an item like a statement,
   so that a run of case labels (a switch over an enumeration can have
   hundreds) does not pile up on the parser's stack. A label elsewhere (the
   body of an if or a loop) is followed by its statement. */
statement:
    label statement
  | unlabeled_statement
  ;

unlabeled_statement:
    compound_statement
  | expression_statement
  | selection_statement
  | iteration_statement
  | jump_statement
  | try_block
  | ASM_BLOCK                                 { EndStmt(kEndSimple); }
  | ASM_BRACED                                { EndStmt(kEndSimple); }
  | pragma                                    { EndStmt(kEndUncounted); }
  | error ';'                                 { ResetExpressions(); EndStmt(kEndUncounted); }
  ;

label:
    IDENTIFIER ':'                            { DoLabel(1); }
  | CASE
      { SetOp(op_case, $1, 0); BeginCase(); BeginConstant(); }
    case_values ':'
      { EndConstant(); DoCase(); DoLabel(0); }
  | DEFAULT ':'
      { SetOp(op_default, $1, 0); DoDefault(); DoLabel(0); }
  ;

/* A case range (`case 1 ... 9:`) is an extension of one compiler family. */
case_values:
    constant_expression
  | constant_expression ELLIPSIS constant_expression
  ;

local_labels:
    IDENTIFIER
  | local_labels ',' IDENTIFIER               { SetOp(op_separator, $2, 0); }
  ;

compound_statement:
    '{' { PushBlock(); } block_items '}'      { SetOp(op_close_brace, $4, 0); PopBlock(); }
  ;

block_items:
    %empty
  | block_items block_item
  ;

block_item:
    declaration                               { EndStmt(kEndDeclaration); }
  | GNU_LABEL local_labels ';'                { SetOp(op_semicolon, $3, 0); EndStmt(kEndDeclaration); }
  | using_declaration                         { EndStmt(kEndDeclaration); }
  | namespace_alias_definition                { EndStmt(kEndDeclaration); }
  | unlabeled_statement
  | label
  ;

expression_statement:
    ';'
      { SetOp(op_semicolon, $1, 0); EmptyStatement(); EndStmt(kEndSimple); }
  | expression ';'
      { SetOp(op_semicolon, $2, 0); EndExpress(); EndStmt(kEndSimple); }
  | expression error
      { Warning(6); EndExpress(); EndStmt(kEndSimple); }
  ;

/* The statement a while or for loop controls; in C++ it may be a
   declaration, while (1) S s; (whose object lives for the one pass). */
body_statement:
    statement
  | declaration                               { EndStmt(kEndDeclaration); }
  ;

/* if_then and else_head are one stack entry each, so that a chain of
   `else if` takes one entry per link. */
selection_statement:
    if_then                                   { NoElse(); EndIf(); EndStmt(kEndControl); }
  | else_head statement                       { EndElse(); EndIf(); EndStmt(kEndControl); }
  | SWITCH
      { SetOp(op_switch, $1, 0); BeginSwitch(); }
    condition
      { DoSwitch(); }
    statement
      { EndSwitch(); EndStmt(kEndControl); }
  ;

if_then:
    IF { SetOp(op_if, $1, 0); BeginIf(); } condition { DoIf(); } statement { DoThen(); }
  ;

else_head:
    if_then ELSE                              { SetOp(op_else, $2, 0); DoElse(); }
  ;

/* The controlling expression of if, while and switch; a missing ')' is a
   mistake that is reported and read over. */
condition:
    '(' expression ')'                        { EndFullExpr(); }
  | '(' expression error                      { Warning(7); EndFullExpr(); }
  | '(' condition_declaration ')'
  ;

/* C++: a condition that declares the object it tests, if (T x = e). */
condition_declaration:
    decl_specs declarator '='
      {
        SetOp(op_init, $3, 2);
        CheckDeclarator(1);
        BeginInit(0);
      }
    assignment_expression                     { CheckInit(1); EndDclList(); }
  ;

iteration_statement:
    WHILE
      { SetOp(op_while_1, $1, 0); BeginWhile(); }
    condition
      { DoWhile(); }
    body_statement
      { EndWhile(); EndStmt(kEndControl); }
  | DO
      { SetOp(op_do, $1, 0); BeginDo(); }
    statement WHILE
      { SetOp(op_while_2, $4, 0); MidDo(); }
    '(' expression ')' ';'
      { SetOp(op_semicolon, $9, 0); DoTest(); EndStmt(kEndControl); }
  | FOR
      { SetOp(op_for, $1, 0); BeginFor(); }
    '(' for_init
      { DoFor(); }
    for_test ';'
      { SetOp(op_semicolon, $7, 0); DoTest(); }
    expr_opt ')'
      { EndFullExpr(); DoBlock1(); }
    body_statement
      { DoBlock2(); EndStmt(kEndControl); }
  ;

/* The test of a for statement, which may declare the object it tests in
   C++: for (; T t = e; ). */
for_test:
    expr_opt
  | condition_declaration
  ;

for_init:
    expr_opt ';'                              { SetOp(op_semicolon, $2, 0); }
  | declaration
  ;

expr_opt:
    %empty                                    { $$ = 0; }
  | expression                                { $$ = 1; }
  ;

jump_statement:
    GOTO { SetOp(op_goto, $1, 0); BeginJump(kStmGoto); } IDENTIFIER ';'
      { SetOp(op_semicolon, $4, 0); CheckGoto(); EndStmt(kEndSimple); }
  | CONTINUE ';'
      {
        SetOp(op_continue, $1, 0);
        BeginJump(kStmContinue);
        SetOp(op_semicolon, $2, 0);
        EndStmt(kEndSimple);
      }
  | BREAK ';'
      {
        SetOp(op_break, $1, 0);
        BeginJump(kStmBreak);
        DoBreak();
        SetOp(op_semicolon, $2, 0);
        EndStmt(kEndSimple);
      }
  | return_kw expr_opt ';'
      { SetOp(op_semicolon, $3, 0); DoReturn(op_return, static_cast<int>($2)); EndStmt(kEndSimple); }
  /* g++: the value of a class type from its members' values, return { x }. */
  | return_kw brace_initializer ';'
      { SetOp(op_semicolon, $3, 0); DoReturn(op_return, 1); EndStmt(kEndSimple); }
  ;

/* Reduced before the token after it is read. */
return_kw:
    RETURN                                    { SetOp(op_return, $1, 0); BeginReturn(0); }
  ;

/* ---- Templates ------------------------------------------------------------------ */

/* template <parameters> declaration; template <> (an explicit specialisation);
   template declaration (an explicit instantiation), also after extern. */
template_declaration:
    template_head external_declaration        { TempRecord(); }
  | TEMPLATE declaration
  | TEMPLATE nospec_declaration
  | EXTERN TEMPLATE declaration
  ;

template_head:
    TEMPLATE '<' { TempStart(); } template_parameter_list TEMPLATE_CLOSE  { TempHeader(); }
  | TEMPLATE '<' TEMPLATE_CLOSE               { TempStart(); TempHeader(); }
  ;

template_parameter_list:
    template_parameter
  | template_parameter_list ',' { SetOp(op_separator, $2, 0); } template_parameter
  ;

/* The token stream makes the name of a type parameter 311. */
template_parameter:
    type_parameter_key type_parameter_default       { TempParm(0); }
  | type_parameter_key TEMPLATE_PARAM type_parameter_default  { TempParm(0); }
  | decl_specs declarator                     { TempParm(1); }
  | decl_specs declarator '=' conditional_expression  { TempParm(1); }
  | decl_specs                                { TempParm(2); }
  | decl_specs '=' conditional_expression     { TempParm(2); }
  | decl_specs abstract_declarator            { TempParm(2); }
  | decl_specs abstract_declarator '=' conditional_expression  { TempParm(2); }
  ;

type_parameter_key:
    CLASS
  | TYPENAME
  | template_template_head CLASS
  ;

/* template <class> class C: the inner list names nothing of the template. */
template_template_head:
    TEMPLATE '<' template_template_parameters TEMPLATE_CLOSE
  | TEMPLATE '<' TEMPLATE_CLOSE
  ;

template_template_parameters:
    template_template_parameter
  | template_template_parameters ',' template_template_parameter
  ;

template_template_parameter:
    CLASS
  | TYPENAME
  | CLASS '=' type_name
  | TYPENAME '=' type_name
  | CLASS TEMPLATE_PARAM '=' type_name
  | TYPENAME TEMPLATE_PARAM '=' type_name
  | template_template_head CLASS
  | template_template_head CLASS TEMPLATE_PARAM
  | TEMPLATE_PARAM
  | TEMPLATE_PARAM IDENTIFIER
  | CLASS TEMPLATE_PARAM
  | TYPENAME TEMPLATE_PARAM
  | type_keyword
  | type_keyword IDENTIFIER
  ;

type_parameter_default:
    %empty
  | '=' type_name
  ;

/* <arguments> after a template name; the closing '>' is 284. */
template_args:
    '<' TEMPLATE_CLOSE
  | '<' template_arg_list TEMPLATE_CLOSE
  ;

template_arg_list:
    template_arg
  | template_arg_list ',' template_arg
  ;

template_arg:
    type_name                                 { TempSpecArg(); }
  | assignment_expression                     { TempSpecExp(); }
  ;

/* ---- C++ exception handling ------------------------------------------------------ */

/* try { ... } catch (T x) { ... } catch (...) { ... }: one control statement. */
try_block:
    TRY { SetOp(op_try, $1, 0); BeginTry(); } compound_statement { DoTry(); } handler_seq
      { EndTry(); EndStmt(kEndControl); }
  ;

handler_seq:
    handler
  | handler_seq handler
  ;

/* The parameter is read as a one-parameter list opened before the '(' is
   shifted, so that its first token is classified inside it; it becomes a
   local of the handler's block. */
handler:
    CATCH { SetOp(op_catch, $1, 0); BeginCatch(); } '(' catch_parameter ')' { DoCatch(); } handler_body
      { EndCatch(); }
  ;

catch_parameter:
    ELLIPSIS                                  { Do3DotsCatch(); }
  | decl_specs declarator                     { EndParm(2); CheckCatchCond(); }
  | decl_specs abstract_declarator            { EndParm(3); CheckCatchCond(); }
  | decl_specs                                { EndParm(5); CheckCatchCond(); }
  ;

handler_body:
    '{' { PushBlock(); EnterCatchParameter(); } block_items '}'
      { SetOp(op_close_brace, $4, 0); PopBlock(); }
  ;

/* ---- Expressions --------------------------------------------------------------- */

primary_expression:
    constant
  | string_literal
  | THIS                                      { DoThis($1); }
  | '(' { SetOp(op_open_paren, $1, 0); } expression ')'  { SetOp(op_close_paren, $4, 0); }
  | '(' { StartGnuBlock(); } compound_statement ')'      { EndGnuBlock(); }
  ;

constant:
    INT_CONST                                 { DoIntConst($1); }
  | INT_CONST_2                               { DoIntConst($1); }
  | CHAR_CONST                                { DoCharConst($1); }
  | FLOAT_CONST                               { DoFloatConst($1); }
  | TRUE_KW                                   { DoBooleanConst($1); }
  | FALSE_KW                                  { DoBooleanConst($1); }
  | ENUM_CONST                                { DoEnumConst($1); }
  ;

/* The token stream joins adjacent literals; the grammar accepts them apart too. */
string_literal:
    string_list                               { DoString(nullptr); }
  ;

string_list:
    STRING                                    { StringPiece($1, 0); }
  | string_list STRING                        { StringPiece($2, 1); }
  ;

/* A name followed by '(' is a call of that name; any other postfix
   expression followed by '(' is a call through an expression. */
postfix_expression:
    postfix_not_name
  | IDENTIFIER                                { DoIdent(0, $1); }
  | qualified_ident                           { DoIdent(0, $1); }
  ;

postfix_not_name:
    primary_expression
  | IDENTIFIER '(' { DoIdent(1, $1); DoFunc(0); } arguments ')'     { DoCall($5); }
  | qualified_ident '(' { DoIdent(1, $1); DoFunc(0); } arguments ')' { DoCall($5); }
  /* A call of an operator function by its name: operator==(x), ::operator delete(p),
     operator new[](n), operator<< <bool>(a, 0), A::operator int *(). */
  | OPERATOR called_operator '('
      { OperatorReference($1, 0); DoIdent(1, $1); DoFunc(0); }
    arguments ')'                             { DoCall($6); }
  | OPERATOR plain_operator_symbol template_args '('
      { OperatorReference($1, 0); DoIdent(1, $1); DoFunc(0); }
    arguments ')'                             { DoCall($7); }
  | scope_prefix OPERATOR called_operator '('
      { OperatorReference($2, 1); DoIdent(1, $2); DoFunc(0); }
    arguments ')'                             { DoCall($7); }
  | scope_prefix ENUM_CONST                   { DoEnumConst($2); }
  | INTRINSIC '(' { DoFunc(0); } arguments ')'                      { DoCall($5); }
  | ASM '(' { DoFunc(2); } asm_body ')'                             { DoCall($5); }
  | postfix_not_name '(' { DoFunc(1); } arguments ')'               { DoCall($5); }
  | postfix_expression '[' { SetOp(op_open_bracket, $2, 0); } expression ']'
      { SetOp(op_close_bracket, $5, 0); Op(op_subscript, $2, 2, 269); }
  | postfix_expression '.' IDENTIFIER         { CPPMember('.'); SetOp(op_member, $2, 2); }
  | postfix_expression ARROW IDENTIFIER       { CPPMember(268); SetOp(op_arrow, $2, 2); }
  | postfix_expression '.' qualified_ident    { CPPMember('.'); SetOp(op_member, $2, 2); }
  | postfix_expression ARROW qualified_ident  { CPPMember(268); SetOp(op_arrow, $2, 2); }
  /* An explicit destructor call and an operator function named as a member. */
  | postfix_expression '.' DESTROY IDENTIFIER { CPPMember('.'); SetOp(op_member, $2, 2); }
  | postfix_expression ARROW DESTROY IDENTIFIER  { CPPMember(268); SetOp(op_arrow, $2, 2); }
  | postfix_expression '.' scope_prefix DESTROY IDENTIFIER    { CPPMember('.'); SetOp(op_member, $2, 2); }
  | postfix_expression ARROW scope_prefix DESTROY IDENTIFIER  { CPPMember(268); SetOp(op_arrow, $2, 2); }
  | postfix_expression '.' OPERATOR plain_operator_symbol    { CPPMember('.'); SetOp(op_member, $2, 2); }
  | postfix_expression ARROW OPERATOR plain_operator_symbol  { CPPMember(268); SetOp(op_arrow, $2, 2); }
  /* A conversion function named as a member: x.operator int(), p->operator char*(). */
  | postfix_expression '.' OPERATOR conversion_type    { CPPMember('.'); SetOp(op_member, $2, 2); }
  | postfix_expression ARROW OPERATOR conversion_type  { CPPMember(268); SetOp(op_arrow, $2, 2); }
  | postfix_expression INC                    { Op(op_post_incr, $2, 1, 536); }
  | postfix_expression DEC                    { Op(op_post_decr, $2, 1, 538); }
  | '(' type_name ')' brace_initializer
  /* C++: a function-like cast (312), a constructor call (297), the named
     casts and typeid. */
  | FCN_CAST '(' { FcnCastStart(); } expr_opt ')'       { FcnCastEnd($1); }
  | ctor_name PAREN_CTOR { DoFunc(3); } arguments ')'    { DoCall($5); }
  | template_call_name PAREN_CTOR { DoIdent(1, $1); DoFunc(0); } arguments ')'  { DoCall($5); }
  | template_call_name                        { DoIdent(0, $1); }
  | scope_prefix template_call_name PAREN_CTOR { DoIdent(1, $2); DoFunc(0); } arguments ')'  { DoCall($6); }
  | scope_prefix template_call_name           { DoIdent(0, $2); }
  | postfix_expression '.' template_call_name { CPPMember('.'); SetOp(op_member, $2, 2); }
  | postfix_expression ARROW template_call_name  { CPPMember(268); SetOp(op_arrow, $2, 2); }
  /* The '(' after a qualified member template is a constructor call's (297). */
  | postfix_expression '.' scope_prefix template_call_name     { CPPMember('.'); SetOp(op_member, $2, 2); }
  | postfix_expression ARROW scope_prefix template_call_name   { CPPMember(268); SetOp(op_arrow, $2, 2); }
  | postfix_expression '.' scope_prefix template_call_name PAREN_CTOR
      { CPPMember('.'); SetOp(op_member, $2, 2); DoFunc(1); }
    arguments ')'                             { DoCall($8); }
  | postfix_expression ARROW scope_prefix template_call_name PAREN_CTOR
      { CPPMember(268); SetOp(op_arrow, $2, 2); DoFunc(1); }
    arguments ')'                             { DoCall($8); }
  | NAMED_CAST '<' type_name cast_close cast_open expression ')'
      { NamedCast($1); }
  | TYPEID '(' expression ')'                 { TypeId($1); }
  | TYPEID '(' type_name ')'                  { TypeId($1); }
  | CLASSID '(' type_name ')'                 { TypeId($1); }
  ;

/* A function template called with its arguments, or a class template's
   constructor: the token stream makes the '(' 297. */
template_call_name:
    TEMPLATE_NAME { TempSpecStart($1); } template_args  { TempSpecEnd(); $$ = $1; }
  ;

/* A class named before the parenthesis of a constructor call: the token
   stream makes a class or typedef name there a hot tag (314), so that it is
   told from the type of a declaration or a type name by its code. */
ctor_name:
    HOT_TAG                                   { DoIdent(1, $1); }
  ;

cast_close:
    '>'
  | TEMPLATE_CLOSE
  ;

cast_open:
    '('
  | PAREN_CTOR
  ;

arguments:
    %empty
  | argument_list
  ;

/* A type as an argument serves the built-in pseudo-functions that take one
   (va_arg's and offsetof's expansions). */
argument_list:
    argument                                  { DoFunArg(); }
  | argument_list ',' { SetOp(op_separator, $2, 0); } argument  { DoFunArg(); }
  ;

argument:
    assignment_expression
  | type_name
  ;

unary_expression:
    postfix_expression
  | INC unary_expression                      { Op(op_pre_incr, $1, 1, 535); }
  | DEC unary_expression                      { Op(op_pre_decr, $1, 1, 537); }
  | '&' cast_expression                       { Op(op_address, $1, 1, 540); }
  /* The address of a member operator function: &C::operator=. */
  | '&' scope_prefix OPERATOR operator_symbol
      { OperatorReference($3, 1); DoIdent(2, $3); Op(op_address, $1, 1, 540); }
  | '*' cast_expression                       { Op(op_indirect, $1, 1, 541); }
  | '+' cast_expression                       { Op(op_plus, $1, 1, 547); }
  | '-' cast_expression                       { DoNegate($1); }
  | '~' cast_expression                       { Op(op_bit_not, $1, 1, 126); }
  | '!' cast_expression                       { Op(op_log_not, $1, 1, 33); }
  | sizeof_head unary_expression              { DoSizeof(0); Op(op_sizeof, $1, 1, 334); }
  | sizeof_head '(' type_name ')'             { DoSizeof(1); Op(op_sizeof, $1, 1, 334); }
  | new_expression                            { EndNewCall(); }
  | delete_kw cast_expression                 { SetOp(op_delete, $1, 1); }
  | delete_kw '[' ']' cast_expression         { SetOp(op_delete, $1, 1); }
  ;

/* ---- new and delete -------------------------------------------------------------- */

/* new T, new T(args), new T[n], new (place) T, new (T), ::new T. The '(' of a
   placement is 297 (the token stream tells it from a parenthesised type). */
new_expression:
    new_kw new_type_id new_initializer_opt
  | new_kw new_placement new_type_id new_initializer_opt
  | new_kw new_paren_type new_initializer_opt
  | new_kw new_placement new_paren_type new_initializer_opt
  ;

new_kw:
    NEW                                       { StartNewCall($1); }
  | SCOPE NEW                                 { StartNewCall($2); }
  ;

new_placement:
    PAREN_CTOR { NewPlacement(); } arguments ')'
  ;

new_paren_type:
    '(' type_name ')'
  ;

/* A '*' after the type belongs to it (the rule's precedence is below '*'). */
new_type_id:
    type_name_start decl_specs %prec NEW_TYPE_END         { DoTypeName(); PopDState(); }
  | type_name_start decl_specs new_declarator             { DoTypeName(); PopDState(); }
  ;

new_declarator:
    pointer %prec NEW_TYPE_END
  | pointer new_dimensions
  | new_dimensions
  ;

/* The first dimension of an array allocated with new need not be constant. */
new_dimensions:
    '[' { SetOp(op_open_bracket, $1, 0); } expression ']'
      { SetOp(op_close_bracket, $4, 0); AttachMod(4); }
  | new_dimensions array_suffix
  ;

new_initializer_opt:
    %empty
  | '(' { DoFunc(3); } arguments ')'          { DoCall($4); }
  | PAREN_CTOR { DoFunc(3); } arguments ')'   { DoCall($4); }
  ;

delete_kw:
    DELETE
  | SCOPE DELETE                              { $$ = $2; }
  ;

sizeof_head:
    SIZEOF                                    { BeginSizeof(); $$ = $1; }
  ;

cast_expression:
    unary_expression
  | '(' type_name ')' cast_expression         { CompileCast($1); }
  ;

/* C++ member pointers: object.*pm and pointer->*pm. */
pm_expression:
    cast_expression
  | pm_expression DOT_STAR cast_expression    { SetOp(op_memsel, $2, 2); }
  | pm_expression ARROW_STAR cast_expression  { SetOp(op_memptr, $2, 2); }
  ;

multiplicative_expression:
    pm_expression
  | multiplicative_expression '*' pm_expression  { Op(op_mul, $2, 2, 42); }
  | multiplicative_expression '/' pm_expression  { Op(op_div, $2, 2, 47); }
  | multiplicative_expression '%' pm_expression  { Op(op_rem, $2, 2, 37); }
  ;

additive_expression:
    multiplicative_expression
  | additive_expression '+' multiplicative_expression  { Op(op_add, $2, 2, 43); }
  | additive_expression '-' multiplicative_expression  { Op(op_subt, $2, 2, 45); }
  ;

shift_expression:
    additive_expression
  | shift_expression SHL additive_expression  { Op(op_left_shift, $2, 2, 263); }
  | shift_expression SHR additive_expression  { Op(op_right_shift, $2, 2, 264); }
  ;

relational_expression:
    shift_expression
  | relational_expression '<' shift_expression  { Op(op_less, $2, 2, 60); }
  | relational_expression '>' shift_expression  { Op(op_more, $2, 2, 62); }
  | relational_expression LE shift_expression   { Op(op_less_eq, $2, 2, 261); }
  | relational_expression GE shift_expression   { Op(op_more_eq, $2, 2, 262); }
  ;

equality_expression:
    relational_expression
  | equality_expression EQ relational_expression  { Op(op_equal, $2, 2, 259); }
  | equality_expression NE relational_expression  { Op(op_not_eq, $2, 2, 260); }
  ;

and_expression:
    equality_expression
  | and_expression '&' equality_expression    { Op(op_bit_and, $2, 2, 38); }
  ;

xor_expression:
    and_expression
  | xor_expression '^' and_expression         { Op(op_bit_xor, $2, 2, 94); }
  ;

or_expression:
    xor_expression
  | or_expression '|' xor_expression          { Op(op_bit_or, $2, 2, 124); }
  ;

logical_and_expression:
    or_expression
  | logical_and_expression ANDAND or_expression  { Op(op_log_and, $2, 2, 258); }
  ;

logical_or_expression:
    logical_and_expression
  | logical_or_expression OROR logical_and_expression  { Op(op_log_or, $2, 2, 257); }
  ;

conditional_expression:
    logical_or_expression
  /* The last operand is an assignment (a throw in C++): a ? b : c = d
     assigns to c. */
  | logical_or_expression '?' expression ':' assignment_expression
      { SetOp(op_cond, $2, 3); EndCondExp(); }
  /* The same compiler family's `a ?: b`: the condition is the first value. */
  | logical_or_expression '?' ':' assignment_expression
      { SetOp(op_cond, $2, 2); EndCondExp(); }
  ;

assignment_expression:
    conditional_expression
  | THROW                                     { ThrowExpr($1, 0); }
  | THROW assignment_expression               { ThrowExpr($1, 1); }
  | pm_expression assign_op assignment_expression  { AssignOp($2); }
  ;

/* The value is the operator's token. */
assign_op:
    '='
  | ADD_ASSIGN
  | SUB_ASSIGN
  | MUL_ASSIGN
  | DIV_ASSIGN
  | MOD_ASSIGN
  | SHL_ASSIGN
  | SHR_ASSIGN
  | AND_ASSIGN
  | XOR_ASSIGN
  | OR_ASSIGN
  ;

expression:
    assignment_expression
  | expression ',' assignment_expression      { SetOp(op_comma, $2, 2); }
  ;

constant_expression:
    conditional_expression
  ;

/* ---- C++ declarations: names, classes, namespaces, linkage --------------------- */

/* A qualifier: `::` alone (the global scope) or class and namespace names
   each followed by `::`. The token stream hands a qualified name that ends
   in a type name over as that type name alone, so a qualifier here is
   followed by an object, function, enumerator, constructor, destructor or
   operator name, or by the '*' of a pointer to member. */
scope_prefix:
    SCOPE                                     { SetOp(op_scope, $1, 0); ScopeName(nullptr); }
  | scope_name SCOPE                          { SetOp(op_scope, $2, 0); }
  | scope_prefix scope_name SCOPE             { SetOp(op_scope, $3, 0); }
  ;

scope_name:
    SCOPE_NAME                                { ScopeName($1); }
  | NAMESPACE_NAME                            { ScopeName(nullptr); }
  | TEMPLATE_SCOPE template_args              { ScopeName($1); }
  ;

qualified_ident:
    scope_prefix IDENTIFIER                   { $$ = $2; }
  ;

/* The names of constructors, destructors and operator functions: the
   declarators that may stand without a specifier in a class. Each is a
   function's name: a parameter list follows it. */
special_name:
    HOT_TAG                                   { DeclaratorName($1, 1); $$ = $1; }
  | HOT_TAG template_args                     { DeclaratorName($1, 1); $$ = $1; }
  | scope_prefix HOT_TAG                      { DeclaratorName($2, 1); QualifiedName(); $$ = $2; }
  | DESTROY IDENTIFIER                        { DestructorName($1, $2); $$ = $2; }
  | DESTROY IDENTIFIER template_args          { DestructorName($1, $2); $$ = $2; }
  | scope_prefix DESTROY IDENTIFIER           { DestructorName($2, $3); QualifiedName(); $$ = $3; }
  | operator_name                             { DeclaratorName($1, 4); $$ = $1; }
  | scope_prefix operator_name                { DeclaratorName($2, 4); QualifiedName(); $$ = $2; }
  /* A specialisation of an operator function template: operator<< <>. */
  | operator_name template_args               { DeclaratorName($1, 4); $$ = $1; }
  | scope_prefix operator_name template_args  { DeclaratorName($2, 4); QualifiedName(); $$ = $2; }
  ;

special_declarator:
    special_name parameter_suffix
  | special_declarator parameter_suffix
  | special_declarator exception_spec
  ;

operator_name:
    OPERATOR operator_symbol                  { $$ = $1; }
  | OPERATOR conversion_type                  { $$ = $1; }
  ;

operator_symbol:
    plain_operator_symbol
  | NEW | DELETE | NEW '[' ']' | DELETE '[' ']' | NEW INDEX | DELETE INDEX
  ;

/* The operators but new and delete (whose '[' a member expression could
   take as a subscript). */
plain_operator_symbol:
    '+' | '-' | '*' | '/' | '%' | '^' | '&' | '|' | '~' | '!' | '=' | '<' | '>' | ','
  | ADD_ASSIGN | SUB_ASSIGN | MUL_ASSIGN | DIV_ASSIGN | MOD_ASSIGN | SHL_ASSIGN | SHR_ASSIGN
  | AND_ASSIGN | XOR_ASSIGN | OR_ASSIGN | SHL | SHR | EQ | NE | LE | GE | ANDAND | OROR
  | INC | DEC | ARROW | ARROW_STAR | UMINUS | INDEX | TEMPLATE_CLOSE | DESTROY
  | '(' ')' | '[' ']'
  ;

/* An operator function's name in a call: the operator, or the type of a
   conversion function. */
called_operator:
    operator_symbol
  | conversion_type
  ;

/* The type a conversion function converts to. */
conversion_type:
    type_name_start decl_specs %prec NEW_TYPE_END          { DoTypeName(); PopDState(); }
  | type_name_start decl_specs pointer %prec NEW_TYPE_END  { DoTypeName(); PopDState(); }
  ;

exception_spec:
    THROW '(' ')'
  | THROW '(' ELLIPSIS ')'
  | THROW '(' exception_types ')'
  ;

exception_types:
    type_name
  | exception_types ',' type_name
  ;

/* Constructor initializers: members and bases with their values. */
ctor_initializer:
    CTOR_COLON mem_initializer_list
  ;

mem_initializer_list:
    mem_initializer
  | mem_initializer_list ',' { SetOp(op_separator, $2, 0); } mem_initializer
  ;

mem_initializer:
    mem_initializer_name mem_initializer_open argument_values ')'
  ;

/* A base named by a typedef or a type parameter may reach here as a
   function-like cast (312) or as the parameter (311). */
mem_initializer_name:
    IDENTIFIER
  | FCN_CAST
  | TEMPLATE_PARAM
  | TEMPLATE_NAME template_args
  | TEMPLATE_KNOWN template_args
  | TAG_NAME
  | HOT_TAG
  | TYPEDEF_NAME
  | qualified_ident
  ;

mem_initializer_open:
    '('
  | PAREN_INIT
  | PAREN_PROTO
  | PAREN_CTOR
  ;

/* The values of a parenthesised initializer. */
argument_values:
    %empty
  | argument_value_list
  ;

argument_value_list:
    assignment_expression
  | argument_value_list ',' { SetOp(op_separator, $2, 0); } assignment_expression
  ;

/* extern "C" { ... } and extern "C" before one declaration. */
linkage_specification:
    EXTERN STRING '{' { LinkageStart($2); } module_items '}'   { LinkageEnd(); }
  | EXTERN STRING { LinkageStart($2); } external_declaration   { LinkageEnd(); }
  ;

namespace_definition:
    NAMESPACE namespace_name '{' { NamespaceStart($2); } module_items '}'  { NamespaceEnd(); }
  /* Words the dialect does not know between the name and the '{' (another
     compiler family's attributes): reported, then passed over, so that the
     namespace's declarations are still read. */
  | NAMESPACE namespace_name error '{' { NamespaceStart($2); } module_items '}'  { NamespaceEnd(); }
  | NAMESPACE '{' { NamespaceStart(nullptr); } module_items '}'             { NamespaceEnd(); }
  /* The inline namespace of one compiler family's library (its version). */
  | INLINE NAMESPACE namespace_name '{' { NamespaceStart($3); } module_items '}'  { NamespaceEnd(); }
  | INLINE NAMESPACE namespace_name error '{' { NamespaceStart($3); } module_items '}'  { NamespaceEnd(); }
  | namespace_alias_definition
  ;

namespace_alias_definition:
    NAMESPACE NAMESPACE_ALIAS '=' namespace_path ';'  { NamespaceAlias($2); }
  ;

namespace_name:
    NAMESPACE_NAME
  | IDENTIFIER
  ;

namespace_path:
    namespace_name
  | scope_prefix namespace_name
  ;

using_declaration:
    USING NAMESPACE namespace_path ';'        { UsingDirective(); }
  | USING using_name ';'                      { UsingDeclaration(); }
  ;

using_name:
    qualified_ident
  | scope_prefix operator_name
  | scope_prefix ENUM_CONST
  | IDENTIFIER
  | TYPEDEF_NAME
  | TAG_NAME
  ;

/* ---- Inline assembler -------------------------------------------------------- */

/* The assembler name of a declared object or function: int f(void) asm("g"); */
asm_label:
    ASM '(' asm_string ')'
  ;

/* asm("text" : outputs : inputs : clobbers); 281 stands for two colons. */
asm_body:
    asm_string
  | asm_string asm_sections
  ;

asm_string:
    STRING
  | asm_string STRING
  ;

asm_sections:
    asm_section
  | asm_sections asm_section
  ;

asm_section:
    ':' asm_operands
  | SCOPE asm_operands
  ;

asm_operands:
    %empty
  | asm_operand_list
  ;

asm_operand_list:
    asm_operand
  | asm_operand_list ',' asm_operand
  ;

asm_operand:
    asm_string
  | asm_string '(' expression ')'
  | '[' IDENTIFIER ']' asm_string '(' expression ')'
  | IDENTIFIER
  ;

/* ---- The high-C dialect's pragma statement: pragma Name(arguments); ---------- */

pragma:
    PRAGMA IDENTIFIER '(' pragma_arguments ')' ';'
  ;

pragma_arguments:
    %empty
  | pragma_argument_list
  ;

pragma_argument_list:
    pragma_argument
  | pragma_argument_list ',' pragma_argument
  ;

pragma_argument:
    IDENTIFIER
  | INT_CONST
  | CHAR_CONST
  | STRING
  ;

%%

namespace {

/* External code of each internal symbol, built from yytranslate. */
int externalCode[YYNTOKENS];
bool codesReady;

void MakeExternalCodes() {
  for (int& c : externalCode) c = -1;
  for (int code = 0; code <= YYMAXUTOK; ++code) {
    const int symbol = yytranslate[code];
    if (symbol >= 0 && symbol < YYNTOKENS && externalCode[symbol] < 0) externalCode[symbol] = code;
  }
  codesReady = true;
}

}  // namespace

/* The token stream's codes, with their values. */
int mvyylex() {
  const int code = ParserNextToken();
  switch (code) {
    case 303: case 304: case 305: case 307: case 308:
      mvyylval.i = yylvalInt;
      break;
    case 306:
      mvyylval.d = yylvalFloat;
      break;
    default:
      mvyylval.p = yylvalToken;
      break;
  }
  return code;
}

/* Only a full stack can exhaust the parser's memory. */
void mvyyerror(const char*) { ParserStackOverflow(); }

/* The acceptable tokens of the state where the error was found, by their
   external codes in increasing order. */
static int yyreport_syntax_error(const yypcontext_t* context) {
  if (!codesReady) MakeExternalCodes();
  yysymbol_kind_t expected[YYNTOKENS];
  const int n = yypcontext_expected_tokens(context, expected, YYNTOKENS);
  int codes[YYNTOKENS];
  int count = 0;
  for (int i = 0; i < n; ++i) {
    const int code = externalCode[expected[i]];
    if (code >= 0) codes[count++] = code;
  }
  std::sort(codes, codes + count);
  SyntaxErrorReport(mvyychar < 0 ? 0 : mvyychar, codes, count);
  return 0;
}

int mv::ParseInput() { return mvyyparse(); }
