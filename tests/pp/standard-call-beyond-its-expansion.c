#define f(a) a*g
#define g(a) f(a)
int i = f(2)(9);
static int d = 4;
#define c(x) d
#define d(x) c(2)
int j = c(c)(c);
#define s(x) # x
#define xs(x) s(x)
#define hf h
#define h(a) a+hf
char *k = xs( hf(1)(2) );
