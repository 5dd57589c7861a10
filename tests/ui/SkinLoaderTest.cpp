// Loading skin archives, choosing the context's skin, reloading and listing.
#include <gtest/gtest.h>

#include <algorithm>
#include <set>
#include <vector>

#include "engine/ImeContext.h"
#include "tests/ui/SkinTestSupport.h"

using zn::test::Bytes;
using zn::test::SampleSkin;
using zn::test::SkinHostFixture;
using zn::test::TempDir;
using zn::test::WriteFileBytes;
using zn::test::ZipWriter;

namespace {

struct Archive {
  SkinValues values{};
  SkinImageSet images{};
  int result = -1;
  Archive(const TempDir& dir, const std::vector<uint8_t>& bytes) {
    std::wstring path = dir.File(L"test.col");
    WriteFileBytes(path, bytes);
    result = LoadSkinArchive(&values, &images, path.c_str());
  }
  ~Archive() { FreeSkin(&images); }
  int Pictures() const {
    return static_cast<int>(std::count_if(std::begin(images.images), std::end(images.images),
                                          [](SkinImage* i) { return i != nullptr; }));
  }
};

// Configures the skin name and loads the selected skin.
int Select(SkinHostFixture& f, const wchar_t* name) {
  f.Configure(name);
  return LoadSelectedSkinFor(f.Host());
}

std::vector<std::wstring> Listed(const std::wstring& folder) {
  wchar_t names[kMaxListedSkins][kSkinFileNameUnits];
  int n = ListSkinFiles(folder.c_str(), names, kMaxListedSkins);
  return std::vector<std::wstring>(names, names + n);
}

}  // namespace

TEST(LoadSkinArchive, CompleteSkinLoads) {
  TempDir dir;
  Archive a(dir, SampleSkin(L"样例").Build());
  EXPECT_EQ(a.result, 1);
  EXPECT_STREQ(a.values.info.name, L"样例");
  EXPECT_EQ(std::wstring(a.values.loadedPath), dir.File(L"test.col"));
  EXPECT_EQ(a.Pictures(), 6);
  EXPECT_EQ(a.images.images[kPictureBar]->width, 60);
  EXPECT_NE(a.images.images[ButtonPicture(kButtonMenu, 0)], nullptr);
}

TEST(LoadSkinArchive, EachRequiredPartMissingRefusesTheSkin) {
  TempDir dir;
  std::vector<std::string> parts(std::begin(zn::test::kRequiredPictures),
                                 std::end(zn::test::kRequiredPictures));
  parts.push_back("skin.ini");
  for (const std::string& part : parts) {
    SCOPED_TRACE(part);
    Archive a(dir, SampleSkin(L"x", part).Build());
    EXPECT_EQ(a.result, 0);
    EXPECT_EQ(a.Pictures(), 0);
  }
  Archive noName(dir, SampleSkin(L"").Build());
  EXPECT_EQ(noName.result, 0);
  EXPECT_EQ(noName.Pictures(), 0);
}

TEST(LoadSkinArchive, EntryNamesMatchWithoutAsciiCaseButOnlyAtTheRoot) {
  TempDir dir;
  ZipWriter upper;
  upper.Add("SKIN.INI", zn::test::Utf16Ini(zn::test::SampleIni(L"大写")));
  for (const char* name : {"BAR.PNG", "CandHB.png", "candhb_SHU.png", "CANDQR.png",
                           "candQR_shu.PNG", "Cn_Biaodian_1.Png"}) {
    upper.Add(name, zn::test::SolidPng(4, 4));
  }
  Archive a(dir, upper.Build());
  EXPECT_EQ(a.result, 1);
  EXPECT_NE(a.images.images[ButtonPicture(kButtonCnPunctuation, 1)], nullptr);

  ZipWriter nested = SampleSkin(L"x", "bar.png");
  nested.Add("pics\\bar.png", zn::test::SolidPng(4, 4))
      .Add("pics/bar.png", zn::test::SolidPng(4, 4));
  EXPECT_EQ(Archive(dir, nested.Build()).result, 0);
}

TEST(LoadSkinArchive, DuplicatesDamageAndBadPaths) {
  TempDir dir;
  // A later picture of the same name replaces the earlier one.
  ZipWriter dup = SampleSkin(L"x");
  dup.Add("Bar.png", zn::test::SolidPng(7, 3));
  Archive a(dir, dup.Build());
  EXPECT_EQ(a.result, 1);
  EXPECT_EQ(a.images.images[kPictureBar]->width, 7);

  // A required picture whose CRC fails is as good as missing.
  zn::test::ZipEntry bad{"candQR.png", zn::test::SolidPng(30, 16), false, 0x5};
  ZipWriter damaged = SampleSkin(L"x", "candQR.png");
  damaged.Add(bad);
  EXPECT_EQ(Archive(dir, damaged.Build()).result, 0);
  // A picture that is no PNG leaves its slot empty.
  ZipWriter garbage = SampleSkin(L"x", "candHB_shu.png");
  garbage.Add("candHB_shu.png", Bytes("garbage"));
  EXPECT_EQ(Archive(dir, garbage.Build()).result, 0);

  SkinValues v;
  SkinImageSet s;
  EXPECT_EQ(LoadSkinArchive(&v, &s, dir.File(L"missing.col").c_str()), 0);
  std::wstring tooLong = dir.path() + std::wstring(300, L'a') + L".col";
  EXPECT_EQ(LoadSkinArchive(&v, &s, tooLong.c_str()), 0);
  // A name the ANSI code page cannot hold is refused, not opened by a
  // best-fit substitute name.
  std::wstring foreign = dir.File(L"\u0915\u4E2D\u00E9.col");
  WriteFileBytes(foreign, SampleSkin(L"x").Build());
  BOOL lost = FALSE;
  char ansi[MAX_PATH];
  bool representable =
      GetACP() == CP_UTF8 || (WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, foreign.c_str(), -1,
                                                  ansi, MAX_PATH, nullptr, &lost) > 0 &&
                              !lost);
  EXPECT_EQ(LoadSkinArchive(&v, &s, foreign.c_str()), representable ? 1 : 0);
  FreeSkin(&s);
}

TEST(ListSkinFiles, KeepsOnlyPlainSkinFileNames) {
  SkinHostFixture f;
  std::wstring t = f.Tessel();
  for (const wchar_t* name : {L"a.col", L"b.icc", L"c.COL", L".hidden.col", L"x.col.bak", L"col",
                              L"abcdefghijklmnopqrstuvwxyz1.col"}) {
    WriteFileBytes(t + name, Bytes("x"));
  }
  // 32 characters: does not fit the 32-unit buffer with its terminator.
  WriteFileBytes(t + L"abcdefghijklmnopqrstuvwxyz12.col", Bytes("x"));
  CreateDirectoryW((t + L"folder.col").c_str(), nullptr);
  std::vector<std::wstring> names = Listed(t);
  std::set<std::wstring> got(names.begin(), names.end());
  EXPECT_EQ(got, (std::set<std::wstring>{L"a.col", L"b.icc", L"abcdefghijklmnopqrstuvwxyz1.col"}));
  // The folder without its trailing backslash lists the same.
  EXPECT_EQ(Listed(t.substr(0, t.size() - 1)).size(), 3u);

  for (int i = 0; i < 70; ++i) WriteFileBytes(t + L"s" + std::to_wstring(i) + L".col", Bytes("x"));
  EXPECT_EQ(Listed(t).size(), 64u);
}

TEST(LoadSelectedSkin, NextSkinWrapsAroundAndWritesTheNameBack) {
  SkinHostFixture f;
  for (const wchar_t* name : {L"one.col", L"two.col", L"three.col"}) f.AddSkin(name, name);
  std::vector<std::wstring> order = Listed(f.Tessel());
  ASSERT_EQ(order.size(), 3u);

  // The loaded skin is the last listed (stored in another letter case).
  std::wstring last = order.back();
  std::transform(last.begin(), last.end(), last.begin(), ::towupper);
  wcscpy(f.block().loadedSkinName, last.c_str());
  ASSERT_EQ(Select(f, kNextSkinName), 1);
  EXPECT_EQ(f.LoadedName(), order[0]);
  EXPECT_EQ(std::wstring(f.block().skinName), order[0]);
  EXPECT_EQ(std::wstring(f.block().loadedSkinName), order[0]);
  EXPECT_EQ(std::wstring(f.skin()->values.info.name), order[0]);

  ASSERT_EQ(Select(f, kNextSkinName), 1);
  EXPECT_EQ(f.LoadedName(), order[1]);

  // Unknown loaded name: the first listed skin.
  wcscpy(f.block().loadedSkinName, L"gone.col");
  ASSERT_EQ(Select(f, kNextSkinName), 1);
  EXPECT_EQ(f.LoadedName(), order[0]);
}

TEST(LoadSelectedSkin, ConfiguredMissingEmptyAndFallback) {
  SkinHostFixture f;
  f.AddSkin(L"fallback.col", L"安装目录", false);
  // Nothing in tessel\: the install folder's skin.col, which is missing too.
  EXPECT_EQ(LoadSelectedSkinFor(f.Host()), 0);
  f.AddSkin(L"skin.col", L"安装目录", false);
  ASSERT_EQ(LoadSelectedSkinFor(f.Host()), 1);
  EXPECT_STREQ(f.skin()->values.info.name, L"安装目录");
  EXPECT_STREQ(f.block().skinName, L"skin.col");

  f.AddSkin(L"blue.col", L"蓝");
  f.AddSkin(L"green.col", L"绿");
  ASSERT_EQ(Select(f, L"green.col"), 1);
  EXPECT_STREQ(f.skin()->values.info.name, L"绿");

  std::wstring first = Listed(f.Tessel())[0];
  ASSERT_EQ(Select(f, L"deleted.col"), 1);
  EXPECT_EQ(std::wstring(f.block().skinName), first);
  ASSERT_EQ(Select(f, L""), 1);
  EXPECT_EQ(f.LoadedName(), first);
}

TEST(LoadSelectedSkin, ABadFileLeavesThePreviousSkin) {
  SkinHostFixture f;
  f.AddSkin(L"good.col", L"好");
  ASSERT_EQ(Select(f, L"good.col"), 1);
  SkinImage* bar = f.skin()->images.images[kPictureBar];

  WriteFileBytes(f.Tessel() + L"bad.col", SampleSkin(L"坏", "candQR_shu.png").Build());
  EXPECT_EQ(Select(f, L"bad.col"), 0);
  EXPECT_STREQ(f.skin()->values.info.name, L"好");
  EXPECT_EQ(f.skin()->images.images[kPictureBar], bar);
  EXPECT_STREQ(f.block().skinName, L"bad.col");
  EXPECT_STREQ(f.block().loadedSkinName, L"good.col");
}

namespace {

int relayouts = 0;
LRESULT CALLBACK CountingProc(HWND w, UINT m, WPARAM wp, LPARAM lp) {
  if (m == WM_USER + 100) ++relayouts;
  return DefWindowProcW(w, m, wp, lp);
}

HWND MessageWindow() {
  WNDCLASSW wc{};
  wc.lpfnWndProc = CountingProc;
  wc.hInstance = GetModuleHandleW(nullptr);
  wc.lpszClassName = L"SkinReloadTestWindow";
  RegisterClassW(&wc);
  return CreateWindowExW(0, wc.lpszClassName, L"", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                         wc.hInstance, nullptr);
}

}  // namespace

TEST(ReloadSkin, ReloadsOnlyWhenTheConfiguredNameChanged) {
  SkinHostFixture f;
  f.AddSkin(L"a.col", L"甲");
  f.AddSkin(L"b.col", L"乙");
  HWND status = MessageWindow();
  ASSERT_NE(status, nullptr);
  HWND gone = MessageWindow();
  DestroyWindow(gone);

  // Nothing loaded yet: nothing happens.
  f.Configure(L"a.col");
  ReloadSkinFor(f.Host(status, gone));
  EXPECT_EQ(f.skin()->values.info.name[0], 0);

  ASSERT_EQ(LoadSelectedSkinFor(f.Host()), 1);
  f.block().statusX = 300;
  f.block().statusY = 200;
  f.Configure(L"A.COL");
  relayouts = 0;
  ReloadSkinFor(f.Host(status, gone));
  EXPECT_STREQ(f.skin()->values.info.name, L"甲");
  EXPECT_EQ(f.block().statusX, 300);
  EXPECT_EQ(relayouts, 0);

  f.Configure(L"b.col");
  ReloadSkinFor(f.Host(status, gone));
  EXPECT_STREQ(f.skin()->values.info.name, L"乙");
  EXPECT_EQ(f.block().statusX, 0);
  EXPECT_EQ(f.block().statusY, 0);
  EXPECT_EQ(relayouts, 1);  // the destroyed window got nothing
  DestroyWindow(status);
}

TEST(LoadSkinList, ListsLoadableSkinsOrFallsBack) {
  SkinHostFixture f;
  auto list = zn::test::NewSkinData();
  EXPECT_EQ(LoadSkinListFor(f.Host(), &list->list), 0);
  f.AddSkin(L"skin.col", L"默认", false);
  EXPECT_EQ(LoadSkinListFor(f.Host(), &list->list), 1);
  EXPECT_STREQ(list->list.values[0].info.name, L"默认");

  f.AddSkin(L"a.col", L"甲");
  WriteFileBytes(f.Tessel() + L"broken.col", Bytes("not a zip"));
  f.AddSkin(L"b.icc", L"乙");
  ASSERT_EQ(LoadSkinListFor(f.Host(), &list->list), 2);
  std::set<std::wstring> names = {list->list.values[0].info.name, list->list.values[1].info.name};
  EXPECT_EQ(names, (std::set<std::wstring>{L"甲", L"乙"}));
  EXPECT_NE(list->list.images[1].images[kPictureCandQRShu], nullptr);
  EXPECT_EQ(list->list.values[2].info.name[0], 0);
}

TEST(SkinFonts, SkinFontsUnlessTheBlockOverrides) {
  SkinHostFixture f;
  f.AddSkin(L"a.col", L"甲");
  ASSERT_EQ(LoadSelectedSkinFor(f.Host()), 1);
  FontSpec code, candidate;
  GetSkinFontSpecsFor(f.Host(), &code, &candidate);
  EXPECT_STREQ(candidate.face, L"微软雅黑");
  EXPECT_EQ(candidate.sizePixels, -17);

  wcscpy(f.block().codeFont.face, L"楷体");
  wcscpy(f.block().candidateFont.face, L"黑体");
  f.block().appearanceFlags = 0x8000;
  GetSkinFontSpecsFor(f.Host(), &code, &candidate);
  EXPECT_STREQ(code.face, L"楷体");
  EXPECT_STREQ(candidate.face, L"黑体");
}

TEST(ContextSkin, ContextLoadsAndFreesItsSkin) {
  SkinHostFixture f;
  f.AddSkin(L"a.col", L"甲");
  auto* context = static_cast<ImeContext*>(GlobalAlloc(GPTR, sizeof(ImeContext)));
  ASSERT_NE(context, nullptr);
  wcscpy(context->installFolder, f.dir().path().c_str());
  context->skinBlock = &f.block();
  ASSERT_EQ(LoadContextSkin(context), 1);
  ASSERT_NE(context->skin, nullptr);
  EXPECT_STREQ(context->skin->values.info.name, L"甲");
  EXPECT_EQ(LoadSkinList(context, &context->skin->list), 1);
  FreeContextSkin(context);
  EXPECT_EQ(context->skin, nullptr);
  GlobalFree(context);
}

TEST(ConfiguredSkinName, AnUnterminatedFieldIsCutInsideIt) {
  SkinConfigBlock block{};
  for (wchar_t& c : block.skinName) c = L'a';
  block.loadedSkinName[0] = L'b';  // what would follow in the shared block
  wchar_t name[kSkinNameUnits];
  ConfiguredSkinName(block, name);
  EXPECT_EQ(std::wstring(name), std::wstring(kSkinNameUnits - 1, L'a'));

  const wchar_t shortName[] = L"night.col";
  std::copy(std::begin(shortName), std::end(shortName), block.skinName);
  ConfiguredSkinName(block, name);
  EXPECT_STREQ(name, L"night.col");
}
