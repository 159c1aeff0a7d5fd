#include "support/assembler.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <sstream>

#include "rules/codefile.h"
#include "rules/interp.h"
#include "rules/mvvars.h"

namespace mvtest {

namespace {

const std::map<std::string, int32_t>& Opcodes() {
  static const std::map<std::string, int32_t> table = {
      {"NOT", mv::OP_NOT},         {"MOD", mv::OP_MOD},           {"BIT_AND", mv::OP_BIT_AND},
      {"MUL", mv::OP_MUL},         {"ADD", mv::OP_ADD},           {"SUB", mv::OP_SUB},
      {"DIV", mv::OP_DIV},         {"ENDSTMT", mv::OP_ENDSTMT},   {"LESS", mv::OP_LESS},
      {"ASSIGN", mv::OP_ASSIGN},   {"GREATER", mv::OP_GREATER},   {"BIT_OR", mv::OP_BIT_OR},
      {"BITNOT", mv::OP_BITNOT},   {"LOGOR", mv::OP_LOGOR},       {"LOGAND", mv::OP_LOGAND},
      {"EQUAL", mv::OP_EQUAL},     {"NOTEQ", mv::OP_NOTEQ},       {"LESSEQ", mv::OP_LESSEQ},
      {"GREATEQ", mv::OP_GREATEQ}, {"SHL", mv::OP_SHL},           {"SHR", mv::OP_SHR},
      {"NEGATE", mv::OP_NEGATE},   {"INDEX", mv::OP_INDEX},       {"ADDASG", mv::OP_ADDASG},
      {"SUBASG", mv::OP_SUBASG},   {"MULASG", mv::OP_MULASG},     {"DIVASG", mv::OP_DIVASG},
      {"MODASG", mv::OP_MODASG},   {"STRING", mv::OP_STRING},     {"INTCONST", mv::OP_INTCONST},
      {"INTIMM", mv::OP_INTIMM},   {"FLTCONST", mv::OP_FLTCONST}, {"VARREF", mv::OP_VARREF},
      {"BREAK", mv::OP_BREAK},     {"CONTINUE", mv::OP_CONTINUE}, {"IF", mv::OP_IF},
      {"SIZEOF", mv::OP_SIZEOF},   {"SWITCH", mv::OP_SWITCH},     {"WHILE", mv::OP_WHILE},
      {"FCNPUSH", mv::OP_FCNPUSH}, {"FCNCALL", mv::OP_FCNCALL},   {"JUMP", mv::OP_JUMP},
      {"TABLEJUMP", mv::OP_TABLEJUMP}, {"STOP", mv::OP_STOP},     {"PREINC", mv::OP_PREINC},
      {"POSTINC", mv::OP_POSTINC}, {"PREDEC", mv::OP_PREDEC},     {"POSTDEC", mv::OP_POSTDEC},
      {"ADDROF", mv::OP_ADDROF},   {"UPLUS", mv::OP_UPLUS},
  };
  return table;
}

// Opcodes whose one operand follows them.
bool HasOperand(int32_t op) {
  switch (op) {
    case mv::OP_INTCONST: case mv::OP_INTIMM: case mv::OP_FLTCONST: case mv::OP_VARREF:
    case mv::OP_BREAK: case mv::OP_CONTINUE: case mv::OP_IF: case mv::OP_SWITCH: case mv::OP_WHILE:
    case mv::OP_FCNCALL: case mv::OP_JUMP: case mv::OP_TABLEJUMP:
      return true;
    default:
      return false;
  }
}

struct Builder {
  Assembly a;
  AssembledRule* rule = nullptr;
  std::map<std::string, int32_t> labels;
  std::vector<std::pair<size_t, std::string>> fixups;  // unit index, label
  int lineNo = 0;

  bool Fail(const std::string& what) {
    if (a.error.empty()) a.error = "line " + std::to_string(lineNo) + ": " + what;
    return false;
  }

  void Use(int32_t code) {
    if (std::find(a.used.begin(), a.used.end(), code) == a.used.end()) a.used.push_back(code);
    const int cls = code / 256, index = code % 256;
    // A listing may name a code past its class on purpose (a damaged file).
    if ((cls == mv::fcn_ || cls == mv::mod_) && index >= 0 && index < mv::mvLast[cls] &&
        mv::mvType[cls][index] == mv::kTypeIStat &&
        std::find(a.stats.begin(), a.stats.end(), code) == a.stats.end())
      a.stats.push_back(code);
  }

  bool Code(const std::string& word, int32_t* code) {
    if (word.rfind("usr_", 0) == 0) {
      *code = mv::usr_ * 256 + std::atoi(word.c_str() + 4);
      return true;
    }
    int cls, index;
    if (mv::FindMVVar(word.c_str(), &cls, &index)) {
      *code = cls * 256 + index;
      return true;
    }
    char* end;
    const long v = std::strtol(word.c_str(), &end, 0);
    if (*end == 0 && !word.empty()) {
      *code = static_cast<int32_t>(v);
      return true;
    }
    return Fail("unknown variable " + word);
  }

  int32_t Constant(const std::string& text, bool isFloat) {
    int32_t bits;
    if (isFloat) {
      const float f = std::strtof(text.c_str(), nullptr);
      std::memcpy(&bits, &f, sizeof bits);
    } else {
      bits = static_cast<int32_t>(std::strtol(text.c_str(), nullptr, 0));
    }
    a.constants.push_back(bits);
    return static_cast<int32_t>(a.constants.size() - 1);
  }

  bool Operand(const std::string& word, int32_t op) {
    if (word.empty()) return Fail("operand missing");
    if (word[0] == '@') {
      fixups.emplace_back(rule->units.size(), word.substr(1));
      rule->units.push_back(0);
      return true;
    }
    if (word[0] == '=') {
      rule->units.push_back(Constant(word.substr(1), op == mv::OP_FLTCONST));
      return true;
    }
    if (op == mv::OP_VARREF) {
      int32_t code = 0;
      if (!Code(word, &code)) return false;
      Use(code);
      rule->units.push_back(code);
      return true;
    }
    rule->units.push_back(static_cast<int32_t>(std::strtol(word.c_str(), nullptr, 0)));
    return true;
  }

  bool String(const std::string& rest) {
    const size_t open = rest.find('"'), close = rest.rfind('"');
    if (open == std::string::npos || close == open) return Fail("string expected");
    std::string text;
    for (size_t i = open + 1; i < close; ++i) {
      if (rest[i] == '\\' && i + 1 < close) {
        const char c = rest[++i];
        text += c == 'n' ? '\n' : c == 't' ? '\t' : c == '0' ? '\0' : c;
      } else {
        text += rest[i];
      }
    }
    const size_t n = text.size() / 4 + 1;  // always room for the terminating zero
    std::vector<int32_t> units(n, 0);
    std::memcpy(units.data(), text.data(), text.size());
    rule->units.push_back(mv::OP_STRING);
    rule->units.push_back(static_cast<int32_t>(n));
    rule->units.insert(rule->units.end(), units.begin(), units.end());
    return true;
  }

  bool Table(std::istringstream& in) {
    std::string exitLabel, defaultLabel, item;
    in >> exitLabel >> defaultLabel;
    std::vector<std::pair<std::string, std::string>> cases;
    while (in >> item) {
      const size_t colon = item.find(':');
      if (colon == std::string::npos) return Fail("case value:@label expected");
      cases.emplace_back(item.substr(0, colon), item.substr(colon + 1));
    }
    // The TABLEJUMP's own operand is the exit the table records.
    rule->units.push_back(mv::OP_TABLEJUMP);
    if (!Operand(exitLabel, mv::OP_TABLEJUMP)) return false;
    rule->units.push_back(static_cast<int32_t>(cases.size()));
    if (defaultLabel == "0")
      rule->units.push_back(0);
    else if (!Operand(defaultLabel, mv::OP_JUMP))
      return false;
    for (const auto& c : cases) {
      rule->units.push_back(Constant(c.first, false));
      if (!Operand(c.second, mv::OP_JUMP)) return false;
    }
    return true;
  }

  bool EndRule() {
    for (const auto& f : fixups) {
      auto it = labels.find(f.second);
      if (it == labels.end()) return Fail("unknown label " + f.second);
      rule->units[f.first] = it->second;
    }
    fixups.clear();
    labels.clear();
    rule = nullptr;
    return true;
  }

  bool Line(const std::string& raw) {
    // A '#' starts a comment unless it stands inside a string.
    std::string line;
    bool quoted = false;
    for (char c : raw) {
      if (c == '"') quoted = !quoted;
      if (c == '#' && !quoted) break;
      line += c;
    }
    std::istringstream in(line);
    std::string word;
    if (!(in >> word)) return true;
    if (rule == nullptr) {
      if (word == "name") return static_cast<bool>(in >> a.name) || Fail("name expected");
      if (word == "truncate") return static_cast<bool>(in >> a.truncateTo) || Fail("size expected");
      if (word == "patch") {
        long offset;
        long value;
        if (!(in >> offset >> value)) return Fail("offset and value expected");
        a.patches.emplace_back(offset, static_cast<int32_t>(value));
        return true;
      }
      if (word == "var") {
        std::string type;
        in >> type;
        int32_t code = 0, dim = 0;
        if (type == "int") code = mv::kTypeInt;
        else if (type == "char") code = mv::kTypeChar;
        else if (type == "float") code = mv::kTypeFloat;
        else if (type == "charptr" || type == "file") code = mv::kTypePointer;
        else if (type == "istat") code = mv::kTypeIStat;
        else if (type == "fstat") code = mv::kTypeFStat;
        else if (type.rfind("char[", 0) == 0) {
          code = mv::kTypePointer;
          dim = std::atoi(type.c_str() + 5);
        } else if (type.rfind("raw:", 0) == 0) {
          code = std::atoi(type.c_str() + 4);
        } else {
          return Fail("unknown variable type " + type);
        }
        a.varTypes.push_back(code);
        a.varTypes.push_back(dim);
        return true;
      }
      if (word == "rule") {
        a.rules.emplace_back();
        rule = &a.rules.back();
        while (in >> word) {
          int32_t code = 0;
          if (!Code(word, &code)) return false;
          rule->triggers.push_back(code);
          if (code != 0) Use(code);
        }
        return true;
      }
      return Fail("unknown directive " + word);
    }
    if (word == "end") return EndRule();
    if (word.back() == ':') {
      labels[word.substr(0, word.size() - 1)] = static_cast<int32_t>(rule->units.size());
      return true;
    }
    if (word == "WORD") {
      std::string v;
      in >> v;
      return Operand(v, 0);
    }
    if (word == "STRING") return String(line);
    if (word == "TABLE") return Table(in);
    auto it = Opcodes().find(word);
    if (it == Opcodes().end()) return Fail("unknown opcode " + word);
    rule->units.push_back(it->second);
    if (HasOperand(it->second)) {
      std::string operand;
      in >> operand;
      return Operand(operand, it->second);
    }
    return true;
  }
};

}  // namespace

Assembly Assemble(const std::string& text) {
  Builder b;
  std::istringstream in(text);
  std::string line;
  while (std::getline(in, line)) {
    ++b.lineNo;
    if (!b.Line(line)) break;
  }
  if (b.a.error.empty() && b.rule != nullptr) b.Fail("rule without end");
  return b.a;
}

bool WriteAssembly(const Assembly& a, const std::string& path, std::string* error) {
  FILE* f = std::fopen(path.c_str(), "w+b");
  if (f == nullptr) {
    *error = "cannot write " + path;
    return false;
  }
  mv::CodeWriter w;
  mv::BeginCode(&w, f, a.name.c_str());
  for (const AssembledRule& r : a.rules)
    mv::WriteRule(&w, r.units.data(), static_cast<int32_t>(r.units.size()), r.triggers.data(),
                  static_cast<int>(r.triggers.size()));
  w.varTypes = a.varTypes;
  w.stats = a.stats;
  w.used = a.used;
  w.constants = a.constants;
  mv::EndCode(&w, a.name.c_str());
  for (const auto& p : a.patches) {
    std::fseek(f, p.first, SEEK_SET);
    std::fwrite(&p.second, sizeof p.second, 1, f);
  }
  std::fflush(f);
  if (a.truncateTo >= 0 && ftruncate(fileno(f), a.truncateTo) != 0) {
    *error = "cannot truncate " + path;
    std::fclose(f);
    return false;
  }
  std::fclose(f);
  return true;
}

}  // namespace mvtest
