// A small assembler for compiled rule files, used by the tests: it turns a
// readable listing of rules into pseudocode and writes it through the real
// compiled-file writer.
//
//   name rules.mv            the rule source name stored in the header
//   var int | char | float | char[N] | charptr | file | istat | fstat
//   rule TRIGGER...          starts a rule (names, usr_N or numeric codes)
//     label:                 marks the next unit
//     VARREF op_plus         opcodes by name; operands are numbers, names,
//     INTCONST =42           @labels, =constant (added to the pool),
//     FLTCONST =1.5          "strings" (for STRING), or
//     STRING "text\n"
//     TABLE @exit @default 1:@a 2:@b   a switch table (TABLEJUMP and its cases)
//     WORD 12345             one raw unit
//   end                      ends the rule (STOP is not added)
//   truncate N               cut the finished file to N bytes
//   patch OFFSET VALUE       overwrite the word at a byte offset
// Every variable named by a rule is put on the used list; predefined
// statistics named by a rule go on the statistics list.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace mvtest {

struct AssembledRule {
  std::vector<int32_t> units;
  std::vector<int32_t> triggers;
};

struct Assembly {
  std::string name = "test.mv";
  std::vector<AssembledRule> rules;
  std::vector<int32_t> varTypes;  // type, dimension pairs
  std::vector<int32_t> stats;
  std::vector<int32_t> used;
  std::vector<int32_t> constants;
  long truncateTo = -1;
  std::vector<std::pair<long, int32_t>> patches;
  std::string error;  // empty when the text assembled cleanly
};

// Needs the trigger variable table (InitVars) to resolve names.
Assembly Assemble(const std::string& text);
// Writes the compiled file; false with a message on failure.
bool WriteAssembly(const Assembly& a, const std::string& path, std::string* error);

}  // namespace mvtest
