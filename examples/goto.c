/* A module for goto.mv: a goto forward, then one back. */

int find(const int *values, int n, int wanted)
{
    int i = 0;

again:
    if (i == n)
        goto missing;
    if (values[i] == wanted)
        return i;
    i++;
    goto again;
missing:
    return -1;
}
