#include "support/proto.h"

#include <cstdio>
#include <string>

#include "driver/options.h"
#include "driver/paths.h"
#include "driver/run.h"
#include "support/utility.h"

namespace mv {

void OpenProtoFile() {
  // GetDestDir shortens its argument in place, so it works on a plain copy.
  std::string buffer = protoFN != nullptr ? protoFN : "";
  char* name = buffer.data();
  // The directory in the -T name comes first, then the output directory.
  char* dir = GetDestDir(name);
  const char* where = dir != nullptr ? dir : destPN;
  if (showProgress) {
    fprintf(stderr, "# Opening a file for prototypes: %s", name);
    if (where != nullptr)
      fprintf(stderr, " in %s\n", where);
    else
      fprintf(stderr, "\n");
  }
  proFile = OpenFile(where, name, "w", true);
  FreeXString(dir);
}

}  // namespace mv
