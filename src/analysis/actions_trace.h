// The action trace: while actionTrace is set, each action appends its call,
// so that the order in which the grammar reduces can be checked.
#pragma once

namespace mv {

void Record(const char* name);
void Record(const char* name, long a);
void Record(const char* name, long a, long b);

}  // namespace mv
