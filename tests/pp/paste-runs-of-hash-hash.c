#define cat(x,y) x##########y
#define A x######x
int *p = &cat(ab,cd);
int A = 1;
