#include "transfer_rules.h"

namespace updater {

// 1 KiB/s over any 30 s: as long as the read timeout, so a server that goes quiet ends
// the same way whichever notices first.
RateRule TransferRateRule() {
  return {30'000, 30 * 1024};
}

}  // namespace updater
