#include "engine/table/switches.h"

namespace xb {

EngineSwitches& Switches() {
  static EngineSwitches switches;
  return switches;
}

void ResetSwitches() { Switches() = EngineSwitches{}; }

}  // namespace xb
