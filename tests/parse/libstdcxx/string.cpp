// One libstdc++ header read through this machine's g++ environment.
#include <string>

int main()
{
    return 0;
}
