// The deep-scan hint's content: the words "Deep Scan" set apart in the text, in whatever language; a text that
// does not hold them stays plain; the close button tells the delegate, when there is one.

#include <QLabel>
#include <QTest>
#include <gtest/gtest.h>

#include "UI/Kit/TCImageButton.h"
#include "UI/Kit/Texts.h"
#include "UI/Results/KDDeepScanViewController.h"

namespace quellsy::ui {
namespace {

struct HintCase {
  const char* language;
  const char* words;  // set apart, or null when the text lacks them
};

class DeepScanHintText : public ::testing::TestWithParam<HintCase> {
 protected:
  void TearDown() override { Texts::Instance().SetLanguage(QStringLiteral("en")); }
};

TEST_P(DeepScanHintText, TheWordsOfTheDeepScanAreSetApartWhenTheTextHoldsThem) {
  Texts::Instance().SetLanguage(QString::fromLatin1(GetParam().language), QStringLiteral(QUELLSY_TEST_CATALOGUES));
  KDDeepScanViewController hint;
  const QLabel* label = hint.deepScanNodeLabel();
  EXPECT_EQ(label->accessibleName(), Text("RVT_FOUR_DEEPSCAN_NODE"));
  if (!GetParam().words) {
    EXPECT_EQ(label->text(), Text("RVT_FOUR_DEEPSCAN_NODE")) << "the plain text stays";
    EXPECT_FALSE(label->text().contains(QStringLiteral("<span")));
    return;
  }
  const QString words = QString::fromUtf8(GetParam().words);
  const QString set = QStringLiteral("font-size:14px; color:#3582f8\">") + words.toHtmlEscaped() +
                      QStringLiteral("</span>");
  EXPECT_TRUE(label->text().contains(set)) << label->text().toStdString();
  EXPECT_EQ(label->text().count(QStringLiteral("<span")), 1);
}

INSTANTIATE_TEST_SUITE_P(Languages, DeepScanHintText,
                         ::testing::Values(HintCase{"en", "Deep Scan"}, HintCase{"fr", "Analyse approfondie"},
                                           HintCase{"it", nullptr}));

class CountingDelegate final : public KDDeepScanViewControllerDelegate {
 public:
  void popupViewHidden() override { ++calls; }
  int calls = 0;
};

TEST(DeepScanHint, TheCloseButtonTellsTheDelegateWhenThereIsOne) {
  KDDeepScanViewController hint;
  hint.show();
  QTest::mouseClick(hint.closeButton(), Qt::LeftButton);  // no delegate: nothing happens
  CountingDelegate delegate;
  hint.setDelegate(&delegate);
  QTest::mouseClick(hint.closeButton(), Qt::LeftButton);
  EXPECT_EQ(delegate.calls, 1);
}

}  // namespace
}  // namespace quellsy::ui
