#include "feed_publish.h"

namespace mksetup {

void OnFeedWritten(const char*) {}

}  // namespace mksetup
