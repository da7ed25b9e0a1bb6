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

// count -1: no count (the first form).
QString Lookup(const QTranslator* catalogue, const QByteArray& key, int count) {
  // Id-based catalogues keep each text under an empty context with the id as its source.
  return catalogue ? catalogue->translate("", key.constData(), nullptr, count) : QString();
}

// The catalogues choose forms from an int. A larger count keeps its last six digits above a million: the same
// form in every language's rules, which look at a count's last digits and whether it is small.
int FormCount(long long count) {
  if (count < 0) return 0;
  return count <= 1000000000 ? static_cast<int>(count) : static_cast<int>(1000000 + count % 1000000);
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

QString Texts::Text(std::string_view key) const { return Find(key, -1); }

QString Texts::Text(std::string_view key, long long count) const { return Find(key, FormCount(count)); }

QString Texts::Find(std::string_view key, int count) const {
  std::shared_ptr<const Catalogues> catalogues;
  {
    const std::lock_guard<std::mutex> hold(lock_);
    catalogues = catalogues_;
  }
  const QByteArray id(key.data(), static_cast<qsizetype>(key.size()));
  for (const QTranslator* catalogue : {catalogues->chosen.get(), catalogues->english.get()}) {
    QString text = Lookup(catalogue, id, count);
    // A text with a single form has none for most counts: it reads the same for all.
    if (text.isEmpty() && count >= 0) text = Lookup(catalogue, id, -1);
    if (!text.isEmpty()) return text;
  }
  return QString();
}

std::string Texts::Translate(std::string_view key, std::string_view fallback) const {
  const QString text = Text(key);
  return text.isEmpty() ? std::string(fallback) : text.toStdString();
}

QString Text(std::string_view key) { return Texts::Instance().Text(key); }

QString Text(std::string_view key, long long count) { return Texts::Instance().Text(key, count); }

}  // namespace quellsy::ui
