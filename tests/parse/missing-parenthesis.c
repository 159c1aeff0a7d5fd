/* A module with two syntax errors for tools/parsecheck to group by cause:
   the same mistake twice, one cause. */
int f(int a)
{
    if (a > 0 {
        a = 1;
    }
    while (a < 9 {
        a++;
    }
    return a;
}
