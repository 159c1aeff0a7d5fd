/* A small module to try Morvane on. */
#include <stdio.h>

static int count_vowels(const char *text)
{
    int n = 0;
    for (; *text; ++text)
        switch (*text) {
        case 'a': case 'e': case 'i': case 'o': case 'u':
            ++n;
        }
    return n;
}

int main(void)
{
    printf("There are %d vowels in \"%s\".\n", count_vowels("hello, world"), "hello, world");
    return 0;
}
