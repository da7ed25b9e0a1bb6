#include "Bridge/EnglishTranslator.h"

#include <array>
#include <utility>

namespace quellsy::bridge {
namespace {

constexpr std::array<std::pair<std::string_view, std::string_view>, 10> kTexts{{
    {"RVT_TWO_DOCUMENT_TITLE", "Documents"},
    {"RVT_TWO_PICTURE_TITLE", "Pictures"},
    {"RVT_TWO_MOVIE_TITLE", "Movies"},
    {"RVT_TWO_MUSIC_TITLE", "Music"},
    {"RVT_TWO_ARCHIVES_TITLE", "Archives"},
    {"RVT_TWO_EMAIL_TITLE", "E-mail"},
    {"RVT_TWO_OTHER_TITLE", "Other"},
    {"DEVICE_NAME_UNTITILED", "Untitled"},
    {"CREATE_TIME_ROOT_NAME", "Creation date"},
    {"MODIFY_TIME_ROOT_NAME", "Modification date"},
}};

}  // namespace

std::string EnglishTranslator::Translate(std::string_view key, std::string_view fallback) const {
  for (const auto& [k, text] : kTexts)
    if (k == key) return std::string(text);
  return std::string(fallback);
}

}  // namespace quellsy::bridge
