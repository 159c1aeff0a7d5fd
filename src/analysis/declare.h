// Declarator, type and modifier records made by the declaration actions.
#pragma once

#include <cstdint>
#include <string>

namespace mv {

struct Tag;
struct Proto;

// One declarator level, from the name outwards.
struct Modifier {
  Modifier* next = nullptr;
  int32_t kind = 0;        // kModFunction, kModReference, kModPointer, kModArray
  uint16_t flags = 0;      // 1 const, 2 volatile, 4 pascal, 8 cdecl ... (kModConst ...)
  int32_t dimension = 0;   // arrays: the constant, 0 for [], -1 when not constant
  Proto* prototype = nullptr;  // functions: the parameter list
};
enum : int32_t { kModFunction = 1, kModReference = 2, kModPointer = 3, kModArray = 4 };
enum : uint16_t { kModConst = 1, kModVolatile = 2 };

// One specifier sequence.
struct Type {
  Type* next = nullptr;
  Type* expanded = nullptr;
  uint16_t qualifiers = 0;   // 1 const, 2 volatile, 4 pascal, 8 short, 16 long, 32 signed, 64 unsigned, ...
  uint16_t pendingFlags = 0;
  Modifier* levels = nullptr;
  std::string name;          // typedef, tag or template parameter name of the base
  void* target = nullptr;    // the typedef's Type, or the Tag (kindWord bit 31)
  uint32_t kindWord = 0;     // bits 20-25 base code, 26-29 storage class, 19 bit-field, 30 unique, 31 tag target

  int Base() const { return static_cast<int>((kindWord >> 20) & 0x3f); }
  int Storage() const { return static_cast<int>((kindWord >> 26) & 0xf); }
  void SetBase(int base) { kindWord = (kindWord & ~(0x3fu << 20)) | (static_cast<uint32_t>(base & 0x3f) << 20); }
  void SetStorage(int s) { kindWord = (kindWord & ~(0xfu << 26)) | (static_cast<uint32_t>(s & 0xf) << 26); }
  bool TargetIsTag() const { return (kindWord & 0x80000000u) != 0; }
};

// Base type codes.
enum : int {
  kBaseNone = 0, kBaseVoid = 1, kBaseBool = 2, kBaseChar = 3, kBaseShort = 4, kBaseWchar = 5,
  kBaseInt = 6, kBaseLong = 7, kBaseLongLong = 8, kBaseUChar = 10, kBaseUShort = 11,
  kBaseUInt = 12, kBaseULong = 13, kBaseFloat = 15, kBaseShortDouble = 16, kBaseDouble = 17,
  kBaseLongDouble = 18, kBaseEnum = 24, kBaseUnion = 25, kBaseStruct = 26, kBaseClass = 27,
  kBaseTypedef = 28, kBaseConstructor = 30, kBaseDestructor = 31, kBaseTemplateParm = 32,
  kBaseEllipsis = 33,
};

// Storage class codes.
enum : int {
  kStorNone = 0, kStorExtern = 1, kStorStatic = 2, kStorAuto = 3, kStorRegister = 4,
  kStorTypedef = 5, kStorMutable = 6, kStorGlobaldef = 7, kStorStatistic = 8,
};

// Declarator flags.
enum : uint32_t {
  kDclLogged = 1u << 16, kDclSet = 1u << 17, kDclUsed = 1u << 18, kDclHasInit = 1u << 19,
  kDclParameter = 1u << 20, kDclDefined = 1u << 21, kDclOperator = 1u << 22,
  kDclFunction = 1u << 23, kDclPredeclared = 1u << 24, kDclGlobal = 1u << 25,
  kDclLocal = 1u << 26,
};

struct Declarator {
  Declarator* next = nullptr;
  Type* type = nullptr;
  std::string name;
  Tag* owner = nullptr;
  void* exceptions = nullptr;
  int32_t value = 0;
  int32_t line = 0;
  uint16_t file = 0;
  uint32_t flags = 0;

  bool Is(uint32_t flag) const { return (flags & flag) != 0; }
};

// A function level's parameter list.
struct Proto {
  Declarator* parms = nullptr;
  int count = 0;
  int kind = 0;      // 0 empty, 1 (void), 2 old-style identifiers, 3 prototype
  int fcnFlags = 0;
};

// The number of levels of a type.
int LevelCount(const Type* type);

}  // namespace mv
