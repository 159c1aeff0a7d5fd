// Lines of source and the messages attached to them.
#pragma once

#include <cstdint>
#include <cstdio>

namespace mv {

struct SourceLine;  // the line reader's record of one physical line

struct LineMessage {
  LineMessage* next;
  char* text;  // pooled
  int32_t column;
  uint16_t tokenNumber;
  uint32_t lineNumber;
  uint16_t fileIndex, pathIndex;
};

extern SourceLine* thisLine;  // line that messages and line variables refer to
extern LineMessage* firstMsg;  // messages not tied to a line
extern LineMessage* lastMsg;
extern long srcLines, hdrLines;
extern const char* messFormat;  // "%s(%ld): %s\n"

void InitLines();
// Attaches a message to a line at a column, or to the global list.
void NewMess(const char* text, SourceLine* line, int column);
// Writes out and frees the messages that are not tied to a line.
void OtherMessages();
// Writes and frees every line still held (at a module's end and on a fatal stop).
void FlushAllLines();
void FreeMessList(LineMessage* list);

}  // namespace mv
