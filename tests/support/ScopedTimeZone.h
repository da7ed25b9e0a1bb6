#pragma once
// Sets TZ for a scope and restores it: tests of local-time conversions pin the zone.

#include <cstdlib>
#include <ctime>
#include <string>

namespace quellsy::test {

class ScopedTimeZone {
 public:
  explicit ScopedTimeZone(const char* zone) {
    if (const char* old = std::getenv("TZ")) {
      m_old = old;
      m_had = true;
    }
    setenv("TZ", zone, 1);
    tzset();
  }
  ~ScopedTimeZone() {
    if (m_had)
      setenv("TZ", m_old.c_str(), 1);
    else
      unsetenv("TZ");
    tzset();
  }
  ScopedTimeZone(const ScopedTimeZone&) = delete;
  ScopedTimeZone& operator=(const ScopedTimeZone&) = delete;

 private:
  std::string m_old;
  bool m_had = false;
};

}  // namespace quellsy::test
