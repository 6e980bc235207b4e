#pragma once
// Fixture for the date and number tests: every case starts from US English
// regional settings, date format code 0, century off and epoch year 1956,
// with engine errors recorded rather than reported, and leaves them so.
#include <gtest/gtest.h>

#include "engine/table/date_settings.h"
#include "engine/table/error_state.h"
#include "platform/regional.h"

namespace qptest {

class DateSettingsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    xb::ResetErrorState();
    xb::SetReportErrors(false);
    platform::SetRegional(platform::RegionalSettings{});
    xb::ResetDateSettings();
    xb::CurrentDateSettings().epoch_year = 1956;
  }
  void TearDown() override {
    platform::ResetRegional();
    xb::ResetDateSettings();
    xb::ResetErrorState();
  }
};

}  // namespace qptest
