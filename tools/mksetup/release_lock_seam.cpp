#include "release_lock.h"

namespace mksetup {

void OnReleaseProgramPrepared(const char*) {}

}  // namespace mksetup
