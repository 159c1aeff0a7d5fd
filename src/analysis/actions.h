// The semantic actions that the grammar (grammar.y) calls at its reductions.
// One interface serves both modes of the parser: compiling a rule file
// (checkRules set: expression and statement actions emit pseudocode) and
// checking source (the actions record declarations, scopes and functions and
// set trigger variables).
//
// Order in which the grammar calls them:
//  - declaration: Specifier per specifier (ExtModifier for the dialect
//    modifiers), then per declarator DirectDecl, PushDeclarator/PopDeclarator
//    around a parenthesised declarator, AttachMod(3) at each '*' followed by
//    PtrQualifier for its qualifiers, AttachMod(4) after each array suffix
//    (its dimension folded between BeginConstant and EndConstant),
//    FunParmStart ... EndParm/MoreParms ... FunParmEnd for each parameter
//    list; then CheckDeclarator(hasInit) and, with an initializer, SetOp of
//    op_init, BeginInit(0), InitExpr per element, CheckInit(isExpr); before
//    each further declarator of the list GetNewType; EndDclList at the ';'
//    (EmptyDeclaration first when there is no declarator);
//  - function definition: FcnDeclarator after the declarator, OldstyleFcn
//    after old-style parameter declarations, PushBlock at the body's '{',
//    PopBlock at its '}';
//  - struct/union/enum: Specifier of the keyword, DeclareTag after the name
//    (also for an anonymous tag, with no name), StartMembers at '{',
//    CheckMember after each member declarator (DoBitField before it for a
//    bit-field), EndDclList at each member ';', EndMembers at '}';
//    enumerators: DirectDecl(2), [BeginConstant ... EndConstant], AddEnum;
//    a comma after the last enumerator: EnumComma;
//  - if: SetOp(op_if), BeginIf, condition, DoIf, then-part, DoThen, then
//    NoElse or SetOp(op_else), DoElse, else-part, EndElse; EndIf; EndStmt(2).
//  - expressions: operands first, then the operator's SetOp and Compile.
//  - punctuators: SetOp of op_semicolon at every ';' that ends a declaration
//    or a statement, before the actions that end it; op_separator at the
//    commas of declarator, parameter and argument lists; op_open_bracket and
//    op_close_bracket around subscripts and array dimensions; op_open_paren
//    and op_close_paren around a parenthesised expression; op_close_brace
//    before PopBlock. The open brace and the parameter list's parentheses
//    are PushBlock's, FunParmStart's and FunParmEnd's own events, those of
//    calls DoFunc's and DoCall's.
// The real behaviour of each action belongs to its subsystem; until then
// every action only records its call in the trace below.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mv {

struct LexToken;

// Class 7 indices of the operator and punctuator trigger variables: the
// first argument of SetOp.
enum OpIndex : int {
  op_close_angle = 0, op_close_brace = 1, op_close_bracket = 2, op_close_funargs = 3,
  op_close_paren = 4, op_colon_1 = 5, op_colon_2 = 6, op_comma = 7, op_destroy = 8,
  op_iterator = 9, op_macro_arg = 10, op_macro_begin = 11, op_macro_call = 12,
  op_open_angle = 13, op_open_brace = 14, op_open_bracket = 15, op_open_funargs = 16,
  op_open_paren = 17, op_pointer = 18, op_reference = 19, op_scope = 20, op_semicolon = 21,
  op_separator = 22, op_cond = 23, op_iterator_call = 24, op_assoc = 25, op_assign = 26,
  op_add_assign = 27, op_and_assign = 28, op_div_assign = 29, op_left_assign = 30,
  op_mul_assign = 31, op_or_assign = 32, op_rem_assign = 33, op_right_assign = 34,
  op_sub_assign = 35, op_xor_assign = 36, op_add = 37, op_based = 38, op_bit_and = 39,
  op_bit_or = 40, op_bit_xor = 41, op_cast = 42, op_div = 43, op_equal = 44, op_init = 45,
  op_left_shift = 46, op_less = 47, op_less_eq = 48, op_log_and = 49, op_log_or = 50,
  op_more = 51, op_more_eq = 52, op_mul = 53, op_not_eq = 54, op_rem = 55,
  op_right_shift = 56, op_subt = 57, op_address = 58, op_arrow = 59, op_bit_not = 60,
  op_call = 61, op_call_overload = 62, op_delete = 63, op_indirect = 64, op_log_not = 65,
  op_member = 66, op_memptr = 67, op_memsel = 68, op_negate = 69, op_new = 70, op_plus = 71,
  op_post_decr = 72, op_post_incr = 73, op_pre_decr = 74, op_pre_incr = 75, op_sizeof = 76,
  op_subscript = 77, op_break = 78, op_case = 79, op_catch = 80, op_continue = 81,
  op_default = 82, op_do = 83, op_else = 84, op_for = 85, op_goto = 86, op_if = 87,
  op_return = 88, op_switch = 89, op_throw = 90, op_try = 91, op_while_1 = 92, op_while_2 = 93,
};

// Kinds of EndStmt.
enum : int { kEndDeclaration = 0, kEndSimple = 1, kEndControl = 2, kEndUncounted = -1 };

// Statement kinds handed to BeginJump.
enum : int { kStmBreak = 12, kStmContinue = 13, kStmGoto = 15 };

// Test hook: while set, every action appends "Name(args)" to it.
extern std::vector<std::string>* actionTrace;

// ---- Expressions (pseudocode and operator events) ---------------------------
void SetOp(int op, LexToken* token, int operands);
void Compile(int op);
void DoIdent(int kind, LexToken* token);  // 0 value, 1 called, 2 operator-function name
void DoIntConst(int64_t value);
void DoEnumConst(LexToken* token);
void DoCharConst(int64_t value);
void DoFloatConst(double value);
// The pieces of adjacent string literals (more: 0 for the first), then
// DoString for the whole; DoString with a token takes that token's text.
void StringPiece(LexToken* token, int more);
void DoString(LexToken* token);
void DoBooleanConst(int64_t value);
void DoNegate(LexToken* token);
void CompileCast(LexToken* token);
void DoFunc(int kind);  // 0 named, 1 through an expression, 2 asm, 3 constructor, 4 destructor
void DoFunArg();
// The ')' that closes the call (null: the parser's current token or the one before it).
void DoCall(LexToken* close = nullptr);
void BeginSizeof();
void DoSizeof(int ofType);
void EndCondExp();
void CPPMember(int op);
void BeginConstant();
void EndConstant();
// A full expression that no ';' ends is complete: the condition of an if,
// a while or a switch, the last part of a for's header.
void EndFullExpr();
// A syntax error was read over: no call and no expression is open any more.
void ResetExpressions();

// ---- Statements ---------------------------------------------------------------
void BeginIf();
void DoIf();
void DoThen();
void NoElse();
void DoElse();
void EndElse();
void EndIf();
void BeginSwitch();
void DoSwitch();
void EndSwitch();
void BeginCase();
void DoCase();
void DoDefault();
void DoBreak();
void BeginWhile();
void DoWhile();
void EndWhile();
void BeginDo();
void MidDo();
void BeginFor();
void DoFor();
void DoTest();
void DoBlock1();
void DoBlock2();
void BeginJump(int kind);
void EndExpress();
void EmptyStatement();
void EndStmt(int kind);
void StartGnuBlock();
void EndGnuBlock();

// ---- Declarations ---------------------------------------------------------------
void Specifier(int code);
void GetNewType();
void ExtModifier(int code);
void PtrQualifier(int flag);
// The name of the declarator that DirectDecl(1) follows.
void DeclName(LexToken* token);
void DirectDecl(int kind);  // 0 old-style list, 1 name, 2 enumerator, 3 nameless bit-field, 4 operator
void PushDeclarator();
void PopDeclarator();
void AttachMod(int kind);  // 2 reference, 3 pointer, 4 array
void CheckDeclarator(int hasInit);
void BeginInit(int kind);
void InitExpr();
void CheckInit(int isExpr);
void EmptyDeclaration();
void EndDclList();
void PushDState(int kind);
void PopDState();
void DoTypeName();
// GNU typeof: BeginTypeof at the word (its operand is read in a state of
// its own), EndTypeof after the ')' gives the declaration its type (ofType:
// the operand was a type name).
void BeginTypeof(LexToken* word);
void EndTypeof(int ofType);
void DoLabel(int named);
// A label that no statement follows (it ends a block): stm_bad_label, and
// the label stands as a simple statement of its own.
void BadLabel();
// A file-scope declaration was given up after a syntax error: every
// declaration state and block left open by it is dropped.
void ResetDeclarations();

// ---- Functions and parameters -----------------------------------------------
void FunParmStart(int kind);
void EndParm(int kind);  // 2 named, 3 abstract, 5 specifiers only
void MoreParms();
void Need3Dots();
void Do3Dots(int kind);
void FunParmEnd(int kind);  // 0 empty, 2 old-style identifiers, 3 prototype
void OldstyleFcn();
void FcnDeclarator();
void PushBlock();
void PopBlock();
void BeginReturn(int x);
void DoReturn(int op, int hasValue);
void CheckGoto();

// ---- Tags -------------------------------------------------------------------------
void DeclareTag(const char* name, int kind);
void StartMembers(int kind);
void CheckMember();
void DoBitField();
void AddEnum();
void EndMembers();
// A comma after the last enumerator (lex_enum_comma).
void EnumComma();

// ---- C++ classes, names, namespaces and linkage ----------------------------------
// The name after struct, union or class (null when anonymous); the class
// body's start and end (after StartMembers, before EndMembers).
void ClassHead(LexToken* name);
void StartClassBody();
void EndClassBody();
// A member function defined in its class (the parser's current token
// begins its body): true when the body was skipped, to be read before the
// class's '}'. StartDeferred before each body read there, NextDeferred
// after it. DropDeferred forgets the skipped bodies after a syntax error.
bool DeferredFcn();
void StartDeferred();
void NextDeferred();
void DropDeferred();
// A qualifier's class or namespace name; a declarator named by a qualified
// name (after DeclaratorName); a function definition's declarator is
// complete (after FcnDeclarator): a qualified name's class is its scope.
void ScopeName(LexToken* name);
void QualifiedName();
void FunctionScope();
// The base list: StartBase at its colon, BaseName per base, SetAccess for
// each access keyword (also for the access labels of a class body).
void StartBase();
void BaseName(LexToken* name);
void SetAccess(LexToken* keyword);
// A declarator named by a qualified name, a constructor's class name or an
// operator function (kind as DirectDecl), or a destructor ('~' and name).
void DeclaratorName(LexToken* name, int kind);
void DestructorName(LexToken* tilde, LexToken* name);
// An operator function named in an expression (after a qualifier when
// qualified is 1): the `operator` token gets the function's name and the
// declaration of that name, as an identifier's lookup gives it.
void OperatorReference(LexToken* keyword, int qualified);
void LinkageStart(LexToken* language);
void LinkageEnd();
void NamespaceStart(LexToken* name);  // null for an unnamed namespace
void NamespaceEnd();
void NamespaceAlias(LexToken* name);
void UsingDirective();
void UsingDeclaration();

}  // namespace mv
