// Directory lists for headers, rule files and excluded directories, and the
// small path helpers the rest of the program uses.
#pragma once

#include <ctime>

#include "support/utility.h"

namespace mv {

extern StrCell* mvRulesList;    // MVRULES, then the two default rule directories
extern StrCell* excludeList;    // MVEXCLUDE
extern StrCell* sysHeaderList;  // head of headerList once the defaults are in

void InitPaths();
void GetLists();
void GetDirList(const char* variable, StrCell** list);
void AppendPath(StrCell** list, const char* directory);
void FixPath(char* path);  // path must have room for one more character
char* FixPathCopy(const char* path);  // pooled copy that ends in "/" (or "")
char* GetDestDir(char* path);  // owned (pooled) directory or null; path keeps its base
time_t LastMod(const char* directory, const char* name);

}  // namespace mv
