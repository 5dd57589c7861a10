// The command line: modes, keys, the temporary-copy flag and the framework
// switch, as whole tokens.
#include <gtest/gtest.h>

#include "installer/core/CommandLine.h"

namespace {

constexpr wchar_t kKey[] = L"{441AC6AE-67A0-480E-8529-6932B7588E61}";

struct Case {
  std::wstring line;
  InstallerMode mode;
  bool tempCopy;
  std::wstring key;
};

TEST(InstallerCommandLine, ModesKeysAndTemporaryCopy) {
  const std::wstring key = kKey;
  const Case cases[] = {
      {L"", InstallerMode::kInstall, false, L""},
      {L"   ", InstallerMode::kInstall, false, L""},
      {L"/n " + key, InstallerMode::kUnnamed, false, key},
      {L"/n " + key + L" /u", InstallerMode::kUninstall, false, key},
      {L"-N " + key + L" -R /F", InstallerMode::kRepair, true, key},
      // The later family in the test order wins, not the later switch.
      {L"/n " + key + L" /g /u", InstallerMode::kUpdate, false, key},
      {L"/u /z /r", InstallerMode::kNothing, false, L""},
      {L"/U /f", InstallerMode::kUninstall, true, L""},
      // Switches inside other tokens are no switches.
      {L"C:\\my-r\\setup -rx /uninstall", InstallerMode::kUnnamed, false, L""},
      {L"\"C:\\a /u b\\x\" /n " + key, InstallerMode::kUnnamed, false, key},
      {L"/n " + key + L"/u", InstallerMode::kUnnamed, false, L""},
      // A key that is no GUID never reaches a registry path.
      {L"/n ..\\..\\Microsoft /u", InstallerMode::kUninstall, false, L""},
      {L"/n {441AC6AE-67A0-480E-8529-6932B7588E6} /r", InstallerMode::kRepair, false, L""},
      // A missing key leaves the switch after /n a switch.
      {L"/n /u", InstallerMode::kUninstall, false, L""},
      {L"/n \"" + key + L"\" /g", InstallerMode::kUpdate, false, key},
  };
  for (const Case& c : cases) {
    InstallerCommandLine parsed = ParseCommandLineTokens(c.line.c_str());
    EXPECT_EQ(parsed.mode, c.mode) << std::string(c.line.begin(), c.line.end());
    EXPECT_EQ(parsed.tempCopy, c.tempCopy) << std::string(c.line.begin(), c.line.end());
    EXPECT_EQ(parsed.productKey, c.key) << std::string(c.line.begin(), c.line.end());
    EXPECT_FALSE(parsed.frameworkSwitch);
  }
}

TEST(InstallerCommandLine, FrameworkSwitch) {
  const std::wstring key = kKey;
  struct SwitchCase {
    std::wstring line;
    std::wstring key;
    int mode;
  };
  const SwitchCase cases[] = {
      {L"/EMMODE=1 /GUID=" + key, key, 1}, {L"/emmode=3 /guid=" + key, key, 3},
      {L"/EMMODE=0 /GUID=" + key, key, 0}, {L"/GUID=" + key, key, 0},
      {L"/EMMODE=4 /GUID=" + key, key, 0}, {L"/EMMODE=12 /GUID=" + key, key, 0},
      {L"/GUID=" + key + L"x", L"", 0},    {L"/GUID=not-a-key /EMMODE=2", L"", 2},
  };
  for (const SwitchCase& c : cases) {
    InstallerCommandLine parsed = ParseCommandLineTokens(c.line.c_str());
    EXPECT_TRUE(parsed.frameworkSwitch) << std::string(c.line.begin(), c.line.end());
    EXPECT_EQ(parsed.switchKey, c.key) << std::string(c.line.begin(), c.line.end());
    EXPECT_EQ(parsed.embeddedMode, c.mode) << std::string(c.line.begin(), c.line.end());
  }
  EXPECT_FALSE(ParseCommandLineTokens(L"/n x /GUIDE=1").frameworkSwitch);
}

TEST(InstallerCommandLine, SplitsOnBlanksAndQuotes) {
  EXPECT_EQ(SplitCommandLine(L"  a\tb  \"c d\"e \"\" "),
            (std::vector<std::wstring>{L"a", L"b", L"c de", L""}));
  EXPECT_TRUE(SplitCommandLine(nullptr).empty());
  EXPECT_TRUE(IsProductKeyText(kKey));
  EXPECT_FALSE(IsProductKeyText(L"441AC6AE-67A0-480E-8529-6932B7588E61"));
}

}  // namespace
