// Test support of the text-service tests.
#include "tests/tsf/TsfTestSupport.h"

#include <algorithm>

#include "engine/Product.h"
#include "frontend/tsf/ComAdopt.h"

namespace zn::test {

namespace {

// The real services, except that the product's registry values point at the
// test's copy of the data folder.
class CopyOs : public Win32OsServices {
 public:
  RegistryRead ReadMachineString(const wchar_t*, const wchar_t* name, wchar_t* out,
                                 uint32_t capacity) const override {
    const std::wstring value = std::wstring(name) == L"IMEName" ? std::wstring(ZN_IME_NAME) : ShippedDataCopy();
    if (value.size() + 1 > capacity) return RegistryRead::kValueMissing;
    std::copy(value.c_str(), value.c_str() + value.size() + 1, out);
    return RegistryRead::kOk;
  }
  // The Windows version a test asks for (major 0: the real one).
  void GetOsVersion(OSVERSIONINFOW* info) const override {
    Win32OsServices::GetOsVersion(info);
    if (TestContexts::windowsMajor != 0) {
      info->dwMajorVersion = TestContexts::windowsMajor;
      info->dwMinorVersion = TestContexts::windowsMinor;
    }
  }
};

const CopyOs& Os() {
  static const CopyOs os;
  return os;
}

std::wstring CopyFolder(const std::wstring& from) {
  wchar_t base[MAX_PATH];
  const DWORD n = GetTempPathW(MAX_PATH, base);
  if (n == 0 || n >= MAX_PATH) return L"";
  const std::wstring to = std::wstring(base) + L"zntsf-" + std::to_wstring(GetCurrentProcessId()) + L"\\";
  CreateDirectoryW(to.c_str(), nullptr);
  WIN32_FIND_DATAW found;
  HANDLE find = FindFirstFileW((from + L"*").c_str(), &found);
  if (find == INVALID_HANDLE_VALUE) return L"";
  do {
    if (!(found.dwFileAttributes & FILE_ATTRIBUTE_DIRECTORY))
      CopyFileW((from + found.cFileName).c_str(), (to + found.cFileName).c_str(), FALSE);
  } while (FindNextFileW(find, &found));
  FindClose(find);
  return to;
}

}  // namespace

const std::wstring& ShippedDataCopy() {
  static const std::wstring copy = CopyFolder(ZN_TEST_DATA_DIR);
  return copy;
}

int TestContexts::failCreations = 0;
DWORD TestContexts::windowsMajor = 0;
DWORD TestContexts::windowsMinor = 0;
int TestContexts::live = 0;
FakeEffects* TestContexts::effects = nullptr;

ImeContext* TestContexts::Create() {
  if (failCreations > 0) {
    --failCreations;
    return nullptr;
  }
  ImeContext* context = CreateImeContext(&Os());
  if (!context) return nullptr;
  context->effects = effects;
  ++live;
  return context;
}

void TestContexts::Destroy(ImeContext* context) {
  if (!context) return;
  --live;
  DestroyImeContext(context);
}

TextServiceEnvironment TestContexts::Environment(const OsServices* clock) {
  TextServiceEnvironment environment{&TestContexts::Create, &TestContexts::Destroy};
  environment.clock = clock;
  return environment;
}

void TsfTest::SetUp() {
  // The category manager that hands out display-attribute atoms is COM.
  CoInitialize(nullptr);
  ReleaseAll();
  ASSERT_FALSE(ShippedDataCopy().empty());
  TestContexts::failCreations = 0;
  TestContexts::windowsMajor = TestContexts::windowsMinor = 0;
  TestContexts::effects = &effects_;
  fakehost::Counters() = fakehost::HostCounters{};
  host_ = fakehost::Make<fakehost::FakeThreadMgr>();
  effects_.host = host_.Get();
  environment_ = TestContexts::Environment(&clock_);
}

void TsfTest::Hold(std::initializer_list<int> keys) {
  uint8_t state[256] = {};
  GetKeyboardState(state);
  for (int k : keys) state[k] |= 0x80;
  SetKeyboardState(state);
}

void TsfTest::ReleaseAll() {
  uint8_t state[256] = {};
  SetKeyboardState(state);
}

void TsfTest::TearDown() {
  ReleaseAll();
  if (service_) {
    service_->Deactivate();
    service_.Reset();
  }
  EXPECT_EQ(host_->AdvisedSinks(), 0) << "sinks left advised";
  EXPECT_TRUE(host_->preservedKeys().empty()) << "keys left preserved";
  host_->Shutdown();
  host_.Reset();
  context_ = nullptr;
  EXPECT_EQ(fakehost::Counters().liveObjects, 0) << "fake objects left alive";
  EXPECT_EQ(fakehost::Counters().noLockFaults, 0) << "document calls without the lock";
  EXPECT_EQ(fakehost::Counters().syncRequestsInsideLock, 0);
  EXPECT_EQ(effects_.messagesInsideLock, 0) << "a message box shown inside an edit session";
  effects_.host = nullptr;
  EXPECT_EQ(TestContexts::live, 0) << "input contexts left";
  EXPECT_EQ(DllCanUnloadNow(), S_OK);
  TestContexts::effects = nullptr;
  CoUninitialize();
}

void TsfTest::MakeService() {
  service_ = Adopt<ITfTextInputProcessorEx>(new CTextService(environment_));
}

HRESULT TsfTest::Activate(DWORD flags) {
  if (!service_) MakeService();
  if (!context_) context_ = host_->OpenDocument();
  return service_->ActivateEx(host_.Get(), client_, flags);
}

bool TsfTest::Press(UINT vk, wchar_t typed) {
  const bool eaten = host_->PressKey(vk, typed);
  clock_.now += 30;
  host_->ReleaseKey(vk);
  clock_.now += 30;
  return eaten;
}

void TsfTest::Type(const std::wstring& keys) {
  for (wchar_t c : keys) {
    if (c >= L'a' && c <= L'z') {
      Press(static_cast<UINT>(c - L'a' + 'A'), c);
    } else if (c >= L'0' && c <= L'9') {
      Press(static_cast<UINT>(c), c);
    } else if (c == L' ') {
      Press(VK_SPACE, L' ');
    }
  }
}

}  // namespace zn::test
