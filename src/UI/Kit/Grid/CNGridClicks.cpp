#include "UI/Kit/Grid/CNGridClicks.h"

#include <algorithm>
#include <cstddef>

namespace quellsy::ui {
namespace {

void ClassifyGroup(const std::int64_t* at, std::size_t size, std::vector<CNGridClick>& out) {
  if (size == 1) {
    out.push_back({at[0], false});
  } else if (size == 2) {
    if (at[0] == at[1]) {
      out.push_back({at[0], true});
    } else {
      out.push_back({at[0], false});
      out.push_back({at[1], false});
    }
  } else if (at[0] == at[1] && at[1] == at[2]) {
    out.push_back({at[0], true});
  } else if (at[0] == at[1]) {
    out.push_back({at[0], true});
    out.push_back({at[2], false});
  } else if (at[1] == at[2]) {
    out.push_back({at[0], false});
    out.push_back({at[2], true});
  } else {
    for (std::size_t i = 0; i < 3; ++i) out.push_back({at[i], false});
  }
}

}  // namespace

std::vector<CNGridClick> ClassifyGridClicks(const std::vector<std::int64_t>& indexes) {
  std::vector<CNGridClick> clicks;
  for (std::size_t from = 0; from < indexes.size(); from += 3)
    ClassifyGroup(indexes.data() + from, std::min<std::size_t>(3, indexes.size() - from), clicks);
  return clicks;
}

}  // namespace quellsy::ui
