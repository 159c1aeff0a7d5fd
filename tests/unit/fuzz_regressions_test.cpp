// Replays every input kept under tests/fuzz/regressions/<target>/ through the
// entry of its fuzz target: each run must end through the exit hook with a
// defined status, without a crash (the sanitizer build checks memory) and
// without hanging.
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>

#include "../fuzz/fuzz_entry.h"
#include "harness.h"

namespace {

namespace fs = std::filesystem;

struct Input {
  std::string target;
  fs::path file;
};

// Names the input in test listings instead of dumping its bytes.
void PrintTo(const Input& input, std::ostream* os) { *os << input.target << "/" << input.file.filename().string(); }

std::vector<Input> Inputs() {
  std::vector<Input> inputs;
  for (const char* target : {"fuzz_project", "fuzz_args", "fuzz_source", "fuzz_rules"}) {
    const fs::path dir = fs::path(MV_FUZZ_CORPUS_DIR) / target;
    std::error_code ec;
    std::vector<fs::path> files;
    for (const auto& entry : fs::directory_iterator(dir, ec))
      if (entry.is_regular_file()) files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    for (const fs::path& f : files) inputs.push_back({target, f});
  }
  return inputs;
}

std::string TestName(const testing::TestParamInfo<Input>& info) {
  std::string name = info.param.target + "_" + info.param.file.filename().string();
  for (char& c : name)
    if (!isalnum(static_cast<unsigned char>(c))) c = '_';
  return name;
}

class FuzzRegression : public testing::TestWithParam<Input> {};

TEST_P(FuzzRegression, EndsThroughTheExitHook) {
  const Input& input = GetParam();
  std::ifstream f(input.file, std::ios::binary);
  const std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(f)), std::istreambuf_iterator<char>());

  // A hang ends the test process with SIGALRM instead of blocking the suite.
  alarm(60);
  int status;
  {
    mvtest::StderrCapture quiet;
    if (input.target == "fuzz_project")
      status = mvfuzz::RunProjectInput(bytes.data(), bytes.size());
    else if (input.target == "fuzz_args")
      status = mvfuzz::RunArgsInput(bytes.data(), bytes.size());
    else if (input.target == "fuzz_source")
      status = mvfuzz::RunSourceInput(bytes.data(), bytes.size());
    else
      status = mvfuzz::RunRulesInput(bytes.data(), bytes.size());
  }
  alarm(0);
  EXPECT_NE(status, mvfuzz::kSkipped) << "the fuzz entry refuses this input";
  EXPECT_NE(status, mvfuzz::kReturned) << "the run came back without CleanExit";
  EXPECT_GE(status, 0);
  EXPECT_LE(status, 255);
}

INSTANTIATE_TEST_SUITE_P(Inputs, FuzzRegression, testing::ValuesIn(Inputs()), TestName);

TEST(FuzzRegressionInputs, EveryTargetHasSome) {
  for (const char* target : {"fuzz_project", "fuzz_args", "fuzz_source", "fuzz_rules"}) {
    const fs::path dir = fs::path(MV_FUZZ_CORPUS_DIR) / target;
    std::error_code ec;
    EXPECT_TRUE(fs::is_directory(dir, ec)) << dir;
    EXPECT_FALSE(fs::is_empty(dir, ec)) << dir;
  }
}

}  // namespace

namespace {

int RunRules(const std::string& source) {
  mvtest::StderrCapture quiet;
  return mvfuzz::RunRulesInput(reinterpret_cast<const uint8_t*>(source.data()), source.size());
}

// The rules target must reach the compiler: its working directory holds an
// r.mvo of its own, which must not pass for the compiled input.
TEST(FuzzRulesEntry, CompilesTheInput) {
  EXPECT_EQ(RunRules("if (lin_end) do ; while (lin_end);\n"), 15);
  EXPECT_EQ(RunRules("if (lin_end) switch (lin_length) { case strlen(\"ab\"): ; }\n"), 1);
  EXPECT_EQ(RunRules("if (lin_end) printf(\"%d\\n\", lin_length);\n"), 0);
}

}  // namespace
