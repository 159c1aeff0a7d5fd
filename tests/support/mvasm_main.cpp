// mvasm SOURCE OUTPUT: assembles a listing of rules into a compiled rule file.
#include <fstream>
#include <iostream>
#include <sstream>

#include "driver/options.h"
#include "rules/mvvars.h"
#include "support/assembler.h"
#include "support/mverror.h"
#include "support/utility.h"

int main(int argc, char** argv) {
  if (argc != 3) {
    std::cerr << "usage: mvasm SOURCE OUTPUT\n";
    return 2;
  }
  std::ifstream in(argv[1]);
  if (!in) {
    std::cerr << "mvasm: cannot read " << argv[1] << "\n";
    return 2;
  }
  std::stringstream text;
  text << in.rdbuf();
  mv::InitMem();
  mv::InitErrors();
  mv::InitOptions();
  mv::InitVars();
  const mvtest::Assembly a = mvtest::Assemble(text.str());
  if (!a.error.empty()) {
    std::cerr << "mvasm: " << argv[1] << ": " << a.error << "\n";
    return 1;
  }
  std::string error;
  if (!mvtest::WriteAssembly(a, argv[2], &error)) {
    std::cerr << "mvasm: " << error << "\n";
    return 1;
  }
  return 0;
}
