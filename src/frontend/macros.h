// Macros and the preprocessor's directives: definitions, expansion,
// conditional compilation and the #if expressions.
#pragma once

namespace mv {

// Start-up of the run: the macro table is empty; the directive handling is
// installed into the lexer.
void InitMacros();
// Before each module: the predefined macros of the dialect.
void SetLocalMacros();
// The -D and -U options, applied after the predefined macros.
void DoCLDefines();
// -D? with nothing to check: lists the predefined macros with the -D/-U changes.
void DisplayPredefs();
// After each module: the module's macros are forgotten.
void ResetMacros();

}  // namespace mv
