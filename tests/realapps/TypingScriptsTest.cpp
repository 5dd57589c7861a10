// The seeded scripts: reproducible from their seed, long enough, made of keys
// every host can type, and ending with the codes committed.
#include <gtest/gtest.h>

#include <windows.h>

#include <string>
#include <vector>

#include "tests/realapps/TypingScripts.h"
#include "tools/zntype/KeyScript.h"

namespace {

const std::vector<std::string> kCodes = {"g", "gg", "ggl", "ggll", "khlg", "wqvb", "wq", "a", "yyy"};

TEST(TypingScripts, ASeedGivesOneScriptOfTypableKeysEndingCommitted) {
  for (uint64_t seed = 1; seed <= 20; ++seed) {
    const std::wstring script = MakeTypingScript(seed, kCodes, 200);
    EXPECT_EQ(script, MakeTypingScript(seed, kCodes, 200));
    std::vector<KeyStroke> keys;
    std::wstring error;
    ASSERT_TRUE(ParseKeyScript(script, &keys, &error)) << seed;
    EXPECT_GE(keys.size(), 200u);
    for (const KeyStroke& key : keys) EXPECT_NE(key.virtualKey, 0u);
    EXPECT_EQ(keys.back().virtualKey, static_cast<uint32_t>(VK_SPACE));
    size_t taps = 0;
    for (const KeyStroke& key : keys) taps += key.virtualKey == VK_LSHIFT;
    EXPECT_EQ(taps % 2, 0u) << "a script ends in the mode it started in";
  }
  EXPECT_NE(MakeTypingScript(1, kCodes, 200), MakeTypingScript(2, kCodes, 200));
}

}  // namespace
