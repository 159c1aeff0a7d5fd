// One libstdc++ header read through this machine's g++ environment.
#include <map>

int main()
{
    return 0;
}
