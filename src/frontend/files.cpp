#include "frontend/files.h"

#include <cstring>

#include "support/mverror.h"
#include "support/public.h"
#include "support/utility.h"

namespace mv {

FileFrame* fileStack;
int nFiles, nPaths;

namespace {
char* files[kMaxFiles];
char* paths[kMaxPaths];
}  // namespace

void InitFiles() {
  fileStack = nullptr;
  files[0] = NullXString;
  paths[0] = NullXString;
  nFiles = nPaths = 1;
}

void StartForcedIncludes() {}

int AddFileName(const char* name, bool* isNew) {
  if (isNew != nullptr) *isNew = false;
  if (name == nullptr || *name == 0) return 0;
  for (int i = 1; i < nFiles; ++i)
    if (strcmp(files[i], name) == 0) return i;
  if (nFiles >= kMaxFiles) Panic(8);
  files[nFiles] = MakeXString(name);
  if (isNew != nullptr) *isNew = true;
  return nFiles++;
}

int AddPathName(const char* name) {
  if (name == nullptr || *name == 0) return 0;
  for (int i = 1; i < nPaths; ++i)
    if (strcmp(paths[i], name) == 0) return i;
  if (nPaths >= kMaxPaths) Panic(54);
  paths[nPaths] = MakeXString(name);
  return nPaths++;
}

const char* FileName(int index) { return (index > 0 && index < nFiles) ? files[index] : ""; }
const char* PathName(int index) { return (index > 0 && index < nPaths) ? paths[index] : ""; }

FileFrame* NewFile(const char* name, const char* path, FILE* stream) {
  auto* f = static_cast<FileFrame*>(GetXMem(sizeof(FileFrame)));
  f->stream = stream;
  f->fileIndex = static_cast<uint16_t>(AddFileName(name, nullptr));
  f->pathIndex = static_cast<uint16_t>(AddPathName(path));
  f->depth = fileStack != nullptr ? static_cast<uint16_t>(fileStack->depth + 1) : 0;
  f->next = fileStack;
  fileStack = f;
  ++mFileCount;
  return f;
}

void PopFile() {
  FileFrame* f = fileStack;
  MV_ASSERT(f != nullptr, kPhaseNone);
  fileStack = f->next;
  if (f->stream != nullptr) fclose(f->stream);
  FreeXMem(f, sizeof(FileFrame));
  --mFileCount;
}

int FileStackDepth() {
  int n = 0;
  for (FileFrame* f = fileStack; f != nullptr; f = f->next) {
    MV_LOOP_CHECK(f->next, fileStack);
    ++n;
  }
  return n;
}

}  // namespace mv
