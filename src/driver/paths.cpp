#include "driver/paths.h"

#include <sys/stat.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "driver/options.h"
#include "driver/run.h"
#include "support/mverror.h"
#include "support/public.h"

namespace mv {

StrCell* mvRulesList;
StrCell* excludeList;
StrCell* sysHeaderList;

void InitPaths() {
  mvRulesList = excludeList = sysHeaderList = nullptr;
}

void GetLists() {
  GetDirList("INCLUDE", &headerList);
  AppendPath(&headerList, "/usr/include");
  sysHeaderList = headerList;
  GetDirList("MVRULES", &mvRulesList);
  AppendPath(&mvRulesList, "/usr/Morvane/rules");
  AppendPath(&mvRulesList, "/usr/Morvane");
  GetDirList("MVEXCLUDE", &excludeList);
}

void GetDirList(const char* variable, StrCell** list) {
  const char* value = getenv(variable);
  if (value == nullptr || *value == 0) return;
  const std::string copy = value;
  size_t start = 0;
  while (start <= copy.size()) {
    size_t end = copy.find(':', start);
    if (end == std::string::npos) end = copy.size();
    if (end > start) AppendPath(list, copy.substr(start, end - start).c_str());
    start = end + 1;
  }
}

void AppendPath(StrCell** list, const char* directory) {
  if (directory == nullptr || *directory == 0) return;
  const size_t length = strlen(directory);
  if (length + 1 > static_cast<size_t>(kPathLength) + 1) {
    fprintf(stderr, "\nThis pathname is too long (length: %d, max: %d):\n", static_cast<int>(length),
            kPathLength + 1);
    fprintf(stderr, "%s\n", directory);
    fprintf(stderr, "Change PNLENGTH in public and recompile Morvane.\n\n");
    // Ending with status 0 would report a refused directory as success.
    CleanExit(1);
  }
  char* fixed = FixPathCopy(directory);
  AppendCell(list, fixed);
  FreeXString(fixed);
}

void FixPath(char* path) {
  if (path == nullptr || *path == 0) return;
  const size_t n = strlen(path);
  if (path[n - 1] != '/') {
    path[n] = '/';
    path[n + 1] = 0;
  }
}

char* FixPathCopy(const char* path) {
  if (path == nullptr || *path == 0) return NullXString;
  const size_t n = strlen(path);
  if (path[n - 1] == '/') return MakeXString(path);
  std::string s = path;
  s += '/';
  return MakeXString(s.c_str());
}

char* GetDestDir(char* path) {
  if (path == nullptr) return nullptr;
  char* slash = strrchr(path, '/');
  if (slash == nullptr) return nullptr;
  const size_t dirLength = static_cast<size_t>(slash - path) + 1;
  std::string dir(path, dirLength);
  memmove(path, slash + 1, strlen(slash + 1) + 1);
  if (dir == "./") return nullptr;
  return MakeXString(dir.c_str());
}

time_t LastMod(const char* directory, const char* name) {
  if (name == nullptr) return 0;
  std::string full;
  if (directory != nullptr) full = directory;
  full += name;
  struct stat st;
  if (stat(full.c_str(), &st) != 0) return 0;
  return st.st_mtime;
}

}  // namespace mv
