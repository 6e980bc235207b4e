#pragma once
// Shared set-up of the dataset component tests: a scratch folder, the
// engine's global state reset, United States date settings with the
// century, and the messages shown to the user collected instead of
// printed.
#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/dataset/uxbfds.h"
#include "engine/table/date_settings.h"
#include "engine/table/xbase.h"
#include "platform/regional.h"
#include "platform/ui_hooks.h"
#include "tests/support/scratch.h"

namespace xb {

class RecordingUi : public platform::UiHooks {
 public:
  void MessageBox(const std::string&, const std::string& text, platform::MessageIcon) override {
    messages.push_back(text);
  }
  std::vector<std::string> messages;
};

class DatasetTest : public ::testing::Test {
 protected:
  void SetUp() override {
    CloseAll();
    ResetErrorState();
    SetReportErrors(false);
    ResetSwitches();
    platform::RegionalSettings us;
    us.short_date_format = "M/d/yyyy";
    platform::SetRegional(us);
    DatasetLayerInit();
    ResetTerminateRequest();
    platform::SetUiHooks(&ui_);
  }
  void TearDown() override {
    CloseAll();
    platform::SetUiHooks(nullptr);
    platform::ResetRegional();
    ResetDateSettings();
    ResetSwitches();
  }
  std::string Path(const std::string& name) const { return scratch_.Path(name); }

  // A table component over `file` with the given DbfFields, not yet open.
  std::unique_ptr<TXbDbf> Table(const std::string& name, const std::string& file,
                                std::vector<std::string> fields) {
    auto table = std::make_unique<TXbDbf>(name);
    table->SetDbfFields(std::move(fields));
    table->SetDbfFileName(Path(file));
    return table;
  }
  // Appends one record under the append lock with the given field texts.
  static void AddRecord(TXbDbf& t, const std::vector<std::pair<std::string, std::string>>& values) {
    t.ClearRecord();
    for (const auto& [name, value] : values) t.PutField(name, value);
    ASSERT_TRUE(t.ALock());
    t.AppendRec();
    t.UnLock();
    ASSERT_EQ(ErrorCode(), 0) << ErrorText();
  }

  qptest::Scratch scratch_;
  RecordingUi ui_;
};

}  // namespace xb
