// One libstdc++ header read through this machine's g++ environment.
#include <memory>

int main()
{
    return 0;
}
