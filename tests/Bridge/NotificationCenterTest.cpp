// The windows' notification centre: synchronous delivery by name, removal by owner, and observers that add,
// remove or post from inside a handler.

#include "Bridge/NotificationCenter.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace quellsy::test {
namespace {

using bridge::Notification;
using bridge::NotificationCenter;

TEST(NotificationCenter, DeliversByNameInOrderOfAddition) {
  NotificationCenter centre;
  std::vector<std::string> calls;
  int ownerA = 0, ownerB = 0;
  centre.AddObserver(&ownerA, "NormalScranValue", [&](const Notification& n) { calls.push_back("A:" + n.name); });
  centre.AddObserver(&ownerB, "", [&](const Notification& n) { calls.push_back("B:" + n.name); });
  centre.AddObserver(&ownerB, "DoSearchValue", [&](const Notification& n) { calls.push_back("C:" + n.name); });

  centre.Post({"NormalScranValue", {}, {}});
  centre.Post({"RefreshDetachDevice", {{"USBPath", "sdb"}}, {}});
  EXPECT_EQ(calls, (std::vector<std::string>{"A:NormalScranValue", "B:NormalScranValue", "B:RefreshDetachDevice"}));
}

TEST(NotificationCenter, PayloadReachesTheObserver) {
  NotificationCenter centre;
  Notification seen;
  int owner = 0;
  centre.AddObserver(&owner, "RefreshDetachDevice", [&](const Notification& n) { seen = n; });
  const Notification sent{"RefreshDetachDevice", {{"USBPath", "sdb"}}, {}};
  centre.Post(sent);
  EXPECT_EQ(seen, sent);
}

TEST(NotificationCenter, RemovesByOwnerAndByOwnerAndName) {
  NotificationCenter centre;
  int ownerA = 0, ownerB = 0, calls = 0;
  centre.AddObserver(&ownerA, "x", [&](const Notification&) { ++calls; });
  centre.AddObserver(&ownerA, "y", [&](const Notification&) { ++calls; });
  centre.AddObserver(&ownerB, "x", [&](const Notification&) { calls += 100; });

  centre.RemoveObserver(&ownerA, "x");
  centre.Post({"x", {}, {}});
  EXPECT_EQ(calls, 100);
  EXPECT_EQ(centre.ObserverCount(), 2u);

  centre.RemoveObserver(&ownerB);
  centre.RemoveObserver(&calls);  // an owner with no observers changes nothing
  centre.Post({"x", {}, {}});
  centre.Post({"y", {}, {}});
  EXPECT_EQ(calls, 101);
  EXPECT_EQ(centre.ObserverCount(), 1u);
}

TEST(NotificationCenter, HandlersMayRemoveAddAndPost) {
  NotificationCenter centre;
  std::vector<std::string> calls;
  int self = 0, later = 0, added = 0;
  centre.AddObserver(&self, "go", [&](const Notification&) {
    calls.push_back("self");
    centre.RemoveObserver(&self);   // itself
    centre.RemoveObserver(&later);  // one still due in this post
    centre.AddObserver(&added, "go", [&](const Notification&) { calls.push_back("added"); });
    centre.Post({"inner", {}, {}});
  });
  centre.AddObserver(&later, "go", [&](const Notification&) { calls.push_back("later"); });
  centre.AddObserver(&later, "inner", [&](const Notification&) { calls.push_back("inner"); });

  centre.Post({"go", {}, {}});
  EXPECT_EQ(calls, (std::vector<std::string>{"self"}));  // the inner post ran after "later" was removed
  centre.Post({"go", {}, {}});
  EXPECT_EQ(calls, (std::vector<std::string>{"self", "added"}));
}

}  // namespace
}  // namespace quellsy::test
