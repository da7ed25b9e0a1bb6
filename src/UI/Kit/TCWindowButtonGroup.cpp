#include "UI/Kit/TCWindowButtonGroup.h"

#include <QHash>

namespace quellsy::ui {
namespace {

// Owned here; a group handed out stays valid until the registry is reset.
QHash<QString, std::shared_ptr<TCWindowButtonGroup>>& Registry() {
  static QHash<QString, std::shared_ptr<TCWindowButtonGroup>> registry;
  return registry;
}

}  // namespace

TCWindowButtonGroup* TCWindowButtonGroup::groupWithIdentifier(const QString& identifier) {
  return sharedGroupWithIdentifier(identifier).get();
}

std::shared_ptr<TCWindowButtonGroup> TCWindowButtonGroup::sharedGroupWithIdentifier(const QString& identifier) {
  const QString key = identifier.isEmpty() ? QString::fromLatin1(kTCWindowButtonGroupDefault) : identifier;
  auto& registry = Registry();
  auto found = registry.find(key);
  if (found == registry.end()) found = registry.insert(key, std::make_shared<TCWindowButtonGroup>(key));
  return *found;
}

void TCWindowButtonGroup::ResetRegistryForTests() { Registry().clear(); }

TCWindowButtonGroup::TCWindowButtonGroup(const QString& identifier) : identifier_(identifier) {}

void TCWindowButtonGroup::setNumberOfCaptures(qint64 count) {
  if (count == numberOfCaptures_ || count < 0) return;
  numberOfCaptures_ = count;
  emit didUpdateRolloverState();
}

}  // namespace quellsy::ui
