/* A module for switch.mv: a switch without default, with a case running into
   the next one. */

int weight(char c)
{
    int w = 0;

    switch (c) {
    case 'a':
    case 'e':
        w = 1;
    case 'x':
        w += 8;
        break;
    }
    return w;
}
