#include "plugin/HostText.h"

#include <gtest/gtest.h>

#include <vector>

namespace {
// A host buffer of 301 bytes with a guard zone behind it that must never be written.
struct Guarded {
  std::vector<char> bytes = std::vector<char>(400, '\xAB');
  char* data() { return bytes.data(); }
  bool GuardIntact() const {
    for (size_t i = kHostTextSize; i < bytes.size(); ++i) {
      if (bytes[i] != '\xAB') return false;
    }
    return true;
  }
};
}  // namespace

TEST(HostText, ALongTextIsCutAt300WithTheNulAtIndex300) {
  Guarded b;
  WriteHostText(b.data(), std::string(500, 'x'), false);
  EXPECT_EQ(std::string(b.data()), std::string(300, 'x'));
  EXPECT_EQ(b.bytes[300], '\0');
  EXPECT_TRUE(b.GuardIntact());
}

TEST(HostText, AShortTextIsNulPaddedUpToByte300) {
  Guarded b;
  WriteHostText(b.data(), "OK", false);
  EXPECT_EQ(std::string(b.data()), "OK");
  for (size_t i = 2; i <= 300; ++i) EXPECT_EQ(b.bytes[i], '\0') << i;
  EXPECT_TRUE(b.GuardIntact());
}

TEST(HostText, TrimmingIsOptional) {
  Guarded b;
  WriteHostText(b.data(), "  K10\r\n", true);
  EXPECT_EQ(std::string(b.data()), "K10");
  WriteHostText(b.data(), "  K10 ", false);
  EXPECT_EQ(std::string(b.data()), "  K10 ");
}

TEST(HostText, NullBuffersAreLeftAloneAndReadsStopAt300) {
  WriteHostText(nullptr, "x", true);
  EXPECT_EQ(ReadHostText(nullptr), "");
  std::vector<char> unterminated(301, 'y');
  EXPECT_EQ(ReadHostText(unterminated.data()).size(), 300u);
}
