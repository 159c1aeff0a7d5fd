#define s(x) #x
#define xs(x) s(x)
#define cat(a,b) a ## b
#define INT64_C(c) c ## L
#define UINT64_C(c) c ## UL
#define VERSION 201710L
char *a[] = { s(10UL), s(1.5f), s(0x1fL), s(1e10), s(2.0L), s(07u), xs(VERSION), xs(UINT64_C(7)) };
long b = INT64_C(5) + UINT64_C(0x10) + cat(10U, L) + cat(1.5, f);
char *c = xs(cat(10U, L));
