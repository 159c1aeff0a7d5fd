#include "rules/strlib.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>

#include "frontend/files.h"
#include "rules/arith.h"
#include "rules/builtins.h"
#include "rules/mvvars.h"
#include "rules/regions.h"
#include "support/mverror.h"
#include "support/public.h"
#include "support/utility.h"

namespace mv {

namespace {

const char* FnName(int function) { return VarName(mv_, function); }

// ---- Characters (the C locale) ---------------------------------------------------------------

bool IsUpper(int32_t c) { return c >= 'A' && c <= 'Z'; }
bool IsLower(int32_t c) { return c >= 'a' && c <= 'z'; }
bool IsDigit(int32_t c) { return c >= '0' && c <= '9'; }

void CharClassFn(int function, int, int) {
  const int32_t c = PopLong();
  bool r = false;
  switch (function) {
    case kFnIsalpha: r = IsUpper(c) || IsLower(c); break;
    case kFnIsdigit: r = IsDigit(c); break;
    case kFnIslower: r = IsLower(c); break;
    case kFnIsupper: r = IsUpper(c); break;
    default: break;
  }
  PushLong(r ? 1 : 0);
}

void ToLowerFn(int, int, int) {
  const int32_t c = PopLong();
  PushLong(IsUpper(c) ? c + 32 : c);
}

void ToUpperFn(int, int, int) {
  const int32_t c = PopLong();
  PushLong(IsLower(c) ? c - 32 : c);
}

// ---- Text arguments ----------------------------------------------------------------------------

// A text argument of a string function: never null, readable and ended.
const char* Text(int function) {
  const char* p = PopPointer();
  if (p == nullptr) FatalError(58, "NULL string argument in Morvane strlib function.");
  return CheckedText(p, FnName(function));
}

[[noreturn]] void Refuse(const char* format, int function) {
  char text[160];
  snprintf(text, sizeof text, format, FnName(function));
  FatalError(0, text);
}

// The destination of a string function that writes: a rule's buffer or
// scratch text, of which `room` bytes from d on may be written.
char* Destination(int function, size_t* room) {
  char* d = PopPointer();
  if (d == nullptr) FatalError(58, "NULL string argument in Morvane strlib function.");
  RegionKind kind;
  if (!RegionRoom(d, &kind, room) || (kind != kRegionBuffer && kind != kRegionScratch))
    Refuse("Morvane function %s cannot write to this address.", function);
  return d;
}

[[noreturn]] void DoesNotFit(int function) { Refuse("The text made by %s does not fit in its destination.", function); }

int Sign(int r) { return r < 0 ? -1 : r > 0 ? 1 : 0; }

// A count argument of the n-functions; a negative one sets no limit.
size_t Limit(int32_t n) { return n < 0 ? SIZE_MAX : static_cast<size_t>(n); }

void AllFn(int function, int, int) {
  const char* s = Text(function);
  bool all = *s != 0;
  for (const char* p = s; *p != 0 && all; ++p) {
    const int32_t c = static_cast<unsigned char>(*p);
    all = function == kFnAllDigit ? IsDigit(c) : function == kFnAllLower ? IsLower(c) : IsUpper(c);
  }
  PushLong(all ? 1 : 0);
}

void StrlenFn(int function, int, int) { PushLong(static_cast<int32_t>(strlen(Text(function)))); }

// Two texts to an integer: strcmp, strcspn, strequiv, strspn.
void CompareFn(int function, int, int) {
  const char* b = Text(function);
  const char* a = Text(function);
  int32_t r = 0;
  switch (function) {
    case kFnStrcmp: r = Sign(strcmp(a, b)); break;
    case kFnStrcspn: r = static_cast<int32_t>(strcspn(a, b)); break;
    case kFnStrspn: r = static_cast<int32_t>(strspn(a, b)); break;
    case kFnStrequiv: r = strequiv(a, b) ? 1 : 0; break;
    default: break;
  }
  PushLong(r);
}

void StrncmpFn(int function, int, int) {
  const int32_t n = PopLong();
  const char* b = Text(function);
  const char* a = Text(function);
  PushLong(Sign(strncmp(a, b, Limit(n))));
}

// A text and a character to the place of the character: strchr, strrchr.
void FindCharFn(int function, int, int) {
  const auto c = static_cast<char>(PopLong());
  const char* s = Text(function);
  PushPointer(function == kFnStrchr ? strchr(s, c) : strrchr(s, c));
}

// Two texts to a place in the first: strpbrk, strstr.
void FindTextFn(int function, int, int) {
  const char* b = Text(function);
  const char* a = Text(function);
  PushPointer(function == kFnStrpbrk ? strpbrk(a, b) : strstr(a, b));
}

// The copies move with memmove, so that a text may be copied onto itself.
void StrcpyFn(int function, int, int) {
  const char* s = Text(function);
  size_t room;
  char* d = Destination(function, &room);
  const size_t n = strlen(s);
  if (n + 1 > room) DoesNotFit(function);
  memmove(d, s, n + 1);
  PushPointer(d);
}

void StrncpyFn(int function, int, int) {
  const int32_t count = PopLong();
  const char* s = Text(function);
  size_t room;
  char* d = Destination(function, &room);
  if (count < 0 || static_cast<size_t>(count) > room) DoesNotFit(function);
  const size_t n = strnlen(s, static_cast<size_t>(count));
  memmove(d, s, n);
  memset(d + n, 0, static_cast<size_t>(count) - n);
  PushPointer(d);
}

void StrcatFn(int function, int, int) {
  const int32_t count = function == kFnStrncat ? PopLong() : -1;
  const char* s = Text(function);
  size_t room;
  char* d = Destination(function, &room);
  CheckedText(d, FnName(function));
  const size_t used = strlen(d);
  const size_t n = strnlen(s, Limit(count));
  if (used + n + 1 > room) DoesNotFit(function);
  memmove(d + used, s, n);
  d[used + n] = 0;
  PushPointer(d);
}

// ---- Numbers -----------------------------------------------------------------------------------

// C atoi, saturated at the limits of a 32-bit integer; null gives 0.
void AtoiFn(int function, int, int) {
  const char* p = CheckedText(PopPointer(), FnName(function));
  long v = p != nullptr ? strtol(p, nullptr, 10) : 0;
  if (v > INT32_MAX) v = INT32_MAX;
  if (v < INT32_MIN) v = INT32_MIN;
  PushLong(static_cast<int32_t>(v));
}

void AtofFn(int function, int, int) {
  const char* p = CheckedText(PopPointer(), FnName(function));
  PushFloat(p != nullptr ? static_cast<float>(strtod(p, nullptr)) : 0.0f);
}

// ---- Commands, time and messages ---------------------------------------------------------------

// The command is the arguments in call order, each followed by a blank;
// arguments that would overflow the command are left out.
void ExecFn(int function, int argc, int) {
  fflush(stdout);
  fflush(stderr);
  if (argc == 0) {
    PushLong(system(nullptr));
    return;
  }
  std::string command;
  for (int i = 0; i < argc; ++i) {
    const char* text = CheckedText(PopPointer(), FnName(function));
    if (text == nullptr) continue;
    const size_t n = strlen(text);
    if (command.size() + n + 1 >= static_cast<size_t>(kExecBuffer)) continue;
    command = std::string(text) + " " + command;
  }
  // The command may make or change headers.
  ForgetHeaderFiles();
  PushLong(system(command.c_str()));
}

char stampText[64];
char errText[kMessageBuffer + 1];

// Rewrites a static text handed to a rule, and registers it anew with its size.
const char* Hand(char* buffer, const char* text, size_t size, RegionKind kind) {
  UnregisterRegion(buffer);
  snprintf(buffer, size, "%s", text);
  RegisterRegion(buffer, strlen(buffer) + 1, kind);
  return buffer;
}

void TimeStampFn(int, int, int) {
  char text[sizeof stampText];
  snprintf(text, sizeof text, "%s, %s", Today(), RightNow());
  PushPointer(Hand(stampText, text, sizeof stampText, kRegionScratch));
}

void ErrMessageFn(int, int, int) {
  PushPointer(Hand(errText, globalMsg.c_str(), sizeof errText, kRegionText));
}

// ---- Prefixes and suffixes of a declared name -----------------------------------------------

std::string affixName;   // the name of the latest declarator
bool affixNamed = false;
size_t prefixEnd = 0;    // characters matched as prefixes
size_t suffixLength = 0; // characters matched as suffixes
char rootText[kRootBuffer];

void PrefixFn(int function, int, int) {
  const char* s = CheckedText(PopPointer(), FnName(function));
  const size_t n = s != nullptr ? strlen(s) : 0;
  int32_t r = 0;
  if (affixNamed && n > 0 && affixName.compare(prefixEnd, n, s) == 0 && prefixEnd + n <= affixName.size()) {
    prefixEnd += n;
    r = 1;
  }
  PushLong(r);
}

void SuffixFn(int function, int, int) {
  const char* s = CheckedText(PopPointer(), FnName(function));
  const size_t n = s != nullptr ? strlen(s) : 0;
  int32_t r = 0;
  const size_t rest = affixName.size() - suffixLength;
  if (affixNamed && n > 0 && n <= rest && affixName.compare(rest - n, n, s) == 0) {
    suffixLength += n;
    r = 1;
  }
  PushLong(r);
}

// The name less its matched prefixes and suffixes; empty where they overlap.
void RootFn(int, int, int) {
  std::string root;
  if (affixNamed && affixName.size() < static_cast<size_t>(kRootBuffer) &&
      prefixEnd + suffixLength < affixName.size())
    root = affixName.substr(prefixEnd, affixName.size() - suffixLength - prefixEnd);
  PushPointer(Hand(rootText, root.c_str(), sizeof rootText, kRegionScratch));
}

bool LocalNow(struct tm* now) {
  const time_t t = time(nullptr);
  return t != static_cast<time_t>(-1) && localtime_r(&t, now) != nullptr;
}

}  // namespace

void BeginNameAffixes(const char* name) {
  affixNamed = name != nullptr;
  affixName = name != nullptr ? name : "";
  prefixEnd = 0;
  suffixLength = 0;
}

const char* Today() {
  static char date[15];
  static const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                        "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
  struct tm now;
  if (!LocalNow(&now) || now.tm_mon < 0 || now.tm_mon > 11)
    snprintf(date, sizeof date, "<date>");
  else
    snprintf(date, sizeof date, "%3s %02u %4u", kMonths[now.tm_mon], static_cast<unsigned>(now.tm_mday) % 100u,
             static_cast<unsigned>(now.tm_year + 1900) % 10000u);
  return date;
}

const char* RightNow() {
  static char daytime[10];
  struct tm now;
  if (!LocalNow(&now))
    snprintf(daytime, sizeof daytime, "<time>");
  else
    snprintf(daytime, sizeof daytime, "%02u:%02u:%02u", static_cast<unsigned>(now.tm_hour) % 100u,
             static_cast<unsigned>(now.tm_min) % 100u, static_cast<unsigned>(now.tm_sec) % 100u);
  return daytime;
}

void RegisterStringBuiltins() {
  BeginNameAffixes(nullptr);
  for (int f : {kFnIsalpha, kFnIsdigit, kFnIslower, kFnIsupper}) RegisterBuiltin(f, CharClassFn, 1);
  RegisterBuiltin(kFnTolower, ToLowerFn, 1);
  RegisterBuiltin(kFnToupper, ToUpperFn, 1);
  for (int f : {kFnAllDigit, kFnAllLower, kFnAllUpper}) RegisterBuiltin(f, AllFn, 1);
  RegisterBuiltin(kFnStrlen, StrlenFn, 1);
  for (int f : {kFnStrcmp, kFnStrcspn, kFnStrspn, kFnStrequiv}) RegisterBuiltin(f, CompareFn, 2);
  RegisterBuiltin(kFnStrncmp, StrncmpFn, 3);
  RegisterBuiltin(kFnStrchr, FindCharFn, 2);
  RegisterBuiltin(kFnStrrchr, FindCharFn, 2);
  RegisterBuiltin(kFnStrpbrk, FindTextFn, 2);
  RegisterBuiltin(kFnStrstr, FindTextFn, 2);
  RegisterBuiltin(kFnStrcpy, StrcpyFn, 2);
  RegisterBuiltin(kFnStrncpy, StrncpyFn, 3);
  RegisterBuiltin(kFnStrcat, StrcatFn, 2);
  RegisterBuiltin(kFnStrncat, StrcatFn, 3);
  RegisterBuiltin(kFnAtoi, AtoiFn, 1);
  RegisterBuiltin(kFnAtof, AtofFn, 1);
  RegisterBuiltin(kFnExec, ExecFn, -1);
  RegisterBuiltin(kFnTimeStamp, TimeStampFn, 0);
  RegisterBuiltin(kFnErrMessage, ErrMessageFn, 0);
  RegisterBuiltin(kFnPrefix, PrefixFn, 1);
  RegisterBuiltin(kFnSuffix, SuffixFn, 1);
  RegisterBuiltin(kFnRoot, RootFn, 0);
}

}  // namespace mv
