/* Idioms of real code: X-macros, argument counting, deferred calls, wide
   strings by pasting, line numbers pasted into names, #if on character
   constants and undefined names. */
#define WIDEN2(x) L ## x
#define WIDEN(x) WIDEN2(x)
#define MSG "abc"
wchar_t *w = WIDEN(MSG), *w2 = WIDEN2('c');
#define COLORS X(red, 1) X(green, 2) X(blue, 3)
#define X(n, v) n = v,
enum { COLORS };
#undef X
#define X(n, v) #n,
const char *names[] = { COLORS };
#define CAT3(a, b, c) a ## b ## c
int CAT3(var, _, 1) = CAT3(1, 2, 3) + CAT3(0x, 1, 0);
#define VA(...) __VA_ARGS__
#define NARGS(...) NARGS_(__VA_ARGS__, 5, 4, 3, 2, 1, 0)
#define NARGS_(a, b, c, d, e, n, ...) n
int na = NARGS(x), nb = NARGS(x, y, z);
#define PASTE(a, b) a ## b
#define XPASTE(a, b) PASTE(a, b)
int XPASTE(line_, __LINE__);
#if defined UNDEFINED_THING && UNDEFINED_THING > 3
int bad;
#elif !defined(MSG) || UNDEFINED_OTHER
int bad2;
#elif (2 + 3) * 4 == 20 && 'A' == 65 && '\n' == 10 && 0x7fffffff > 0
int good;
#endif
#define APPLY(m, ...) m(__VA_ARGS__)
int ap = APPLY(NARGS_, 1, 2, 3, 4, 5, 6, 7);
#define EMPTY()
#define DEFER(id) id EMPTY()
#define A() 123
int df = DEFER(A)();
#define EXPAND(...) __VA_ARGS__
int ex = EXPAND(DEFER(A)());
