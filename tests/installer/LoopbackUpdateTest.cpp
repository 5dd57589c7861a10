// The update check over Wine's real WinINet against a server of the test's
// own on 127.0.0.1: answers, refusals, sizes and address schemes.
#include "tests/installer/LoopbackServer.h"

#include <gtest/gtest.h>

#include "installer/core/ProductPaths.h"
#include "installer/core/UpdateCheck.h"
#include "tests/installer/InstallerTestSupport.h"

namespace zn::test {
namespace {

const std::wstring kKey = ZN_PRODUCT_GUID_TEXT;
const std::string kList =
    "\xEF\xBB\xBF<?xml version=\"1.0\" encoding=\"utf-8\"?>\r\n<UpdateInfo>\r\n"
    "  <version>1.2.0</version>\r\n  <url>https://zinime.org/setup.exe</url>\r\n"
    "  <log>新的词库[r]修正</log>\r\n</UpdateInfo>\r\n";

std::string Utf16List() {
  std::wstring text = L"\xFEFF<UpdateInfo><version>3.0</version><url>http://z/3</url></UpdateInfo>";
  return std::string(reinterpret_cast<const char*>(text.data()), text.size() * 2);
}

std::string Answer(const std::string& path) {
  if (path.rfind("/list?", 0) == 0) return HttpAnswer(200, kList);
  if (path == "/utf16") return HttpAnswer(200, Utf16List(), "text/plain");
  if (path == "/big") return HttpAnswer(200, std::string(300 * 1024, 'x'));
  if (path == "/noinfo") return HttpAnswer(200, "<html><body>moved</body></html>", "text/html");
  if (path == "/exact") return HttpAnswer(200, std::string(kUpdateListMaxBytes, ' ') );
  return HttpAnswer(404, "not here");
}

// The fake's registry and files, with Wine's WinINet for the requests.
struct LoopbackFixture {
  LoopbackServer server{Answer};
  FakeInstallerOs os;
  Win32InstallerOs real;
  struct Lines : UpdateReporter {
    std::vector<std::wstring> lines;
    void Status(const wchar_t* text) override { lines.push_back(text); }
    void Progress(uint64_t) override {}
    bool Has(const std::wstring& t) const {
      for (const std::wstring& line : lines)
        if (line.find(t) != std::wstring::npos) return true;
      return false;
    }
  } lines;

  LoopbackFixture() {
    os.http = [this](const std::wstring& url, uint32_t maxBytes, HttpResponse* out) {
      return real.HttpGet(url.c_str(), maxBytes, out);
    };
    std::wstring key = ProductKeyPath(kKey);
    os.RegWriteString(RegHive::kLocalMachine, key.c_str(), L"DisplayVersion", L"1.0.0");
  }
  UpdateCheckResult Check(const std::wstring& urlTemplate) {
    os.RegWriteString(RegHive::kLocalMachine, ProductKeyPath(kKey).c_str(), L"URLUpdateInfo",
                      urlTemplate.c_str());
    lines.lines.clear();
    return RunUpdateCheck(os, kKey, &lines);
  }
};

TEST(LoopbackUpdate, ListsAreFetchedWithTheFilledInAddress) {
  LoopbackFixture f;
  ASSERT_NE(f.server.port(), 0);
  UpdateCheckResult result = f.Check(f.server.Url(L"/list?v={version}&g={guid}&m={macaddr}"));
  ASSERT_EQ(result.kind, UpdateCheckResult::Kind::kNewer);
  EXPECT_EQ(result.versionText, L"1.2.0.0");
  EXPECT_EQ(result.address, L"https://zinime.org/setup.exe");
  EXPECT_TRUE(f.lines.Has(L"新的词库 \r\n修正"));
  std::vector<std::string> requests = f.server.Requests();
  ASSERT_EQ(requests.size(), 1u);
  EXPECT_EQ(requests[0],
            "/list?v=1.0.0&g=441AC6AE67A0480E85296932B7588E61&m=206c35660c32c29b171f28ff8e956b2f");

  // A list in UTF-16 reads as well.
  EXPECT_EQ(f.Check(f.server.Url(L"/utf16")).versionText, L"3.0.0.0");
}

TEST(LoopbackUpdate, RefusedMissingOversizedAndForeignAnswers) {
  LoopbackFixture f;
  std::wstring listFile = f.os.Folder(KnownFolder::kTemp) + kUpdateListName;
  EXPECT_EQ(f.Check(f.server.Url(L"/missing")).kind, UpdateCheckResult::Kind::kNoVerdict);
  EXPECT_TRUE(f.lines.Has(L"无法访问的URL，错误代码：404"));

  EXPECT_EQ(f.Check(f.server.Url(L"/big")).kind, UpdateCheckResult::Kind::kNoVerdict);
  EXPECT_TRUE(f.lines.Has(L"更新信息过大"));
  EXPECT_FALSE(Exists(listFile));

  // Exactly the limit is still a list (of blanks: no verdict, but kept).
  EXPECT_EQ(f.Check(f.server.Url(L"/exact")).kind, UpdateCheckResult::Kind::kNoVerdict);
  EXPECT_EQ(ReadFileBytes(listFile).size(), kUpdateListMaxBytes);

  EXPECT_EQ(f.Check(f.server.Url(L"/noinfo")).kind, UpdateCheckResult::Kind::kNoVerdict);
  EXPECT_FALSE(f.lines.Has(L"无法访问"));
}

TEST(LoopbackUpdate, EachAddressScheme) {
  LoopbackFixture f;
  std::wstring port = std::to_wstring(f.server.port());
  // TLS to a plain server: no answer, and no hang.
  EXPECT_EQ(f.Check(L"https://127.0.0.1:" + port + L"/list?x").kind,
            UpdateCheckResult::Kind::kNoVerdict);
  EXPECT_TRUE(f.lines.Has(L"无法连接更新服务器"));
  size_t asked = f.server.Requests().size();
  // Other schemes are never requested.
  const std::wstring refusedTemplates[] = {L"ftp://127.0.0.1:" + port + L"/list?x",
                                           L"file:///C:/windows/win.ini",
                                           L"127.0.0.1:" + port + L"/list?x"};
  for (const std::wstring& refused : refusedTemplates) {
    EXPECT_EQ(f.Check(refused).kind, UpdateCheckResult::Kind::kNoVerdict);
    EXPECT_TRUE(f.lines.Has(L"更新地址不是有效的"));
  }
  EXPECT_EQ(f.server.Requests().size(), asked);
  EXPECT_TRUE(f.os.requests.size() == 1u);

  // Nothing listens: an answer of no one, quickly.
  uint16_t closed = 0;
  {
    LoopbackServer gone(Answer);
    closed = gone.port();
  }
  DWORD start = GetTickCount();
  EXPECT_EQ(f.Check(L"http://127.0.0.1:" + std::to_wstring(closed) + L"/list?x").kind,
            UpdateCheckResult::Kind::kNoVerdict);
  EXPECT_TRUE(f.lines.Has(L"无法连接更新服务器"));
  EXPECT_LT(GetTickCount() - start, 10000u);
}

}  // namespace
}  // namespace zn::test
