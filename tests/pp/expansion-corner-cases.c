/* Corner cases of expansion: names met again during their own rescanning,
   calls whose name or parenthesis comes from an expansion, directives-looking
   lines made by macros, stringizing of comments and line ends. */
#define f g
#define g(x) x+1
int a = f(2);
#define COMMA ,
#define F(a,b) a b
int b[] = { F(1 COMMA 2, 3) };
#define s(x) #x
char *c = s(a /* c */ b), *d = s(  a  ), *e = s(a
  b), *e2 = s(#), *e3 = s(a"b"c);
#define e(fmt, args...) p(fmt, ## args)
e(1); e(1, 2, 3);
#define foo foo
#define aa bb
#define bb aa
int foo, aa, bb;
#define ff(x) x ff
int h = ff(1)(2);
#define gg(x) x
int i = gg(gg)(1);
#define D defined(X)
#define X
#if D
int j;
#endif
#define EMPTY
EMPTY # define z 1
int k = z;
#define LPAREN (
#define h2(x) [x]
int l = h2 LPAREN 1);
#define i2(x) x
int m = i2(h2)(5);
#define AND &&
#if 1 AND 1
int n;
#endif
#define OBJ (1 + 2)
#define FN(x) ((x) * OBJ)
int o = FN(FN(3));
