// The rule language's text and character built-ins: character classes, the
// string library, number conversion, exec, time_stamp and err_message.
#pragma once

namespace mv {

// Function numbers of these built-ins.
enum : int {
  kFnAllDigit = 1, kFnAllLower = 2, kFnAllUpper = 3, kFnAtoi = 4, kFnAtof = 5, kFnErrMessage = 17,
  kFnExec = 19, kFnIsalpha = 47, kFnIsdigit = 48, kFnIslower = 49, kFnIsupper = 50, kFnStrcat = 106,
  kFnStrchr = 107, kFnStrcmp = 108, kFnStrcpy = 109, kFnStrcspn = 110, kFnStrequiv = 111,
  kFnStrlen = 112, kFnStrncat = 113, kFnStrncmp = 114, kFnStrncpy = 115, kFnStrpbrk = 116,
  kFnStrrchr = 118, kFnStrspn = 119, kFnStrstr = 120, kFnTimeStamp = 128, kFnTolower = 130,
  kFnToupper = 131, kFnRoot = 94,
};

inline constexpr int kExecBuffer = 2048;  // bytes of the command exec builds, with its end
inline constexpr int kRootBuffer = 2048;  // bytes of the text root() gives, with its end

// Registers these built-ins and forgets the declared name of prefix().
void RegisterStringBuiltins();

// prefix(), suffix() and root() take a declared name apart. A completed
// declarator hands its name here: the prefix cursor goes to its start and the
// matched suffix length to 0. Null forgets the name.
void BeginNameAffixes(const char* name);

// The local date as "Dec 05 2026" ("<date>" when the clock fails) and time as
// "05:10:09" ("<time>"); each in its own static text, rewritten by the next call.
const char* Today();
const char* RightNow();

}  // namespace mv
