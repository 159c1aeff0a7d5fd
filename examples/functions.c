/* A module for functions.mv: a short function and one that is too long. */

static int square(int x)
{
    return x * x;
}

int sum_of_squares(const int *values, int n)
{
    int sum = 0;
    int i;

    if (n <= 0) {
        return 0;
    }
    for (i = 0; i < n; i++) {
        int v = values[i];

        if (v < 0) {
            v = -v;
        }
        sum += square(v);
    }
    if (sum < 0) {
        sum = 0;
    }
    return sum;
}
