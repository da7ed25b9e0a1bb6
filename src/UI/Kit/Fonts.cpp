#include "UI/Kit/Fonts.h"

#include <QStringList>
#include <array>

namespace quellsy::ui {
namespace {

struct Face {
  const char* name;
  const char* family;
  QFont::Weight weight;
};

constexpr std::array<Face, 9> kFaces{{
    {"Helvetica Neue Light", "Open Sans", QFont::Light},
    {"Helvetica Neue Thin", "Open Sans", QFont::Light},
    {"Helvetica Light", "Open Sans", QFont::Light},
    {"HelveticaNeue-Light", "Open Sans", QFont::Light},
    {"Helvetica Neue", "Nimbus Sans", QFont::Normal},
    {"Helvetica", "Nimbus Sans", QFont::Normal},
    {"Helvetica-Bold", "Nimbus Sans", QFont::Bold},
    {"Helvetica Bold", "Nimbus Sans", QFont::Bold},
    {"System", "Nimbus Sans", QFont::Normal},
}};

QFont Make(const char* family, QFont::Weight weight, qreal size) {
  QFont font;
  font.setFamilies({QString::fromLatin1(family), QStringLiteral("DejaVu Sans")});
  font.setWeight(weight);
  font.setPixelSize(qMax(1, qRound(size)));
  font.setHintingPreference(QFont::PreferNoHinting);
  return font;
}

}  // namespace

QFont NamedFont(const QString& face, qreal size) {
  for (const Face& known : kFaces)
    if (face == QLatin1String(known.name)) return Make(known.family, known.weight, size);
  QFont font;
  font.setPixelSize(qMax(1, qRound(size)));
  return font;
}

QFont SystemFont(qreal size) { return NamedFont(QStringLiteral("System"), size); }

QFont BoldSystemFont(qreal size) { return NamedFont(QStringLiteral("Helvetica-Bold"), size); }

}  // namespace quellsy::ui
