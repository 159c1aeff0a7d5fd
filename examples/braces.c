/* A module for braces.mv: an if and an else without braces, and an if-else
   chain whose bodies are all blocks. */

int sign(int x)
{
    if (x == 0)
        return 0;
    if (x > 0) {
        x = 1;
    } else
        x = -1;
    if (x > 1) {
        x = 1;
    } else if (x < -1) {
        x = -1;
    }
    return x;
}
