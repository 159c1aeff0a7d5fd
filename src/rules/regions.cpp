#include "rules/regions.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <string>
#include <vector>

#include "support/mverror.h"

namespace mv {

namespace {

struct Region {
  size_t size;
  RegionKind kind;
};

std::map<uintptr_t, Region>* regions;
std::vector<uintptr_t>* ruleRegions;  // dropped when the outermost rule returns

// The region that contains p, with its base.
std::map<uintptr_t, Region>::iterator Find(const void* p) {
  const auto a = reinterpret_cast<uintptr_t>(p);
  auto it = regions->upper_bound(a);
  if (it == regions->begin()) return regions->end();
  --it;
  if (a - it->first < it->second.size) return it;
  return regions->end();
}

[[noreturn]] void Refuse(const char* text) { FatalError(0, text); }

}  // namespace

int ruleRegionCount;

void InitRegions() {
  if (regions == nullptr) regions = new std::map<uintptr_t, Region>;
  if (ruleRegions == nullptr) ruleRegions = new std::vector<uintptr_t>;
  regions->clear();
  ruleRegions->clear();
  ruleRegionCount = 0;
}

void RegisterRegion(const void* base, size_t size, RegionKind kind) {
  if (base == nullptr || size == 0) return;
  (*regions)[reinterpret_cast<uintptr_t>(base)] = Region{size, kind};
  if (kind == kRegionScratch || kind == kRegionText) {
    ruleRegions->push_back(reinterpret_cast<uintptr_t>(base));
    ruleRegionCount = static_cast<int>(ruleRegions->size());
  }
}

void UnregisterRegion(const void* base) { regions->erase(reinterpret_cast<uintptr_t>(base)); }

void DropRuleRegions() {
  for (uintptr_t a : *ruleRegions) {
    auto it = regions->find(a);
    if (it != regions->end() && (it->second.kind == kRegionScratch || it->second.kind == kRegionText))
      regions->erase(it);
  }
  ruleRegions->clear();
  ruleRegionCount = 0;
}

bool RegionRoom(const void* p, RegionKind* kind, size_t* room) {
  auto it = Find(p);
  if (it == regions->end()) return false;
  if (kind != nullptr) *kind = it->second.kind;
  if (room != nullptr) *room = it->second.size - (reinterpret_cast<uintptr_t>(p) - it->first);
  return true;
}

char ReadChar(const char* base, long index) {
  if (base == nullptr) Refuse("Morvane cannot read through a null pointer.");
  const char* p = base + index;
  auto it = Find(base);
  auto at = Find(p);
  if (it == regions->end() || at != it || it->second.kind == kRegionStream)
    Refuse("Morvane cannot read from this address.");
  return *p;
}

void WriteChar(char* base, long index, char c) {
  if (base == nullptr) Refuse("Morvane cannot write to this address.");
  char* p = base + index;
  auto it = Find(base);
  if (it == regions->end() || Find(p) != it ||
      (it->second.kind != kRegionBuffer && it->second.kind != kRegionScratch))
    Refuse("Morvane cannot write to this address.");
  *p = c;
}

const char* CheckedText(const char* p, const char* what) {
  if (p == nullptr) return nullptr;
  auto it = Find(p);
  if (it == regions->end() || it->second.kind == kRegionStream) {
    std::string text = std::string("Morvane cannot read the text given to ") + what + ".";
    Refuse(text.c_str());
  }
  const size_t room = it->second.size - (reinterpret_cast<uintptr_t>(p) - it->first);
  if (memchr(p, 0, room) == nullptr) {
    std::string text = std::string("Unterminated text given to ") + what + ".";
    Refuse(text.c_str());
  }
  return p;
}

char* WritableRoom(char* p, size_t* room, const char* what) {
  auto it = Find(p);
  if (p == nullptr || it == regions->end() ||
      (it->second.kind != kRegionBuffer && it->second.kind != kRegionScratch)) {
    (void)what;
    Refuse("Morvane cannot write to this address.");
  }
  *room = it->second.size - (reinterpret_cast<uintptr_t>(p) - it->first);
  return p;
}

FILE* CheckedStream(const void* p, const char* what) {
  if (p == nullptr) return nullptr;
  auto it = Find(p);
  if (it == regions->end() || it->second.kind != kRegionStream || reinterpret_cast<uintptr_t>(p) != it->first) {
    std::string text = std::string("The stream given to ") + what + " is not open.";
    Refuse(text.c_str());
  }
  return static_cast<FILE*>(const_cast<void*>(p));
}

const char* HandOut(const char* text) {
  if (text == nullptr) return nullptr;
  // Text already known (a rule's own buffer or literal) needs no new region.
  if (Find(text) == regions->end()) RegisterRegion(text, strlen(text) + 1, kRegionText);
  return text;
}

}  // namespace mv
