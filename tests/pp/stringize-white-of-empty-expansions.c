#define s(x) # x
#define v(x) s(x)
#define EOA /* empty */
#define EFA() /* empty */
#define SBa(x) EOA x
#define SBd(x) EFA() x
#define SBe(x) EFA()x
char *a = v(|EOA|);
char *b = v(|EFA()|);
char *c = v(|SBa(|));
char *d = v(|SBd(|));
char *e = v(|SBe(|));
char *f = v(a EOA);
