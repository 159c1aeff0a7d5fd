#include "frontend/line.h"

#include <cstring>

#include "analysis/module.h"
#include "driver/options.h"
#include "driver/run.h"
#include "frontend/files.h"
#include "rules/mvvars.h"
#include "support/mverror.h"
#include "support/public.h"
#include "support/utility.h"

namespace mv {

SourceLine* thisLine;
LineMessage* firstMsg;
LineMessage* lastMsg;
long srcLines, hdrLines;
const char* messFormat = "%s(%ld): %s\n";

void InitLines() {
  thisLine = nullptr;
  firstMsg = lastMsg = nullptr;
  srcLines = hdrLines = 0;
  messFormat = "%s(%ld): %s\n";
}

namespace {

constexpr int kPrjWarnings = 29;  // prj_warnings in class 15

LineMessage* MakeMessage(const char* text, int column) {
  auto* m = static_cast<LineMessage*>(GetXMem(sizeof(LineMessage)));
  m->text = MakeXString(text);
  if (column > kMaxMessageColumn) column = kMaxMessageColumn;
  m->column = column > 0 ? column - 1 : column;
  return m;
}

// The directory plus file name of a message, as the message stream shows it.
std::string MessageFile(const LineMessage* m) {
  std::string s = PathName(m->pathIndex);
  s += FileName(m->fileIndex);
  return s;
}

void WriteMessage(FILE* stream, const std::string& file, long lineNumber, const char* text) {
  if (file.empty())
    fprintf(stream, "%s\n", text);
  else
    fprintf(stream, messFormat, file.c_str(), lineNumber, text);
}

}  // namespace

void NewMess(const char* text, SourceLine* line, int column) {
  if (text == nullptr) LowLevelError(1000);
  LineMessage* m = MakeMessage(text, column);
  // No line records exist until the line reader reads modules; every
  // message then belongs to the global list.
  (void)line;
  if (lastMsg == nullptr) {
    if (firstMsg != nullptr) LowLevelError(1001);
    firstMsg = m;
  } else {
    lastMsg->next = m;
  }
  lastMsg = m;
  if (modData.warnings == 0) fputs("\n", out);
  ++modData.warnings;
  ++prjWarnings;
  if (mvValue[prj_] != nullptr) mvValue[prj_][kPrjWarnings] += 1;
}

void OtherMessages() {
  if (firstMsg == nullptr) return;
  fputs("\n", out);
  const std::string file = MessageFile(firstMsg);
  for (LineMessage* m = firstMsg; m != nullptr; m = m->next) {
    MV_LOOP_CHECK(m->next, firstMsg);
    if (listFile != nullptr) fprintf(listFile, "   %s\n", m->text);
    WriteMessage(out, file, static_cast<long>(m->lineNumber), m->text);
  }
  FreeMessList(firstMsg);
  firstMsg = lastMsg = nullptr;
  fflush(out);
}

void FlushAllLines() {}

void FreeMessList(LineMessage* list) {
  LineMessage* head = list;
  while (list != nullptr) {
    LineMessage* next = list->next;
    MV_LOOP_CHECK(next, head);
    FreeXString(list->text);
    FreeXMem(list, sizeof(LineMessage));
    list = next;
  }
}

}  // namespace mv
