// The file stack from which the line reader reads, and the run-wide tables of
// file and directory names that lines and messages refer to by index.
#pragma once

#include <cstdint>
#include <cstdio>

namespace mv {

// Flag bits of a file frame.
inline constexpr uint32_t kFrameInherit = 1u << 25;
inline constexpr int kFrameLevelShift = 26;      // bits 26-27: check level
inline constexpr int kFrameKindShift = 28;       // bits 28-29: 0 module, 1 "..", 2 <..>
inline constexpr uint32_t kFrameRulesApply = 1u << 30;
inline constexpr uint32_t kFrameExcluded = 1u << 31;

struct FileFrame {
  FileFrame* next;  // the including file's frame
  FILE* stream;
  uint16_t pathIndex;
  uint16_t fileIndex;
  uint32_t lineCount;
  uint32_t flags;
  uint16_t depth;
};

extern FileFrame* fileStack;
extern int nFiles, nPaths;  // slots in use, slot 0 being the empty name

void InitFiles();
// Before each module's first line: enters the first forced header, if any.
void StartForcedIncludes();
int AddFileName(const char* name, bool* isNew);  // index 1..3999
int AddPathName(const char* name);               // index 1..127, 0 for none
const char* FileName(int index);
const char* PathName(int index);
FileFrame* NewFile(const char* name, const char* path, FILE* stream);  // pushed on top
void PopFile();
int FileStackDepth();

}  // namespace mv
