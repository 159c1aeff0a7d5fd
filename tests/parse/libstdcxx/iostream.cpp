// One libstdc++ header read through this machine's g++ environment.
#include <iostream>

int main()
{
    return 0;
}
