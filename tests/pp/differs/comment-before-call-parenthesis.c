/* Morvane leaves a function-like macro name unexpanded when a comment
   stands between it and its '(' (gcc takes the comment for white space);
   the comparison must report this file as differing. */
#define f(x) [x]
int a = f /* comment */ (1);
