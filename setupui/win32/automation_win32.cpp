#include "automation_win32.h"

#include <oleauto.h>

#include <atomic>
#include <initializer_list>
#include <new>

namespace quarvel::win32 {

namespace {

// QueryInterface of an object that answers the interfaces `answered`.
template <typename Interface>
HRESULT Answer(Interface* self, REFIID iid, void** object, std::initializer_list<const IID*> answered) {
  if (object == nullptr) return E_POINTER;
  for (const IID* known : answered) {
    if (IsEqualIID(iid, *known)) {
      *object = self;
      self->AddRef();
      return S_OK;
    }
  }
  *object = nullptr;
  return E_NOINTERFACE;
}

// CQuarvelDlgAutoProxy: no methods and no properties.
class AutomationProxy final : public IDispatch {
 public:
  explicit AutomationProxy(ProgramState& program) : link_(program.lifetime, program.runningDialog) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return Answer<IDispatch>(this, iid, object, {&IID_IUnknown, &IID_IDispatch, &kQuarvelDispatchIid});
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;  // the link lets the dialog go and gives up the program lock
    return left;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfoCount(UINT* count) override {
    if (count == nullptr) return E_POINTER;
    *count = 0;
    return S_OK;
  }
  HRESULT STDMETHODCALLTYPE GetTypeInfo(UINT, LCID, ITypeInfo** info) override {
    if (info != nullptr) *info = nullptr;
    return DISP_E_BADINDEX;
  }
  HRESULT STDMETHODCALLTYPE GetIDsOfNames(REFIID, LPOLESTR*, UINT count, LCID, DISPID* ids) override {
    for (UINT i = 0; ids != nullptr && i < count; ++i) ids[i] = DISPID_UNKNOWN;
    return DISP_E_UNKNOWNNAME;
  }
  HRESULT STDMETHODCALLTYPE Invoke(DISPID, REFIID, LCID, WORD, DISPPARAMS*, VARIANT*, EXCEPINFO*, UINT*) override {
    return DISP_E_MEMBERNOTFOUND;
  }

 private:
  ~AutomationProxy() = default;
  std::atomic<ULONG> references_{1};
  ProxyLink link_;
};

class ProxyFactory final : public IClassFactory {
 public:
  explicit ProxyFactory(ProgramState& program) : program_(program) {}

  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** object) override {
    return Answer<IClassFactory>(this, iid, object, {&IID_IUnknown, &IID_IClassFactory});
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return ++references_; }
  ULONG STDMETHODCALLTYPE Release() override {
    const ULONG left = --references_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT STDMETHODCALLTYPE CreateInstance(IUnknown* outer, REFIID iid, void** object) override {
    if (object == nullptr) return E_POINTER;
    *object = nullptr;
    if (outer != nullptr) return CLASS_E_NOAGGREGATION;
    AutomationProxy* proxy = new (std::nothrow) AutomationProxy(program_);
    if (proxy == nullptr) return E_OUTOFMEMORY;
    const HRESULT result = proxy->QueryInterface(iid, object);
    proxy->Release();
    return result;
  }
  HRESULT STDMETHODCALLTYPE LockServer(BOOL lock) override {
    if (lock) {
      program_.lifetime.Lock();
    } else {
      program_.lifetime.Unlock();
    }
    return S_OK;
  }

 private:
  ~ProxyFactory() = default;
  ProgramState& program_;
  std::atomic<ULONG> references_{1};
};

std::wstring GuidText(const GUID& guid) {
  wchar_t text[40] = L"";
  StringFromGUID2(guid, text, 40);
  return text;
}

bool SetDefaultValue(const std::wstring& key, const std::wstring& value) {
  HKEY handle = nullptr;
  if (RegCreateKeyExW(HKEY_CLASSES_ROOT, key.c_str(), 0, nullptr, 0, KEY_SET_VALUE, nullptr, &handle, nullptr) !=
      ERROR_SUCCESS) {
    return false;
  }
  const auto bytes = static_cast<DWORD>((value.size() + 1) * sizeof(wchar_t));
  const bool written =
      RegSetValueExW(handle, nullptr, 0, REG_SZ, reinterpret_cast<const BYTE*>(value.c_str()), bytes) == ERROR_SUCCESS;
  RegCloseKey(handle);
  return written;
}

}  // namespace

HRESULT AutomationServer::RegisterClassObject() {
  factory_ = new (std::nothrow) ProxyFactory(program_);
  if (factory_ == nullptr) return E_OUTOFMEMORY;
  // Single use: each client that creates the object gets a program of its own.
  return CoRegisterClassObject(kQuarvelClsid, factory_, CLSCTX_LOCAL_SERVER, REGCLS_SINGLEUSE, &cookie_);
}

AutomationServer::~AutomationServer() {
  if (cookie_ != 0) CoRevokeClassObject(cookie_);
  if (factory_ != nullptr) factory_->Release();
}

bool RegisterServer(const std::wstring& programPath) {
  const std::wstring clsid = GuidText(kQuarvelClsid);
  const std::wstring classKey = L"CLSID\\" + clsid;
  bool written = SetDefaultValue(kProgId, kProgId);
  written = SetDefaultValue(std::wstring(kProgId) + L"\\CLSID", clsid) && written;
  written = SetDefaultValue(classKey, kProgId) && written;
  // Quoted: under "C:\\Program Files\\" COM would try "C:\\Program.exe" first.
  written = SetDefaultValue(classKey + L"\\LocalServer32", L"\"" + programPath + L"\"") && written;
  written = SetDefaultValue(classKey + L"\\ProgID", kProgId) && written;
  return written;
}

}  // namespace quarvel::win32
