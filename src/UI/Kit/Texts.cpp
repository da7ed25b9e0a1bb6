#include "UI/Kit/Texts.h"

#include <QTranslator>

namespace quellsy::ui {
namespace {

constexpr const char* kResourceFolder = ":/i18n";
constexpr const char* kEnglish = "en";

std::unique_ptr<QTranslator> LoadCatalogue(const QString& language, const QString& folder) {
  auto catalogue = std::make_unique<QTranslator>();
  if (!catalogue->load(QStringLiteral("quellsy_") + language, folder)) return nullptr;
  return catalogue;
}

// "pt-BR" -> "pt_BR", then "pt": the catalogues are named with underscores.
std::unique_ptr<QTranslator> LoadLanguage(const QString& language, const QString& folder) {
  QString name = language;
  name.replace(QLatin1Char('-'), QLatin1Char('_'));
  if (auto catalogue = LoadCatalogue(name, folder)) return catalogue;
  const qsizetype cut = name.indexOf(QLatin1Char('_'));
  return cut > 0 ? LoadCatalogue(name.left(cut), folder) : nullptr;
}

QString Lookup(const QTranslator* catalogue, const QByteArray& key) {
  // Id-based catalogues keep each text under an empty context with the id as its source.
  return catalogue ? catalogue->translate("", key.constData()) : QString();
}

}  // namespace

struct Texts::Catalogues {
  QString language = kEnglish;
  std::unique_ptr<QTranslator> english;
  std::unique_ptr<QTranslator> chosen;
};

Texts& Texts::Instance() {
  static Texts texts;
  return texts;
}

Texts::Texts() {
  auto catalogues = std::make_shared<Catalogues>();
  catalogues->english = LoadCatalogue(kEnglish, kResourceFolder);
  catalogues_ = std::move(catalogues);
}

Texts::~Texts() = default;

bool Texts::SetLanguage(const QString& language, const QString& folder) {
  const QString from = folder.isEmpty() ? QString(kResourceFolder) : folder;
  auto catalogues = std::make_shared<Catalogues>();
  catalogues->english = LoadCatalogue(kEnglish, kResourceFolder);
  catalogues->language = language;
  const bool english = language.isEmpty() || language == kEnglish || language.startsWith("en-");
  if (!english) catalogues->chosen = LoadLanguage(language, from);
  const bool found = english ? catalogues->english != nullptr : catalogues->chosen != nullptr;
  // Texts already handed out keep their catalogues alive until they are done with them.
  const std::lock_guard<std::mutex> hold(lock_);
  catalogues_ = std::move(catalogues);
  return found;
}

QString Texts::Language() const {
  const std::lock_guard<std::mutex> hold(lock_);
  return catalogues_->language;
}

QString Texts::Text(std::string_view key) const {
  std::shared_ptr<const Catalogues> catalogues;
  {
    const std::lock_guard<std::mutex> hold(lock_);
    catalogues = catalogues_;
  }
  const QByteArray id(key.data(), static_cast<qsizetype>(key.size()));
  QString text = Lookup(catalogues->chosen.get(), id);
  if (text.isEmpty()) text = Lookup(catalogues->english.get(), id);
  return text;
}

std::string Texts::Translate(std::string_view key, std::string_view fallback) const {
  const QString text = Text(key);
  return text.isEmpty() ? std::string(fallback) : text.toStdString();
}

QString Text(std::string_view key) { return Texts::Instance().Text(key); }

}  // namespace quellsy::ui
