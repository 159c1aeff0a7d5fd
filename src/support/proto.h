// The prototype file written with -T.
#pragma once

namespace mv {

void OpenProtoFile();

}  // namespace mv
