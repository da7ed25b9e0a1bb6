#include "Bridge/NodeLock.h"

namespace quellsy::bridge {

std::mutex& NodeLock() {
  static std::mutex lock;
  return lock;
}

}  // namespace quellsy::bridge
