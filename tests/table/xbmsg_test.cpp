// Status windows: sizing, border switching and the progress bar, drawn into
// a fake status view.
#include "engine/table/xbmsg.h"

#include <gtest/gtest.h>

#include <vector>

#include "engine/table/error_state.h"
#include "engine/table/switches.h"

namespace {

struct Placement {
  bool dialog_border;
  std::string caption;
  int width;
  int height;
};

// Measures 10 pixels per character and 20 per line (caption font 12 per
// character) and records what the window was told.
class FakeView : public platform::StatusView {
 public:
  explicit FakeView(std::vector<Placement>& placements, std::string& shown, int& pumps)
      : placements_(placements), shown_(shown) {}
  platform::TextSize Measure(const std::string& text, bool caption_font) override {
    return {static_cast<int>(text.size()) * (caption_font ? 12 : 10), 20};
  }
  int CaptionHeight() override { return 18; }
  void Place(bool dialog, const std::string& caption, int w, int h) override {
    placements_.push_back({dialog, caption, w, h});
  }
  void SetText(const std::string& text) override { shown_ = text; }

 private:
  std::vector<Placement>& placements_;
  std::string& shown_;
};

class FakeUi : public platform::UiHooks {
 public:
  std::unique_ptr<platform::StatusView> CreateStatusView() override {
    return std::make_unique<FakeView>(placements, shown, pumps);
  }
  void ProcessMessages() override { ++pumps; }
  std::vector<Placement> placements;
  std::string shown;
  int pumps = 0;
};

class XbMsgTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xb::ResetErrorState();
    xb::ResetSwitches();
    platform::SetUiHooks(&ui_);
  }
  void TearDown() override { platform::SetUiHooks(nullptr); }
  FakeUi ui_;
};

TEST_F(XbMsgTest, TextWindowIsBorderlessAndSizedToTheTextPlusMargin) {
  xb::TXbMsg msg;
  msg.ShowText("Building index");
  ASSERT_EQ(ui_.placements.size(), 1u);
  EXPECT_FALSE(ui_.placements[0].dialog_border);
  EXPECT_EQ(ui_.placements[0].width, 14 * 10 + 30);
  EXPECT_EQ(ui_.placements[0].height, 20 + 30);
  EXPECT_EQ(ui_.shown, "Building index");
  EXPECT_EQ(ui_.pumps, 1) << "every update lets pending messages run";
}

TEST_F(XbMsgTest, WindowOnlyGrowsWhileTheBorderStays) {
  xb::TXbMsg msg;
  msg.ShowText("a long text here");
  msg.ShowText("short");
  EXPECT_EQ(ui_.placements.size(), 1u) << "a smaller text does not resize";
  EXPECT_EQ(msg.Width(), 16 * 10 + 30);
  EXPECT_EQ(ui_.shown, "short");
  msg.ShowText("an even longer text here");
  ASSERT_EQ(ui_.placements.size(), 2u);
  EXPECT_EQ(ui_.placements[1].width, 24 * 10 + 30);
  msg.ShowText();
  EXPECT_EQ(ui_.shown, "an even longer text here");
  EXPECT_EQ(ui_.pumps, 4);
}

TEST_F(XbMsgTest, CaptionSwitchesToADialogBorderAndBack) {
  xb::TXbMsg msg;
  msg.ShowText("a long text here");
  msg.SetCaption("A rather long caption text");
  msg.ShowText("x");
  ASSERT_EQ(ui_.placements.size(), 2u);
  const Placement& dialog = ui_.placements[1];
  EXPECT_TRUE(dialog.dialog_border);
  EXPECT_EQ(dialog.caption, "A rather long caption text");
  EXPECT_EQ(dialog.width, 26 * 12) << "the caption is wider than text plus margin";
  EXPECT_EQ(dialog.height, 20 + 30 + 18) << "new border: the needed size, not the old one";
  msg.SetCaption("");
  msg.ShowText("x");
  ASSERT_EQ(ui_.placements.size(), 3u);
  EXPECT_FALSE(ui_.placements[2].dialog_border);
  EXPECT_EQ(ui_.placements[2].width, 10 + 30);
  EXPECT_EQ(ui_.placements[2].height, 20 + 30);
}

TEST_F(XbMsgTest, ProgressBarShortensPerStepAndRefillsEveryHundredSteps) {
  xb::TXbProgress100 progress;
  EXPECT_EQ(progress.Caption(), "Progress");
  EXPECT_TRUE(progress.HasDialogBorder());
  EXPECT_EQ(ui_.shown, std::string(100, '|'));
  progress.Step();
  EXPECT_EQ(ui_.shown, std::string(99, '|'));
  for (int step = 2; step < 100; ++step) progress.Step();
  EXPECT_EQ(ui_.shown, "|");
  progress.Step();
  EXPECT_EQ(ui_.shown, std::string(100, '|')) << "after the 100th step";
  progress.Step();
  EXPECT_EQ(ui_.shown, std::string(99, '|'));
  EXPECT_EQ(ui_.placements.size(), 1u) << "the window never shrinks or moves while stepping";
}

TEST_F(XbMsgTest, ProgressTakesItsCaption) {
  xb::TXbProgress100 progress("Indexing notes.dbf");
  ASSERT_EQ(ui_.placements.size(), 1u);
  EXPECT_EQ(ui_.placements[0].caption, "Indexing notes.dbf");
  EXPECT_EQ(ui_.placements[0].width, 100 * 10 + 30);
}

}  // namespace
