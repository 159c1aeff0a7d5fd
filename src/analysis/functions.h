// Blocks and function bodies of checked source: the start and the end of a
// function definition with the fcn_ statistics and events, return, labels
// and goto. The statement actions (actions_stmt.cpp) call these while source
// is checked.
#pragma once

namespace mv {

struct SourceLine;

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

// For the line reader: a comment line outside every block stands before
// the next function as its header comment; a declaration list ends that.
void HeaderCommentLine();
void ForgetHeaderComment();
// The line being closed lies in a function: its header has been read, a
// block is open, or the line holds the '}' that ended the last body.
bool LineWithinFunction(const SourceLine* line);

}  // namespace mv
