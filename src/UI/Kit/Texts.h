#pragma once
// The program's texts by key ("RVT_FOUR_FILESFOUND", "MENU_EXIT", "WINDOW_TOP_TITLE", ...): Qt's id-based
// translation catalogues, one per language, built by lrelease from translations/quellsy_<language>.ts into the
// program's resources. English is complete; a key another language lacks reads in English, and a key no
// catalogue has reads as "" (the texts are looked up with an empty default). Also the bridge's translator.

#include <QString>
#include <memory>
#include <mutex>
#include <string_view>

#include "Bridge/ITranslator.h"

class QTranslator;

namespace quellsy::ui {

class Texts final : public bridge::ITranslator {
 public:
  // The process-wide texts, English until SetLanguage.
  static Texts& Instance();

  Texts();
  ~Texts() override;

  // Reads the catalogue of language ("de", "pt-BR", "zh-Hans"; "pt-BR" falls back to "pt") from folder (default:
  // the program's resources); English, always from the resources, stands behind it. False when language has no
  // catalogue; its texts are then the English ones.
  bool SetLanguage(const QString& language, const QString& folder = QString());
  QString Language() const;
  QString Text(std::string_view key) const;
  // The text's form for count things, by the catalogue's language rules ("%d file" or "%d files"); the count
  // itself is filled in by the caller's format. A text with a single form reads the same for every count.
  QString Text(std::string_view key, long long count) const;

  std::string Translate(std::string_view key, std::string_view fallback) const override;

 private:
  struct Catalogues;
  // The chosen language's form for count (-1: none), else English's.
  QString Find(std::string_view key, int count) const;
  mutable std::mutex lock_;
  std::shared_ptr<const Catalogues> catalogues_;
};

// Texts::Instance().Text(key).
QString Text(std::string_view key);
// Texts::Instance().Text(key, count).
QString Text(std::string_view key, long long count);

}  // namespace quellsy::ui
