// The update check on the fake: versions, the address and its
// placeholders, the markup of the list, the download rules, and what is
// opened when the user agrees.
#include <gtest/gtest.h>

#include <random>

#include "engine/FileVersion.h"
#include "installer/core/ProductPaths.h"
#include "installer/core/TagTree.h"
#include "installer/core/UpdateCheck.h"
#include "tests/installer/InstallerTestSupport.h"

namespace zn::test {
namespace {

const std::wstring kKey = ZN_PRODUCT_GUID_TEXT;

class Lines : public UpdateReporter {
 public:
  std::vector<std::wstring> lines;
  uint64_t bytes = 0;
  void Status(const wchar_t* text) override { lines.push_back(text); }
  void Progress(uint64_t count) override { bytes = count; }
  bool Has(const std::wstring& text) const {
    for (const std::wstring& line : lines) {
      if (line.find(text) != std::wstring::npos) return true;
    }
    return false;
  }
};

std::vector<uint8_t> Utf8(const std::string& text) {
  return std::vector<uint8_t>(text.begin(), text.end());
}

TEST(UpdateVersion, PackingAndText) {
  struct Case {
    const wchar_t* text;
    uint64_t packed;
  };
  const Case cases[] = {
      {L"1.0.0", 1ull << 48},
      {L"2", 2ull << 48},  // one number is the first part
      {L"1.2.3.4", 0x0001000200030004ull},
      {L" 1 . 2 ", 0x0001000200000000ull},
      {L"1.70000", 0x0001FFFF00000000ull},  // too large a part stays in its place
      {L"", 0},
      {L"beta", 0},
  };
  for (const Case& c : cases) EXPECT_EQ(PackUpdateVersion(c.text), c.packed) << c.packed;
  EXPECT_EQ(DottedVersionText(0x0001000200030004ull), L"1.2.3.4");
  EXPECT_LT(PackUpdateVersion(L"1.0.0.9"), PackUpdateVersion(L"1.0.1"));
}

TEST(UpdateAddress, PlaceholdersMacDigestAndLimits) {
  std::wstring text = L"{x}{x}-{x}";
  EXPECT_EQ(ReplacePlaceholder(text, L"{x}", L"{x}{x}"), 3u);  // no endless loop
  EXPECT_EQ(text, L"{x}{x}{x}{x}-{x}{x}");
  EXPECT_EQ(ReplacePlaceholder(text, L"", L"a"), 0u);

  FakeInstallerOs os;
  EXPECT_EQ(GetAdapterMacText(os), " 0163e 1 2 3");
  os.adapters = {MacAddress{}, MacAddress{0x0A}};
  EXPECT_EQ(GetAdapterMacText(os), " a");  // the first with an address
  os.adapters.clear();
  EXPECT_EQ(GetAdapterMacText(os), "");

  std::wstring url;
  ASSERT_EQ(ComposeUpdateUrl(L"http://u/l?v={version}&g={guid}&m={macaddr}&v2={version}", L"1.2",
                             kKey, " 0163e 1 2 3", &url),
            UpdateUrlResult::kOk);
  EXPECT_EQ(url,
            L"http://u/l?v=1.2&g=441AC6AE67A0480E85296932B7588E61&m=206c35660c32c29b171f28ff8e956b2f"
            L"&v2=1.2");
  ASSERT_EQ(ComposeUpdateUrl(L"https://u/{version}/{macaddr}", L"", kKey, "", &url),
            UpdateUrlResult::kOk);
  EXPECT_EQ(url, L"https://u/0/d41d8cd98f00b204e9800998ecf8427e");
  EXPECT_EQ(ComposeUpdateUrl(L"HTTP://u/plain", L"1", kKey, "", &url), UpdateUrlResult::kOk);
  EXPECT_EQ(url, L"HTTP://u/plain");

  EXPECT_EQ(ComposeUpdateUrl(L"", L"1", kKey, "", &url), UpdateUrlResult::kNoTemplate);
  for (const wchar_t* refused : {L"ftp://u/l", L"file:///c:/l.txt", L"C:\\l.txt", L"u/l",
                                 L"httpx://u", L"\\\\server\\l"}) {
    EXPECT_EQ(ComposeUpdateUrl(refused, L"1", kKey, "", &url), UpdateUrlResult::kNotWeb);
  }
  // Filled in, the address would outgrow its buffer: refused, not cut.
  std::wstring filler(490, L'a');
  EXPECT_EQ(ComposeUpdateUrl(std::wstring(L"http://") + filler + L"{macaddr}", L"1", kKey, "", &url),
            UpdateUrlResult::kTooLong);
  EXPECT_TRUE(url.empty());
  EXPECT_EQ(ComposeUpdateUrl(std::wstring(L"http://") + std::wstring(505, L'a'), L"1", kKey, "", &url),
            UpdateUrlResult::kTooLong);
  EXPECT_EQ(ComposeUpdateUrl(std::wstring(L"http://") + std::wstring(504, L'a'), L"1", kKey, "", &url),
            UpdateUrlResult::kOk);
}

TEST(TagTree, ElementsAttributesTextAndSelfClosing) {
  TagNode* doc = ParseTagTree(
      L"<?xml version=\"1.0\"?>\r\n<UpdateInfo a=\"1\" b=two>\r\n  <version>1.2</version>"
      L"<empty/><Url>http://x</Url></UpdateInfo><second/>");
  ASSERT_NE(doc, nullptr);
  const TagNode* info = FindChildTag(doc, L"updateinfo");
  ASSERT_NE(info, nullptr);
  ASSERT_EQ(info->attributes.size(), 2u);
  EXPECT_EQ(info->attributes[1], (std::pair<std::wstring, std::wstring>(L"b", L"two")));
  EXPECT_EQ(FindChildTag(info, L"VERSION")->text, L"1.2");
  EXPECT_EQ(FindChildTag(info, L"empty")->text, L"");
  EXPECT_EQ(FindChildTag(info, L"url")->text, L"http://x");
  EXPECT_NE(FindChildTag(doc, L"second"), nullptr);  // a sibling, not a child of <empty/>
  EXPECT_EQ(FindChildTag(info, L"second"), nullptr);
  FreeTagTree(doc);
}

TEST(TagTree, HostileMarkupNeverEscapesTheDocument) {
  // More closing tags than opened ones stay at the document.
  TagNode* doc = ParseTagTree(L"</a></b><x>1</x></x></x><y>2");
  ASSERT_NE(doc, nullptr);
  EXPECT_EQ(FindChildTag(doc, L"x")->text, L"1");
  EXPECT_EQ(FindChildTag(doc, L"y")->text, L"2");
  FreeTagTree(doc);
  // Cut off inside a tag, a comment-like tag, a lone "<".
  for (const wchar_t* text : {L"<a", L"<a b=\"c", L"<?x", L"<", L"<a>text", L"<!-- <a> -->", L""}) {
    FreeTagTree(ParseTagTree(text));
  }
  // Deep nesting stops at the cap; the tree is freed without recursion.
  std::wstring deep;
  for (int i = 0; i < 100000; ++i) deep += L"<a>";
  doc = ParseTagTree(deep.c_str());
  int depth = 0;
  for (const TagNode* n = doc->firstChild; n; n = n->firstChild) ++depth;
  EXPECT_EQ(depth, kMaxTagDepth);
  FreeTagTree(doc);
  FreeTagTree(nullptr);

  // Random damage to a real list: no crash, no leak checked here, always a tree.
  const std::wstring base =
      L"<UpdateInfo><version>2.0.0</version><url>http://z/a b</url><log>x[r]y</log></UpdateInfo>";
  std::mt19937 random(20);
  const wchar_t alphabet[] = L"<>/?=\" \r\nabc[]";
  for (int run = 0; run < 3000; ++run) {
    std::wstring text = base;
    int edits = 1 + static_cast<int>(random() % 6);
    for (int e = 0; e < edits; ++e) {
      size_t at = random() % text.size();
      switch (random() % 3) {
        case 0:
          text[at] = alphabet[random() % (std::size(alphabet) - 1)];
          break;
        case 1:
          text.erase(at, 1 + random() % 4);
          break;
        default:
          text.insert(at, 1, alphabet[random() % (std::size(alphabet) - 1)]);
          break;
      }
      if (text.empty()) text = L"<";
    }
    TagNode* tree = ParseTagTree(text.c_str());
    ASSERT_NE(tree, nullptr);
    UpdateTarget target;
    ReadUpdateList(text.c_str(), &target);
    EXPECT_LT(target.downloadAddress.size(), kUpdateUrlUnits);
    FreeTagTree(tree);
  }
}

TEST(UpdateList, FirstElementOnlyWithLimitsAndLineBreaks) {
  UpdateTarget target;
  EXPECT_TRUE(ReadUpdateList(
      L"<updateinfo><VERSION>1.0.1</VERSION><url> http://z/d </url><log>a[r]b</log></updateinfo>",
      &target));
  EXPECT_EQ(target.serverVersion, PackUpdateVersion(L"1.0.1"));
  EXPECT_EQ(target.downloadAddress, L"http://z/d ");
  EXPECT_EQ(target.changeLog, L"a \r\nb");
  // Not the first element, or no version: no verdict.
  EXPECT_FALSE(ReadUpdateList(L"<other/><UpdateInfo><version>9</version></UpdateInfo>", &target));
  EXPECT_FALSE(ReadUpdateList(L"<UpdateInfo><url>http://z</url></UpdateInfo>", &target));
  EXPECT_EQ(target.serverVersion, 0u);
  std::wstring longList = L"<UpdateInfo><version>2</version><url>http://" +
                          std::wstring(2000, L'u') + L"</url><log>" + std::wstring(9000, L'l') +
                          L"</log></UpdateInfo>";
  EXPECT_TRUE(ReadUpdateList(longList.c_str(), &target));
  EXPECT_EQ(target.downloadAddress.size(), kUpdateUrlUnits - 1);
  EXPECT_EQ(target.changeLog.size(), kUpdateLogUnits - 1);
}

// The installed product's values and a scripted server.
struct CheckFixture {
  FakeInstallerOs os;
  Lines lines;
  std::string body = "<UpdateInfo><version>1.0.1</version><url>z.org/get</url>"
                     "<log>fixes[r]more</log></UpdateInfo>";
  uint32_t status = 200;
  bool answer = true;
  bool truncated = false;
  CheckFixture() {
    std::wstring key = ProductKeyPath(kKey);
    os.RegWriteString(RegHive::kLocalMachine, key.c_str(), L"DisplayVersion", L"1.0.0");
    os.RegWriteString(RegHive::kLocalMachine, key.c_str(), L"URLUpdateInfo",
                      L"http://z.org/list?v={version}");
    os.http = [this](const std::wstring&, uint32_t maxBytes, HttpResponse* out) {
      if (!answer) return false;
      out->status = status;
      out->body = Utf8(body);
      out->truncated = truncated || out->body.size() > maxBytes;
      return true;
    };
  }
  std::wstring ListFile() { return os.Folder(KnownFolder::kTemp) + kUpdateListName; }
  UpdateCheckResult Run() { return RunUpdateCheck(os, kKey, &lines); }
};

TEST(UpdateCheck, ANewerVersionIsReportedAndItsAddressOffered) {
  CheckFixture f;
  UpdateCheckResult result = f.Run();
  ASSERT_EQ(result.kind, UpdateCheckResult::Kind::kNewer);
  EXPECT_EQ(f.os.requests, std::vector<std::wstring>{L"http://z.org/list?v=1.0.0"});
  EXPECT_EQ(result.versionText, L"1.0.1.0");
  EXPECT_TRUE(f.lines.Has(L"服务器存在更新版本: 1.0.1.0"));
  EXPECT_TRUE(f.lines.Has(L"更新内容如下: \r\nfixes \r\nmore"));
  EXPECT_TRUE(f.lines.Has(L"下载地址: z.org/get"));
  EXPECT_EQ(f.lines.bytes, f.body.size());
  EXPECT_EQ(ReadFileBytes(f.ListFile()), Utf8(f.body));

  f.os.answers = {IDNO};
  OfferDownload(f.os, nullptr, result, &f.lines);
  EXPECT_TRUE(f.os.opened.empty());
  f.os.answers = {IDYES};
  OfferDownload(f.os, nullptr, result, &f.lines);
  EXPECT_EQ(f.os.opened, std::vector<std::wstring>{L"user|http://z.org/get"});
  EXPECT_EQ(f.os.messages[1],
            L"输入法更新|发现新版 1.0.1.0 ，是否使用系统默认方式下载？\r\n"
            L"单击“否”后，可以手动复制下载地址并下载程序。");
  // Opening as the user is impossible: the user is told to copy it.
  f.os.openAsUserWorks = false;
  f.os.answers = {IDYES};
  OfferDownload(f.os, nullptr, result, &f.lines);
  EXPECT_TRUE(f.lines.Has(L"请手动复制下载地址"));
}

TEST(UpdateCheck, SameVersionAndEveryWayWithoutAVerdict) {
  {
    CheckFixture f;
    f.body = "<UpdateInfo><version>1.0.0</version></UpdateInfo>";
    EXPECT_EQ(f.Run().kind, UpdateCheckResult::Kind::kUpToDate);
    EXPECT_TRUE(f.lines.Has(L"您现在的程序是最新版本，无需更新。"));
  }
  {
    CheckFixture f;
    f.status = 404;
    WriteFileBytes(f.ListFile(), Bytes("stale list"));
    EXPECT_EQ(f.Run().kind, UpdateCheckResult::Kind::kNoVerdict);
    EXPECT_TRUE(f.lines.Has(L"无法访问的URL，错误代码：404"));
    EXPECT_FALSE(Exists(f.ListFile()));  // an old list is never read again
  }
  {
    CheckFixture f;
    f.truncated = true;
    EXPECT_EQ(f.Run().kind, UpdateCheckResult::Kind::kNoVerdict);
    EXPECT_TRUE(f.lines.Has(L"更新信息过大"));
    EXPECT_FALSE(Exists(f.ListFile()));
  }
  {
    CheckFixture f;
    f.answer = false;
    EXPECT_EQ(f.Run().kind, UpdateCheckResult::Kind::kNoVerdict);
    EXPECT_TRUE(f.lines.Has(L"无法连接更新服务器"));
  }
  {
    CheckFixture f;
    f.body = "<html><body>moved</body></html>";
    EXPECT_EQ(f.Run().kind, UpdateCheckResult::Kind::kNoVerdict);
  }
  {
    // The list cannot be written: no half file stays.
    CheckFixture f;
    CreateDirectoryPath(f.os, f.ListFile());
    EXPECT_EQ(f.Run().kind, UpdateCheckResult::Kind::kNoVerdict);
    EXPECT_TRUE(f.lines.Has(L"更新信息无法保存"));
  }
  {
    CheckFixture f;
    f.os.RegRemoveValue(RegHive::kLocalMachine, ProductKeyPath(kKey).c_str(), L"URLUpdateInfo");
    EXPECT_EQ(f.Run().kind, UpdateCheckResult::Kind::kNoVerdict);
    EXPECT_TRUE(f.lines.Has(L"当前软件尚未支持更新功能。"));
    EXPECT_TRUE(f.os.requests.empty());
  }
  {
    CheckFixture f;
    f.os.RegWriteString(RegHive::kLocalMachine, ProductKeyPath(kKey).c_str(), L"URLUpdateInfo",
                        L"file:///C:/list.txt");
    EXPECT_EQ(f.Run().kind, UpdateCheckResult::Kind::kNoVerdict);
    EXPECT_TRUE(f.lines.Has(L"更新地址不是有效的"));
    EXPECT_TRUE(f.os.requests.empty());
  }
  {
    CheckFixture f;
    EXPECT_EQ(RunUpdateCheck(f.os, L"", &f.lines).kind, UpdateCheckResult::Kind::kNoTarget);
    EXPECT_EQ(f.lines.lines, std::vector<std::wstring>{L"未知的更新目标"});
  }
}

TEST(UpdateCheck, OnlyWebAddressesAreOpened) {
  struct Case {
    const wchar_t* address;
    const wchar_t* opened;  // null: refused
  };
  const Case cases[] = {
      {L"http://z.org/a", L"http://z.org/a"},
      {L"HTTPS://z.org/a", L"HTTPS://z.org/a"},
      {L"  z.org/get.exe ", L"http://z.org/get.exe"},
      {L"localhost:8080/a", L"http://localhost:8080/a"},
      {L"ftp://z.org/a", nullptr},
      {L"file:///C:/Windows/system32/calc.exe", nullptr},
      {L"httpd.exe", L"http://httpd.exe"},  // a name, not a program: the browser gets it
      {L"C:\\Windows\\notepad.exe", nullptr},
      {L"\\\\server\\share\\x.exe", nullptr},
      {L"/x", nullptr},
      {L"mailto:a@z.org", nullptr},
      {L"javascript:alert(1)", nullptr},
      {L"http://z.org/\na", nullptr},
      {L"", nullptr},
  };
  for (const Case& c : cases) {
    std::wstring out;
    EXPECT_EQ(OpenableDownloadAddress(c.address, &out), c.opened != nullptr)
        << std::string(c.address, c.address + wcslen(c.address));
    if (c.opened) EXPECT_EQ(out, c.opened);
  }
  CheckFixture f;
  UpdateCheckResult newer;
  newer.kind = UpdateCheckResult::Kind::kNewer;
  newer.address = L"ftp://z.org/setup.exe";
  f.os.answers = {IDYES};
  OfferDownload(f.os, nullptr, newer, &f.lines);
  EXPECT_TRUE(f.os.opened.empty());
  EXPECT_TRUE(f.lines.Has(L"请手动复制下载地址"));
}

}  // namespace
}  // namespace zn::test
