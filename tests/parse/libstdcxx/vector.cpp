// One libstdc++ header read through this machine's g++ environment.
#include <vector>

int main()
{
    return 0;
}
