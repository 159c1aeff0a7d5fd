// The C++ expression and statement actions: new and delete, the named casts,
// typeid, this, function-like casts, throw, and try/catch with its handler
// records (a handler hidden by an earlier one of the same try is never
// reached: stm_never_caught).
#pragma once

#include <string>
#include <vector>

namespace mv {

struct LexToken;
struct Type;
struct Tag;
struct Modifier;

// ---- Expressions ------------------------------------------------------------------
void StartNewCall(LexToken* token);  // at the keyword new: op_new
void NewPlacement();                 // the placement arguments begin
void EndNewCall();                   // the new expression is complete
void FcnCastStart();                 // T(args): the arguments begin
void FcnCastEnd(LexToken* name);     // ... and end: op_cast
void NamedCast(LexToken* keyword);   // static_cast<T>(e) and the three others
void TypeId(LexToken* keyword);      // typeid and __classid
void DoThis(LexToken* token);
void ThrowExpr(LexToken* token, int hasOperand);

// ---- try and catch -------------------------------------------------------------------
void BeginTry();
void DoTry();                // the try block has ended
void BeginCatch();           // at the keyword catch
void CheckCatchCond();       // the handler's parameter has been declared
void Do3DotsCatch();         // catch (...)
void DoCatch();              // the handler's ')': compared with the earlier handlers
void EnterCatchParameter();  // the handler's block is open: its parameter is a local
void EndCatch();
void EndTry();               // after the last handler

// An earlier handler of this type catches everything a later one of that
// type would (both types as declared, typedef names expanded).
bool Hides(const Type* earlier, const Type* later);
// The class is the other one or derived from it, directly or through its bases.
bool Derive(const Tag* derived, const Tag* base);
// A class (by name) names a base class in its head.
void NoteBaseClass(const char* derived, const char* base);
// The base classes a class (by name) names in its head, in order.
std::vector<std::string> BaseClassNames(const std::string& derived);
// Start of a module: no try is open.
void InitCppActions();

}  // namespace mv
