// The memory a rule may read or write through a pointer. Rules handle raw
// character pointers; every access through one is checked against the
// regions the runtime knows, so a bad pointer ends the run with a message
// instead of touching memory that is not the rule's.
#pragma once

#include <cstddef>
#include <cstdio>

namespace mv {

enum RegionKind {
  kRegionCode,     // a compiled rule block: string literals live here (read only)
  kRegionBuffer,   // a rule-file character array (writable)
  kRegionScratch,  // scratch text of a running rule (writable, dropped when the rule ends)
  kRegionText,     // text handed to a rule by a built-in (read only, dropped when the rule ends)
  kRegionStream,   // an open stream (never read as characters)
};

void InitRegions();
void RegisterRegion(const void* base, size_t size, RegionKind kind);
void UnregisterRegion(const void* base);
// Regions that live only while rules run (scratch and handed-out text) are
// dropped when the outermost rule returns.
void DropRuleRegions();
extern int ruleRegionCount;  // regions that DropRuleRegions would drop

// The room from p to the end of its region; false when p is in no region.
bool RegionRoom(const void* p, RegionKind* kind, size_t* room);

// Checked access. Each ends the run with a clear message on a bad pointer.
char ReadChar(const char* base, long index);
void WriteChar(char* base, long index, char c);
const char* CheckedText(const char* p, const char* what);   // a NUL-terminated readable text
char* WritableRoom(char* p, size_t* room, const char* what);  // room for a write at p
FILE* CheckedStream(const void* p, const char* what);        // an open stream, or null for null

// A text a built-in hands to a rule: registered so that the rule may read it.
const char* HandOut(const char* text);

}  // namespace mv
