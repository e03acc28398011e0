// Quarvel.exe as an application: registration on an ordinary start, the
// switches of an automation client's start, the automation object held and
// released by a client in another process, and the resources read back from
// the file. Runs under Wine with a display.
#include <windows.h>
// windows.h first
#include <gtest/gtest.h>
#include <oleauto.h>

#include <chrono>
#include <string>
#include <thread>

namespace quarvel {
namespace {

const wchar_t kClsid[] = L"{ACD3F820-48F2-4783-8C94-C50C9B06FFE9}";
// {A65501E8-4B2F-4118-A76E-82100C0E76CB}
const IID kDispatchIid = {0xA65501E8, 0x4B2F, 0x4118, {0xA7, 0x6E, 0x82, 0x10, 0x0C, 0x0E, 0x76, 0xCB}};

std::wstring ProgramPath() {
  wchar_t self[MAX_PATH] = L"";
  GetModuleFileNameW(nullptr, self, MAX_PATH);
  std::wstring path = self;
  return path.substr(0, path.find_last_of(L'\\') + 1) + L"Quarvel.exe";
}

// The default value of a key under HKEY_CLASSES_ROOT; none when it is missing.
std::wstring ClassesValue(const std::wstring& key) {
  wchar_t value[512] = L"";
  DWORD size = sizeof value;
  if (RegGetValueW(HKEY_CLASSES_ROOT, key.c_str(), nullptr, RRF_RT_REG_SZ, nullptr, value, &size) != ERROR_SUCCESS) {
    return L"<none>";
  }
  return value;
}

void ForgetRegistration() {
  RegDeleteTreeW(HKEY_CLASSES_ROOT, L"Quarvel.Application");
  RegDeleteTreeW(HKEY_CLASSES_ROOT, (std::wstring(L"CLSID\\") + kClsid).c_str());
}

HWND WaitForMainDialog(bool visible = true, int timeoutMs = 15000) {
  for (int waited = 0; waited < timeoutMs; waited += 20) {
    HWND found = FindWindowW(L"#32770", L"JavaPOS Setup 1.xx");
    if (found != nullptr && (IsWindowVisible(found) != FALSE) == visible) return found;
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
  }
  return nullptr;
}

class Shell : public ::testing::Test {
 protected:
  void TearDown() override {
    if (process_.hProcess == nullptr) return;
    if (WaitForSingleObject(process_.hProcess, 0) == WAIT_TIMEOUT) TerminateProcess(process_.hProcess, 9);
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
  }
  void Start(const std::wstring& arguments) {
    std::wstring command = L"\"" + ProgramPath() + L"\" " + arguments;
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    ASSERT_TRUE(CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                               &process_));
  }
  bool Ends(int timeoutMs = 10000) {
    return WaitForSingleObject(process_.hProcess, static_cast<DWORD>(timeoutMs)) == WAIT_OBJECT_0;
  }
  PROCESS_INFORMATION process_{};
};

TEST_F(Shell, AnOrdinaryStartRegistersTheServerAndShowsTheDialog) {
  ForgetRegistration();
  Start(L"");
  HWND main = WaitForMainDialog();
  ASSERT_NE(main, nullptr);
  EXPECT_EQ(ClassesValue(L"Quarvel.Application\\CLSID"), kClsid);
  EXPECT_EQ(ClassesValue(std::wstring(L"CLSID\\") + kClsid + L"\\ProgID"), L"Quarvel.Application");
  EXPECT_EQ(CompareStringOrdinal(ClassesValue(std::wstring(L"CLSID\\") + kClsid + L"\\LocalServer32").c_str(), -1,
                                 (L"\"" + ProgramPath() + L"\"").c_str(), -1, TRUE),
            CSTR_EQUAL);
  PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  EXPECT_TRUE(Ends());
}

TEST_F(Shell, AnAutomationClientsStartLeavesTheRegistryAlone) {
  for (const wchar_t* arguments : {L"/Automation", L"-embedding"}) {
    ForgetRegistration();
    Start(arguments);
    HWND main = WaitForMainDialog();
    ASSERT_NE(main, nullptr) << arguments;
    EXPECT_EQ(ClassesValue(L"Quarvel.Application\\CLSID"), L"<none>") << arguments;
    PostMessageW(main, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);  // no client holds it: it ends
    EXPECT_TRUE(Ends()) << arguments;
    CloseHandle(process_.hThread);
    CloseHandle(process_.hProcess);
    process_ = {};
  }
}

// The program ships no type library. A client in another process that asks
// for the object's own dispatch interface needs one to marshal it, so the
// test makes and registers one for an empty interface with that IID.
void RegisterTestTypeLibrary() {
  wchar_t folder[MAX_PATH] = L"";
  GetTempPathW(MAX_PATH, folder);
  const std::wstring path = std::wstring(folder) + L"quarvel-test.tlb";
  ICreateTypeLib2* library = nullptr;
  ASSERT_EQ(CreateTypeLib2(SYS_WIN64, path.c_str(), &library), S_OK);
  const GUID libraryId = {0x5C1A9E20, 0x7D51, 0x4C5B, {0x9B, 0x1E, 0x30, 0x6A, 0x11, 0x42, 0x7E, 0x01}};
  library->SetGuid(libraryId);
  library->SetName(const_cast<LPOLESTR>(L"QuarvelTest"));
  library->SetVersion(1, 0);
  ICreateTypeInfo* info = nullptr;
  ASSERT_EQ(library->CreateTypeInfo(const_cast<LPOLESTR>(L"IQuarvel"), TKIND_DISPATCH, &info), S_OK);
  info->SetGuid(kDispatchIid);
  ITypeLib* standard = nullptr;
  ITypeInfo* dispatch = nullptr;
  ASSERT_EQ(LoadTypeLib(L"stdole2.tlb", &standard), S_OK);
  ASSERT_EQ(standard->GetTypeInfoOfGuid(IID_IDispatch, &dispatch), S_OK);
  HREFTYPE base = 0;
  info->AddRefTypeInfo(dispatch, &base);
  info->AddImplType(0, base);
  info->LayOut();
  ASSERT_EQ(library->SaveAllChanges(), S_OK);
  info->Release();
  dispatch->Release();
  standard->Release();
  library->Release();
  ITypeLib* registered = nullptr;
  ASSERT_EQ(LoadTypeLibEx(path.c_str(), REGKIND_REGISTER, &registered), S_OK);
  registered->Release();
}

TEST_F(Shell, TheAutomationObjectHoldsTheProgramUntilReleased) {
  ForgetRegistration();
  Start(L"");  // registers the server
  HWND first = WaitForMainDialog();
  ASSERT_NE(first, nullptr);
  PostMessageW(first, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
  ASSERT_TRUE(Ends());
  ASSERT_EQ(CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED), S_OK);
  RegisterTestTypeLibrary();

  CLSID clsid{};
  ASSERT_EQ(CLSIDFromProgID(L"Quarvel.Application", &clsid), S_OK);
  IUnknown* object = nullptr;
  ASSERT_EQ(CoCreateInstance(clsid, nullptr, CLSCTX_LOCAL_SERVER, IID_IUnknown, reinterpret_cast<void**>(&object)),
            S_OK);
  IDispatch* dispatch = nullptr;
  ASSERT_EQ(object->QueryInterface(IID_IDispatch, reinterpret_cast<void**>(&dispatch)), S_OK);
  UINT typeInfos = 7;
  EXPECT_EQ(dispatch->GetTypeInfoCount(&typeInfos), S_OK);
  EXPECT_EQ(typeInfos, 0u);
  LPOLESTR name = const_cast<LPOLESTR>(L"Visible");
  DISPID id = 0;
  EXPECT_EQ(dispatch->GetIDsOfNames(IID_NULL, &name, 1, LOCALE_USER_DEFAULT, &id), DISP_E_UNKNOWNNAME);
  IUnknown* own = nullptr;
  EXPECT_EQ(object->QueryInterface(kDispatchIid, reinterpret_cast<void**>(&own)), S_OK);
  if (own != nullptr) own->Release();

  // The program the client started shows its dialog; closing it only hides it.
  HWND main = WaitForMainDialog();
  ASSERT_NE(main, nullptr);
  DWORD serverId = 0;
  GetWindowThreadProcessId(main, &serverId);
  HANDLE server = OpenProcess(SYNCHRONIZE, FALSE, serverId);
  ASSERT_NE(server, nullptr);
  PostMessageW(main, WM_CLOSE, 0, 0);
  EXPECT_NE(WaitForMainDialog(false), nullptr);
  EXPECT_EQ(WaitForSingleObject(server, 500), static_cast<DWORD>(WAIT_TIMEOUT));  // still running

  dispatch->Release();
  object->Release();  // the last reference: the program ends
  EXPECT_EQ(WaitForSingleObject(server, 15000), static_cast<DWORD>(WAIT_OBJECT_0));
  CloseHandle(server);
  CoUninitialize();
}

std::wstring VersionText(const std::vector<BYTE>& block, const wchar_t* name) {
  wchar_t* value = nullptr;
  UINT length = 0;
  const std::wstring query = std::wstring(L"\\StringFileInfo\\040904B0\\") + name;
  if (!VerQueryValueW(block.data(), query.c_str(), reinterpret_cast<void**>(&value), &length)) return L"<none>";
  return value;
}

// The other binaries carry the product's version, their own name and what they are.
TEST(QuarvelResources, EveryOtherBinaryCarriesTheProductsVersion) {
  const std::wstring folder = ProgramPath().substr(0, ProgramPath().find_last_of(L'\\') + 1);
  for (const wchar_t* name : {L"quarvel-cli.exe", L"PortLinkTcp.dll", L"PortLinkUsb.dll", L"PortLinkLpt.dll"}) {
    const std::wstring path = folder + name;
    std::vector<BYTE> block(GetFileVersionInfoSizeW(path.c_str(), nullptr));
    ASSERT_FALSE(block.empty()) << path;
    ASSERT_TRUE(GetFileVersionInfoW(path.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
    VS_FIXEDFILEINFO* fixed = nullptr;
    UINT size = 0;
    ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
    EXPECT_EQ(fixed->dwFileVersionMS, 0x0001004Du) << path;  // 1.77
    EXPECT_EQ(fixed->dwFileVersionLS, 0u) << path;            // 0.0
    EXPECT_EQ(VersionText(block, L"FileVersion"), L"1.77.0") << path;
    EXPECT_EQ(VersionText(block, L"ProductName"), L"Quarvel") << path;
    EXPECT_EQ(VersionText(block, L"OriginalFilename"), name);
    EXPECT_NE(VersionText(block, L"FileDescription").find(L"Quarvel"), std::wstring::npos) << path;
  }
}

TEST(QuarvelResources, VersionManifestAndStrings) {
  const std::wstring program = ProgramPath();
  std::vector<BYTE> block(GetFileVersionInfoSizeW(program.c_str(), nullptr));
  ASSERT_FALSE(block.empty());
  ASSERT_TRUE(GetFileVersionInfoW(program.c_str(), 0, static_cast<DWORD>(block.size()), block.data()));
  VS_FIXEDFILEINFO* fixed = nullptr;
  UINT size = 0;
  ASSERT_TRUE(VerQueryValueW(block.data(), L"\\", reinterpret_cast<void**>(&fixed), &size));
  EXPECT_EQ(fixed->dwFileVersionMS, 0x0001004Du);  // 1.77
  EXPECT_EQ(fixed->dwFileVersionLS, 0x00000040u);  // 0.64
  EXPECT_EQ(fixed->dwProductVersionMS, 0x0001004Du);
  EXPECT_EQ(fixed->dwProductVersionLS, 0x00000040u);
  EXPECT_EQ(VersionText(block, L"FileDescription"), L"Quarvel MFC Application");
  EXPECT_EQ(VersionText(block, L"InternalName"), L"Quarvel");
  EXPECT_EQ(VersionText(block, L"ProductName"), L"Quarvel Application");
  EXPECT_EQ(VersionText(block, L"Comments"), L"x86");

  HMODULE file = LoadLibraryExW(program.c_str(), nullptr, LOAD_LIBRARY_AS_DATAFILE);
  ASSERT_NE(file, nullptr);
  HRSRC manifest = FindResourceW(file, MAKEINTRESOURCEW(1), MAKEINTRESOURCEW(24));
  ASSERT_NE(manifest, nullptr);
  const std::string text(static_cast<const char*>(LockResource(LoadResource(file, manifest))),
                         SizeofResource(file, manifest));
  EXPECT_NE(text.find("name=\"Quarvel\""), std::string::npos);
  EXPECT_NE(text.find("<description>Printer Driver Installer Program</description>"), std::string::npos);
  EXPECT_NE(text.find("level=\"requireAdministrator\""), std::string::npos);
  wchar_t string[256] = L"";
  LoadStringW(file, 100, string, 256);
  EXPECT_STREQ(string, L"OLE initialization failed.  Make sure that the OLE libraries are the correct version.");
  LoadStringW(file, 101, string, 256);
  EXPECT_STREQ(string, L"&About Quarvel...");
  FreeLibrary(file);
}

}  // namespace
}  // namespace quarvel
