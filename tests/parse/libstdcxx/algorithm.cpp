// One libstdc++ header read through this machine's g++ environment.
#include <algorithm>

int main()
{
    return 0;
}
