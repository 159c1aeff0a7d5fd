/* __VA_ARGS__ and empty arguments, as the C standard has them; a comma
   pasted with an empty variable argument disappears. */
#define F(a, ...) f(a, ## __VA_ARGS__)
#define G(...) g(__VA_ARGS__)
#define H(a, ...) h(a __VA_ARGS__)
#define P(x, y) x ## y
#define Q(x) #x
#define N(x) n(x)
F(1); F(1,2); F(1, 2, (3, 4));
G(); G(a); G(a, b); G((a, b), c);
H(1, + 2);
P(a b, c d); P(, c); P(a,); P(,);
Q( a   "b\n"  'c' ); Q(( a , b )); Q(); Q('"' "\\");
N(); N(()); N((,));
