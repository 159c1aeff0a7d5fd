#define f(x) x
int a = f (
#if 1
 0
#else
 1
#endif
);
int b = f (2
#undef f
#define f - 1
 f);
int c = f;
