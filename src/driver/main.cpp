#include "driver/run.h"

int main(int argc, char** argv) { mv::MorvaneMain(argc, argv); }
