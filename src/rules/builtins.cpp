#include "rules/builtins.h"

#include <array>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "analysis/declare.h"
#include "driver/options.h"
#include "driver/run.h"
#include "frontend/files.h"
#include "frontend/line.h"
#include "frontend/lex2.h"
#include "rules/analysis_stubs.h"
#include "rules/arith.h"
#include "rules/mvvars.h"
#include "rules/regions.h"
#include "rules/stats.h"
#include "rules/strlib.h"
#include "support/mverror.h"
#include "support/utility.h"

namespace mv {

namespace {

// ---- State of the built-ins ---------------------------------------------------------------

std::vector<FILE*> openStreams;     // streams opened by rules and not yet closed
// Copies of string options handed to rules, by letter; each copy has a block
// of its own (no short-string buffer inside the slot), so that a changed
// text never takes the old copy's address.
std::unique_ptr<char[]> optionTexts[256];
char headerPathNames[kHeaderPathNames];
const char kEmptyText[1] = "";

const char* FnName(int function) { return VarName(mv_, function); }

int FoldUpper(int letter) { return (letter >= 'a' && letter <= 'z') ? letter - 32 : letter; }

// A fatal error 0 whose text names the function.
[[noreturn]] void RefuseIn(const char* format, int function) {
  char text[256];
  snprintf(text, sizeof text, format, FnName(function));
  FatalError(0, text);
}

[[noreturn]] void BadCount(int count, int function) {
  char text[256];
  snprintf(text, sizeof text, "Bad argument count (%d) in Morvane function %s", count, FnName(function));
  FatalError(0, text);
}

// ---- One conversion of a format -----------------------------------------------------------

// %[flags][width][.precision][length]letter, as the rule wrote it. The
// conversion handed to the C library is rebuilt from these parts, with the
// length modifier that matches the argument actually passed.
struct Conversion {
  std::string flags;
  int width = -1;
  int precision = -1;
  int shortness = 0;  // 1 for h, 2 for hh: the value is narrowed
  bool star = false;
  char letter = 0;
  std::string scanSet;  // the "[...]" of a %[ conversion
};

struct Segment {
  std::string before;  // literal text before the conversion (doubled percent signs only)
  std::string after;   // literal text after it (no percent sign)
  Conversion conv;
};

bool ReadNumber(const char** p, int* value) {
  if (**p < '0' || **p > '9') return true;
  long v = 0;
  while (**p >= '0' && **p <= '9') {
    v = v * 10 + (**p - '0');
    if (v > kMaxFieldWidth) return false;
    ++*p;
  }
  *value = static_cast<int>(v);
  return true;
}

// Reads the conversion that follows a '%'; *end is set just past it.
bool ParseConversion(const char* text, Conversion* c, const char** end) {
  const char* p = text;
  while (*p != 0 && strchr("-+ #0'", *p) != nullptr) c->flags += *p++;
  if (*p == '*') {
    c->star = true;
    ++p;
  }
  if (!ReadNumber(&p, &c->width)) return false;
  if (*p == '.') {
    ++p;
    c->precision = 0;
    if (*p == '*') {
      c->star = true;
      ++p;
    } else if (!ReadNumber(&p, &c->precision)) {
      return false;
    }
  }
  while (*p != 0 && strchr("hlLqjzt", *p) != nullptr) {
    if (*p == 'h' && c->shortness < 2) ++c->shortness;
    ++p;
  }
  if (*p == 0) return false;
  c->letter = *p++;
  if (c->letter == '[') {
    const char* set = p - 1;
    if (*p == '^') ++p;
    if (*p == ']') ++p;
    while (*p != 0 && *p != ']') ++p;
    if (*p == 0) return false;
    ++p;
    c->scanSet.assign(set, p);
  }
  *end = p;
  return true;
}

bool IsIntegerLetter(char c) { return c != 0 && strchr("diouxX", c) != nullptr; }
bool IsFloatLetter(char c) { return c != 0 && strchr("eEfFgGaA", c) != nullptr; }
bool IsSigned(char c) { return c == 'd' || c == 'i'; }

bool IsInputKind(int kind) { return kind == kFmtScanf || kind == kFmtFscanf || kind == kFmtSscanf; }

bool Allowed(int kind, const Conversion& c) {
  const char l = c.letter;
  if (IsInputKind(kind))
    return c.flags.empty() && c.precision < 0 &&
           (IsIntegerLetter(l) || IsFloatLetter(l) || l == 'c' || l == 's' || l == '[');
  return IsIntegerLetter(l) || IsFloatLetter(l) || l == 'c' || l == 's' || l == 'p';
}

// The conversion as handed to the C library, with `length` as its modifier.
std::string Rebuilt(const Conversion& c, const char* length, int width) {
  std::string s = "%";
  s += c.flags;
  if (width >= 0) s += std::to_string(width);
  if (c.precision >= 0) {
    s += '.';
    s += std::to_string(c.precision);
  }
  s += length;
  if (c.letter == '[')
    s += c.scanSet;
  else
    s += c.letter;
  return s;
}

std::string Formatted(const char* format, ...) {
  va_list ap;
  va_list copy;
  va_start(ap, format);
  va_copy(copy, ap);
  const int n = vsnprintf(nullptr, 0, format, copy);
  va_end(copy);
  std::string s;
  if (n > 0) {
    s.resize(static_cast<size_t>(n));
    vsnprintf(s.data(), s.size() + 1, format, ap);
  }
  va_end(ap);
  return s;
}

int ScanFrom(FILE* stream, const char* source, const char* format, ...) {
  va_list ap;
  va_start(ap, format);
  const int r = source != nullptr ? vsscanf(source, format, ap) : vfscanf(stream, format, ap);
  va_end(ap);
  return r;
}

// ---- A run of a formatting function -------------------------------------------------------

constexpr int kFormatFunction[] = {kFnPrintf, kFnWarn,    kFnFatal,   kFnScanf, kFnFprintf,
                                   kFnFscanf, kFnEprintf, kFnSprintf, kFnSscanf};

struct FormatRun {
  int kind = 0;
  int function = 0;
  FILE* stream = nullptr;        // printf, eprintf, fprintf, scanf, fscanf
  char* destination = nullptr;   // sprintf
  size_t room = 0;
  size_t written = 0;
  std::string source;            // sscanf: a copy, so that scanning never reads what it writes
  std::string message;           // warn, fatal
  bool messageFull = false;
  long code = 0;                 // warn, fatal
  int count = 0;
};

void Emit(FormatRun& run, const std::string& text) {
  switch (run.kind) {
    case kFmtWarn:
    case kFmtFatal:
      if (!run.messageFull && run.message.size() + text.size() < static_cast<size_t>(kWarnBuffer))
        run.message += text;
      else
        run.messageFull = true;
      return;
    case kFmtSprintf:
      if (run.written + text.size() + 1 > run.room)
        RefuseIn("The text made by %s does not fit in its destination.", run.function);
      memcpy(run.destination + run.written, text.data(), text.size());
      run.written += text.size();
      run.destination[run.written] = 0;
      break;
    default: fwrite(text.data(), 1, text.size(), run.stream); break;
  }
  run.count += static_cast<int>(text.size());
}

void AddScanned(FormatRun& run, int items) {
  if (items == EOF) {
    if (run.count == 0) run.count = -1;
    return;
  }
  if (run.count < 0) run.count = 0;
  run.count += items;
}

bool KnownTag(int tag) { return tag == kTypeInt || tag == kTypeChar || tag == kTypeFloat || tag == kTypePointer; }

void UnknownTag(int tag) { fprintf(out, "*** Unknown type (%d) in PrintOne ***\n", tag); }

// The segment with the conversion rebuilt around `length`.
std::string SegmentFormat(const Segment& s, const char* length) {
  return s.before + Rebuilt(s.conv, length, s.conv.width) + s.after;
}

[[noreturn]] void WrongKind(const FormatRun& run, char letter, const char* what) {
  char why[160];
  snprintf(why, sizeof why, "The value for %%%c in Morvane function %s %s", letter, FnName(run.function), what);
  FatalError(0, why);
}

std::string PointerText(const FormatRun& run, const Segment& s, const char* p) {
  if (s.conv.letter == 'p') return Formatted(SegmentFormat(s, "").c_str(), static_cast<const void*>(p));
  if (s.conv.letter != 's') WrongKind(run, s.conv.letter, "is a pointer, not a number.");
  p = CheckedText(p, FnName(run.function));
  return Formatted(SegmentFormat(s, "").c_str(), p != nullptr ? p : "(null)");
}

// An integer or float value: converted to what the conversion takes, so the
// C library always receives the type its conversion reads.
std::string NumberText(const FormatRun& run, const Segment& s, MVWord value, bool isFloat) {
  const Conversion& c = s.conv;
  if (c.letter == 's' || c.letter == 'p') WrongKind(run, c.letter, "is not a pointer.");
  if (IsFloatLetter(c.letter)) {
    const double d = isFloat ? static_cast<double>(WordFloat(value)) : static_cast<double>(WordInt(value));
    return Formatted(SegmentFormat(s, "").c_str(), d);
  }
  const int32_t whole = isFloat ? FloatToLong(WordFloat(value)) : WordInt(value);
  if (c.letter == 'c') return Formatted(SegmentFormat(s, "").c_str(), static_cast<int>(whole));
  if (IsSigned(c.letter)) {
    long v = whole;
    if (c.shortness == 1) v = static_cast<int16_t>(whole);
    if (c.shortness == 2) v = static_cast<int8_t>(whole);
    return Formatted(SegmentFormat(s, "l").c_str(), v);
  }
  unsigned long u = static_cast<uint32_t>(whole);
  if (c.shortness == 1) u = static_cast<uint16_t>(whole);
  if (c.shortness == 2) u = static_cast<uint8_t>(whole);
  return Formatted(SegmentFormat(s, "l").c_str(), u);
}

// One segment of an output function with its value.
void PrintOut(FormatRun& run, const Segment& s, MVWord value, int tag) {
  if (tag == kTypePointer)
    Emit(run, PointerText(run, s, reinterpret_cast<const char*>(value)));
  else if (KnownTag(tag))
    Emit(run, NumberText(run, s, value, tag == kTypeFloat));
  else
    UnknownTag(tag);
}

int Scan(FormatRun& run, const std::string& format, void* target) {
  if (run.kind == kFmtSscanf) return ScanFrom(nullptr, run.source.c_str(), format.c_str(), target);
  return ScanFrom(run.stream, nullptr, format.c_str(), target);
}

void StoreScanned(char* destination, size_t room, int size, long value, int function) {
  if (room < static_cast<size_t>(size)) RefuseIn("The buffer given to %s is too small for what it reads.", function);
  if (size == 1) {
    const auto v = static_cast<int8_t>(value);
    memcpy(destination, &v, 1);
  } else if (size == 2) {
    const auto v = static_cast<int16_t>(value);
    memcpy(destination, &v, 2);
  } else {
    const auto v = static_cast<int32_t>(value);
    memcpy(destination, &v, 4);
  }
}

// One segment of an input function: it reads only into a pointer, and only
// within the room of the buffer the pointer is in.
void ScanOne(FormatRun& run, const Segment& s, MVWord value, int tag) {
  if (tag != kTypePointer) {
    if (!KnownTag(tag)) UnknownTag(tag);
    return;
  }
  size_t room = 0;
  char* destination = WritableRoom(reinterpret_cast<char*>(value), &room, FnName(run.function));
  const Conversion& c = s.conv;
  const char l = c.letter;
  int items;
  if (l == 's' || l == '[') {
    if (room < 2) RefuseIn("The buffer given to %s has no room for the text it reads.", run.function);
    const int most = room - 1 > static_cast<size_t>(kMaxFieldWidth) ? kMaxFieldWidth : static_cast<int>(room - 1);
    const int width = (c.width > 0 && c.width < most) ? c.width : most;
    items = Scan(run, s.before + Rebuilt(c, "", width) + s.after, destination);
  } else if (l == 'c') {
    int width = c.width > 0 ? c.width : 1;
    if (static_cast<size_t>(width) > room) width = static_cast<int>(room);
    items = Scan(run, s.before + Rebuilt(c, "", width) + s.after, destination);
  } else if (IsIntegerLetter(l)) {
    const int size = c.shortness == 2 ? 1 : c.shortness == 1 ? 2 : 4;
    const std::string format = SegmentFormat(s, "l");
    long v = 0;
    unsigned long u = 0;
    items = IsSigned(l) ? Scan(run, format, &v) : Scan(run, format, &u);
    if (!IsSigned(l)) v = static_cast<long>(u);
    if (items == 1) StoreScanned(destination, room, size, v, run.function);
  } else {  // a float conversion
    double d = 0.0;
    items = Scan(run, SegmentFormat(s, "l"), &d);
    if (items == 1) {
      if (room < sizeof(float)) RefuseIn("The buffer given to %s is too small for what it reads.", run.function);
      const auto f = static_cast<float>(d);
      memcpy(destination, &f, sizeof f);
    }
  }
  AddScanned(run, items);
}

void PrintOne(FormatRun& run, const Segment& s, MVWord value, int tag) {
  if (IsInputKind(run.kind))
    ScanOne(run, s, value, tag);
  else
    PrintOut(run, s, value, tag);
}

// The text after the last conversion, when it holds no conversion itself.
void Remainder(FormatRun& run, const char* text) {
  if (IsInputKind(run.kind)) {
    const int r = run.kind == kFmtSscanf ? ScanFrom(nullptr, run.source.c_str(), text)
                                         : ScanFrom(run.stream, nullptr, text);
    if (r == EOF)
      run.count = -1;
    else
      run.count += r;
    return;
  }
  std::string plain;
  for (const char* p = text; *p != 0; ++p) {
    plain += *p;
    if (p[0] == '%' && p[1] == '%') ++p;
  }
  Emit(run, plain);
}

// The first '%' at or after p that starts a conversion, or null.
const char* FindConversion(const char* p) {
  for (; *p != 0; ++p) {
    if (*p != '%') continue;
    if (p[1] != '%') return p;
    ++p;
  }
  return nullptr;
}

void WalkFormat(FormatRun& run, const char* format, const MVWord* values, const int* tags, int nValues) {
  const char* at = format;
  int next = 0;
  while (*at != 0) {
    const char* start = at;
    const char* percent = FindConversion(at);
    if (percent == nullptr) {
      Remainder(run, start);
      return;
    }
    Segment s;
    const char* end = nullptr;
    const bool parsed = percent[1] != 0 && ParseConversion(percent + 1, &s.conv, &end);
    if (parsed && s.conv.star) RefuseIn("A '*' is not allowed in the format of Morvane function %s.", run.function);
    if (parsed && s.conv.letter == 'n') RefuseIn("%%n is not allowed in the format of Morvane function %s.", run.function);
    if (!parsed || !Allowed(run.kind, s.conv)) {
      fprintf(out, "Error in Morvane stdio format (%s)\n", start);
      return;
    }
    const char* stop = strchr(end, '%');
    if (stop == nullptr) stop = end + strlen(end);
    s.before.assign(start, percent);
    s.after.assign(end, stop);
    if (next >= nValues) RefuseIn("Too few values for the format in Morvane function %s.", run.function);
    PrintOne(run, s, values[next], tags[next]);
    ++next;
    at = stop;
  }
}

// Pops the argument in front of the format: warning number, stream,
// destination or source.
void TakeTarget(FormatRun& run) {
  char text[96];
  switch (run.kind) {
    case kFmtPrintf: run.stream = stdout; break;
    case kFmtEprintf: run.stream = stderr; break;
    case kFmtScanf: run.stream = stdin; break;
    case kFmtWarn:
      run.code = PopLong();
      snprintf(text, sizeof text, "Warning W%04ld: ", run.code);
      run.message = text;
      break;
    case kFmtFatal: run.code = PopLong(); break;
    case kFmtFprintf:
    case kFmtFscanf: {
      const char* name = FnName(run.function);
      char* p = PopPointer();
      if (p == nullptr) {
        snprintf(text, sizeof text, "NULL stream in Morvane %s call.", name);
        FatalError(22, text);
      }
      run.stream = CheckedStream(p, name);
      break;
    }
    case kFmtSprintf:
    case kFmtSscanf: {
      const char* name = FnName(run.function);
      char* p = PopPointer();
      if (p == nullptr) {
        snprintf(text, sizeof text, "NULL string in Morvane %s call.", name);
        FatalError(22, text);
      }
      if (run.kind == kFmtSprintf)
        run.destination = WritableRoom(p, &run.room, name);
      else
        run.source = CheckedText(p, name);
      break;
    }
    default: break;
  }
}

int OutputF(int kind, const char* format, const MVWord* values, const int* tags, int nValues, int position) {
  FormatRun run;
  run.kind = kind;
  run.function = kFormatFunction[kind];
  if (format == nullptr) {
    char text[96];
    snprintf(text, sizeof text, "NULL format string in Morvane %s function call.", FnName(run.function));
    FatalError(22, text);
  }
  TakeTarget(run);
  format = CheckedText(format, FnName(run.function));
  WalkFormat(run, format, values, tags, nValues);
  if (kind == kFmtSprintf) run.destination[run.written] = 0;
  if (kind == kFmtWarn) NewMess(run.message.c_str(), thisLine, position);
  if (kind == kFmtFatal) UserFatal(run.code, run.message.c_str());
  return run.count;
}

bool HasTarget(int kind) {
  return kind == kFmtWarn || kind == kFmtFatal || kind == kFmtFprintf || kind == kFmtFscanf ||
         kind == kFmtSprintf || kind == kFmtSscanf;
}

// ---- Files ----------------------------------------------------------------------------------

bool WritesFile(const char* mode) {
  return strchr(mode, 'w') != nullptr || strchr(mode, 'a') != nullptr || strchr(mode, '+') != nullptr;
}

bool IsSourceExtension(const char* extension) {
  static const char* const kSource[] = {".c", ".cp", ".cpp", ".h", ".hpp"};
  for (const char* e : kSource)
    if (strequiv(extension, e)) return true;
  return false;
}

void Fopen(int, int, int) {
  const char* mode = CheckedText(PopPointer(), "fopen");
  const char* name = CheckedText(PopPointer(), "fopen");
  if (name == nullptr || mode == nullptr) {
    PushPointer(nullptr);
    return;
  }
  const char* dot = strrchr(name, '.');
  if (dot != nullptr && WritesFile(mode) && IsSourceExtension(dot)) {
    const std::string text = std::string("Morvane will not write to any file with extension ") + dot;
    FatalError(60, text.c_str());
  }
  // A file written may be a header read later.
  if (WritesFile(mode)) ForgetHeaderFiles();
  FILE* stream = fopen(name, mode);
  if (stream != nullptr) {
    RegisterRegion(stream, 1, kRegionStream);
    openStreams.push_back(stream);
  }
  PushPointer(reinterpret_cast<const char*>(stream));
}

void Fclose(int, int, int) {
  char* p = PopPointer();
  if (p == nullptr) {
    PushLong(0);
    return;
  }
  FILE* stream = CheckedStream(p, "fclose");
  UnregisterRegion(stream);
  std::erase(openStreams, stream);
  PushLong(fclose(stream));
}

// ---- Options ----------------------------------------------------------------------------------

// A copy of an option's text that stays readable while the rule runs; a
// changed text unregisters the old copy, so a pointer to it is refused.
const char* Keep(int letter, const char* text) {
  if (text == nullptr || *text == 0) return HandOut(kEmptyText);
  std::unique_ptr<char[]>& slot = optionTexts[letter];
  if (slot == nullptr || strcmp(slot.get(), text) != 0) {
    // The new copy is made while the old one is still held.
    const size_t n = strlen(text) + 1;
    auto copy = std::make_unique<char[]>(n);
    memcpy(copy.get(), text, n);
    if (slot != nullptr) UnregisterRegion(slot.get());
    slot = std::move(copy);
  }
  return HandOut(slot.get());
}

// Appends the directories of list, each after one blank; false once one does not fit.
bool JoinPaths(const StrCell* list, size_t* used) {
  for (const StrCell* p = list; p != nullptr; p = p->next) {
    const size_t n = strlen(p->name);
    const size_t blank = *used > 0 ? 1 : 0;
    if (*used + blank + n + 1 > sizeof headerPathNames) return false;
    if (blank != 0) headerPathNames[(*used)++] = ' ';
    memcpy(headerPathNames + *used, p->name, n);
    *used += n;
    headerPathNames[*used] = 0;
  }
  return true;
}

const char* HeaderPathText() {
  UnregisterRegion(headerPathNames);
  size_t used = 0;
  headerPathNames[0] = 0;
  if (JoinPaths(newHeaderList, &used)) JoinPaths(headerList, &used);
  RegisterRegion(headerPathNames, used + 1, kRegionText);
  return headerPathNames;
}

void AdviseFn(int, int, int) { DisableAdvise = PopLong(); }

void ExitFn(int, int, int) {
  const int32_t n = PopLong();
  fflush(stdout);
  CleanExit(n);
}

// The function whose body is being read, or whose body ended last in the
// module; null before the first.
void FcnNameFn(int, int, int) {
  PushPointer(currFcnDef != nullptr ? HandOut(currFcnDef->name.c_str()) : nullptr);
}

void OptionFn(int, int, int) {
  const int32_t letter = PopLong();
  if (letter < 0 || letter > 255) {
    Advise(2, "Argument to option() is out-of-range.");
    PushLong(0);
    return;
  }
  PushLong(option[FoldUpper(letter)]);
}

void SetOptionFn(int, int, int) {
  const int32_t value = PopLong();
  const int32_t letter = PopLong();
  SetOption(letter, value);
}

void SetStrOptionFn(int, int, int) {
  const char* text = CheckedText(PopPointer(), "set_str_option");
  const int32_t letter = PopLong();
  if (letter < 0 || letter > 255) {
    char why[96];
    snprintf(why, sizeof why, "Invalid first argument in call to set_str_option( %ld )", static_cast<long>(letter));
    Advise(38, why);
    return;
  }
  SetStrOption(letter, text);
}

void StrOptionFn(int, int, int) { PushPointer(StrOption(PopLong())); }

void FormatFn(int function, int argc, int position) {
  for (int kind = 0; kind <= kFmtSscanf; ++kind)
    if (kFormatFunction[kind] == function) DoFormat(kind, position, argc);
}

// ---- The dispatch table ---------------------------------------------------------------------

std::array<Builtin, kBuiltinCount>& Builtins() {
  static std::array<Builtin, kBuiltinCount> table = [] {
    std::array<Builtin, kBuiltinCount> t{};
    t[kFnAdvise] = {AdviseFn, 1};
    t[kFnExit] = {ExitFn, 1};
    t[kFnFclose] = {Fclose, 1};
    t[kFnFopen] = {Fopen, 2};
    t[kFnFcnName] = {FcnNameFn, 0};
    t[kFnOption] = {OptionFn, 1};
    t[kFnSetOption] = {SetOptionFn, 2};
    t[kFnSetStrOption] = {SetStrOptionFn, 2};
    t[kFnStrOption] = {StrOptionFn, 1};
    for (int function : kFormatFunction) t[function] = {FormatFn, -1};
    return t;
  }();
  return table;
}

}  // namespace

void RegisterBuiltin(int function, BuiltinHandler run, int arity) {
  MV_ASSERT(function >= 0 && function < kBuiltinCount, kPhaseInit);
  Builtins()[function] = Builtin{run, arity};
}

bool BuiltinRegistered(int function) {
  return function >= 0 && function < kBuiltinCount && Builtins()[function].run != nullptr;
}

void InitBuiltins() {
  // op_function outside lexical rules names the current declarator.
  declaratorNameHook = [] { return dclName.c_str(); };
  for (FILE* stream : openStreams) {
    UnregisterRegion(stream);
    fclose(stream);
  }
  openStreams.clear();
  for (std::unique_ptr<char[]>& s : optionTexts) {
    if (s != nullptr) UnregisterRegion(s.get());
    s.reset();
  }
  UnregisterRegion(headerPathNames);
  headerPathNames[0] = 0;
  InitStats();
  RegisterStatBuiltins();
  RegisterStringBuiltins();
  RegisterAnalysisStubs();
}

void CallBuiltin(int function, int argc, int position) {
  if (function < 0 || function >= kBuiltinCount) {
    fflush(stdout);
    fprintf(out, "\nUnimplemented Morvane function: %d\n", function);
    CleanExit(1);
  }
  const Builtin& b = Builtins()[function];
  if (b.run == nullptr) Panic(48);
  if (b.arity >= 0 && argc != b.arity) BadCount(argc, function);
  b.run(function, argc, position);
}

int DoFormat(int kind, int position, int argc) {
  if (kind < kFmtPrintf || kind > kFmtSscanf) {
    fprintf(out, "\nInternal Morvane error: target is %d in DoFormat.\n", kind);
    CleanExit(1);
  }
  const int function = kFormatFunction[kind];
  const int count = HasTarget(kind) ? argc - 1 : argc;
  if (count < 1 || count > kFormatArgs) BadCount(count, function);
  MVWord values[kFormatArgs];
  int tags[kFormatArgs];
  const int nValues = count - 1;
  for (int i = nValues - 1; i >= 0; --i) PopGeneral(&values[i], &tags[i]);
  // A format held in a rule variable arrives as a reference: judge its value.
  MVWord format;
  int formatTag;
  PopGeneral(&format, &formatTag);
  if (formatTag != kTypePointer) {
    fprintf(out, "\nArgument not a pointer (type %ld) in Morvane ", static_cast<long>(formatTag));
    fprintf(out, "function %s\n", FnName(function));
    CleanExit(1);
  }
  const int n = OutputF(kind, reinterpret_cast<const char*>(format), values, tags, nValues, position);
  fflush(stdout);
  if (kind != kFmtWarn && kind != kFmtFatal) PushLong(n);
  return n;
}

const char* StrOption(int letter) {
  if (letter < 0 || letter > 255) {
    Advise(2, "Argument to str_option() is out-of-range.");
    return HandOut(kEmptyText);
  }
  letter = FoldUpper(letter);
  switch (letter) {
    case 'I': return HeaderPathText();
    case 'L': return Keep(letter, listFN);
    case 'Q': return Keep(letter, destPN);
    case 'R': return Keep(letter, ruleFN);
    case 'T': return Keep(letter, protoFN);
    case 'V':
    case 'W':
    case 'X':
    case 'Y': return Keep(letter, str_option[letter - 'V']);
    default: return HandOut(kEmptyText);
  }
}

}  // namespace mv
