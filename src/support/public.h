// Fixed limits shared by every subsystem. Each one is checked where data
// enters; overrunning a limit is a defined error, never memory corruption.
#pragma once

#include <cstdint>

namespace mv {

// Program identity, shown in the banner and in internal-error reports.
inline constexpr const char* kProgramName = "Morvane";
inline constexpr const char* kVersionText = "10.04";
inline constexpr int kBuildNumber = 5;
inline constexpr int kCodeVersion = 1004;   // compiled rule file version word
inline constexpr int kCodeFormat = 5;       // compiled rule file format word

inline constexpr int kMaxLineLength = 8191;    // characters per source line
inline constexpr int kMaxTokenLength = 5000;   // characters per token text
inline constexpr int kPathLength = 512;        // characters per path or directory
inline constexpr int kMaxOptionText = 512;     // characters of an option's text
inline constexpr int kProjectEntry = 512;      // characters of one project-file entry
inline constexpr int kNameBuffer = 257;        // module, source, rule and code names
inline constexpr int kProjectNameBuffer = 513; // project name
inline constexpr int kMaxFiles = 4000;         // slots of the file-name table
inline constexpr int kMaxPaths = 128;          // slots of the directory table
inline constexpr int kHashChains = 127;        // chains of every hash table
inline constexpr int kOperandStack = 16;       // interpreter operand stack
inline constexpr int kMaxCodeUnits = 65535;    // pseudocode units per compile
inline constexpr int kMaxStatCases = 100000;   // cases per statistic
inline constexpr int kMessageBuffer = 2048;    // characters of one message text
inline constexpr int kLexBuffer = 5001;        // bytes of a lexer value buffer
inline constexpr int kParserStack = 250;       // entries of the parser value stack
inline constexpr int kMaxMessageColumn = 8192; // message columns are capped here

}  // namespace mv
