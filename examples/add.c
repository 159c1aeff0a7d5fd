/* A module for add.mv: two additions; the unary + and += are not reported. */

int total(const int *values, int n)
{
    int sum = 0;
    int i;

    for (i = 0; i < n; i++)
        sum = sum + values[i];
    sum += n;
    return +sum + 1;
}
