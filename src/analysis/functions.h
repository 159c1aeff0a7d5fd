// Blocks and function bodies of checked source: the start and the end of a
// function definition with the fcn_ statistics and events, return, labels
// and goto. The statement actions (actions_stmt.cpp) call these while source
// is checked.
#pragma once

namespace mv {

// Start of a module: no function is open.
void InitFunctions();

// A '{' opens a block: the outermost one of a function definition starts
// the function. Its '}' closes it.
void BlockOpened();
void BlockClosed();

// return: at its keyword / after its expression.
void ReturnBegins();
void ReturnEnds(bool hasValue);

// A named label is defined / a goto names its target (the label's name).
void LabelDefined(const char* name);
void GotoTarget(const char* name);

}  // namespace mv
