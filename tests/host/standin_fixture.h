// The fixture every host test starts from: a fresh simulated machine, and
// after the test the check that the code closed every handle it opened and
// closed or waited on nothing it did not own.
#pragma once

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "machine.h"

class StandinTest : public ::testing::Test {
 protected:
  void SetUp() override { standin::Reset(); }

  void TearDown() override {
    EXPECT_THAT(standin::OpenHandles(), ::testing::IsEmpty())
        << "handles left open";
    EXPECT_THAT(standin::TheTrace().misuses, ::testing::IsEmpty());
  }

  standin::Machine& machine() { return standin::TheMachine(); }
  standin::Trace& trace() { return standin::TheTrace(); }
};

// A string of `length` characters: `head`, then 'a' up to the length.
inline std::string PaddedText(const std::string& head, std::size_t length) {
  std::string text = head;
  text.resize(length, 'a');
  return text;
}

// Names parameterised cases after their `name` field.
struct CaseName {
  template <typename Param>
  std::string operator()(const ::testing::TestParamInfo<Param>& param_info) const {
    return param_info.param.name;
  }
};

// `text` as a terminated wide string. (std::wstring is no help here: with
// 16-bit wchar_t its traits call the C library's 32-bit wide functions.)
inline std::vector<WCHAR> Wide(const std::string& text) {
  std::vector<WCHAR> wide(text.begin(), text.end());
  wide.push_back(L'\0');
  return wide;
}
