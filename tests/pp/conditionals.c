/* #if, #elif and defined on macros of the module, with expansion in the
   expression and nested groups. */
#define ONE 1
#define TWO ONE + ONE
#define F(x) (x * 2)
#if TWO == 2 && defined ONE && defined(F) && !defined NONE
int a;
#elif 1
int b;
#else
int c;
#endif
#if F(3) == 6
# if 0
int d;
# elif F(1) - 2
int e;
# else
int f;
# endif
#endif
#if (-1 < 0) && (0x10 >> 2) == 4 && (7 % 4) == 3 && (1 ? 2 : 3) == 2
int g;
#endif
#ifndef ONE
int h;
#endif
#undef ONE
#ifdef ONE
int i;
#else
int j;
#endif
