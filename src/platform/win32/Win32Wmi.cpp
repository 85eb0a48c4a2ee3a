#include "platform/win32/Win32Wmi.h"

#include "platform/win32/ChildWindowGuard.h"

#include <wbemcli.h>

#include <cstdio>

#include "platform/win32/UniqueHandles.h"

namespace lumivane::win32 {

// While a WMI call waits, COM serves messages that other threads send to this one; each call is
// marked as a modal loop, so that a control message reaching a control then counts as foreign.
namespace {

// Defined here rather than taken from wbemuuid, which does not carry every CLSID in all mingw
// releases.
constexpr CLSID kClsidWbemLocator = {
    0x4590f811, 0x1d3a, 0x11d0, {0x89, 0x1f, 0x00, 0xaa, 0x00, 0x4b, 0x2e, 0x24}};
constexpr CLSID kClsidWbemStatusCodeText = {
    0xeb87e1bd, 0x3233, 0x11d2, {0xae, 0xc9, 0x00, 0xc0, 0x4f, 0xb6, 0x88, 0x20}};

constexpr long kQueryFlags = WBEM_FLAG_FORWARD_ONLY | WBEM_FLAG_RETURN_IMMEDIATELY;
static_assert(kQueryFlags == 48);

// A second reference to an object the caller keeps.
template <typename T> ComPtr<T> Share(T* object) {
  ComPtr<T> shared;
  if (object) {
    object->AddRef();
    *shared.put() = object;
  }
  return shared;
}

std::u16string FromWide(const wchar_t* text, size_t length) {
  return std::u16string(reinterpret_cast<const char16_t*>(text), length);
}

std::u16string FromBstr(BSTR text) {
  return text ? FromWide(text, ::SysStringLen(text)) : std::u16string();
}

void TrimLineEnd(std::u16string& text) {
  while (!text.empty() && (text.back() == u'\r' || text.back() == u'\n' || text.back() == u' '))
    text.pop_back();
}

class UniqueBstr {
 public:
  explicit UniqueBstr(const std::u16string& text)
      : value_(::SysAllocStringLen(reinterpret_cast<const wchar_t*>(text.data()),
                                   static_cast<UINT>(text.size()))) {}
  UniqueBstr() = default;
  ~UniqueBstr() { ::SysFreeString(value_); }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;
  BSTR get() const { return value_; }
  BSTR* put() {
    ::SysFreeString(value_);
    value_ = nullptr;
    return &value_;
  }

 private:
  BSTR value_ = nullptr;
};

class UniqueVariant {
 public:
  UniqueVariant() { ::VariantInit(&value_); }
  ~UniqueVariant() { ::VariantClear(&value_); }
  UniqueVariant(const UniqueVariant&) = delete;
  UniqueVariant& operator=(const UniqueVariant&) = delete;
  VARIANT* get() { return &value_; }
  const VARIANT& ref() const { return value_; }

 private:
  VARIANT value_;
};

[[noreturn]] void ThrowWmi(HRESULT hr) {
  throw WmiError(DescribeHresult(hr));
}

void Check(HRESULT hr) {
  if (FAILED(hr)) ThrowWmi(hr);
}

bool IntegerOf(const VARIANT& v, int64_t& out) {
  switch (V_VT(&v)) {
  case VT_I1:
    out = V_I1(&v);
    return true;
  case VT_UI1:
    out = V_UI1(&v);
    return true;
  case VT_I2:
    out = V_I2(&v);
    return true;
  case VT_UI2:
    out = V_UI2(&v);
    return true;
  case VT_I4:
    out = V_I4(&v);
    return true;
  case VT_UI4:
    out = V_UI4(&v);
    return true;
  case VT_INT:
    out = V_INT(&v);
    return true;
  case VT_UINT:
    out = V_UINT(&v);
    return true;
  case VT_I8:
    out = V_I8(&v);
    return true;
  case VT_UI8:
    out = static_cast<int64_t>(V_UI8(&v));
    return true;
  case VT_BOOL:
    out = V_BOOL(&v) != VARIANT_FALSE ? 1 : 0;
    return true;
  default:
    return false;
  }
}

// Element types that SafeArrayGetElement copies into a VARIANT's value field.
bool CopyableElement(VARTYPE type) {
  switch (type) {
  case VT_I1:
  case VT_UI1:
  case VT_I2:
  case VT_UI2:
  case VT_I4:
  case VT_UI4:
  case VT_INT:
  case VT_UINT:
  case VT_I8:
  case VT_UI8:
  case VT_BOOL:
  case VT_BSTR:
  case VT_R4:
  case VT_R8:
  case VT_DATE:
  case VT_CY:
  case VT_VARIANT:
    return true;
  default:
    return false;
  }
}

WmiValue ArrayValue(const VARIANT& value) {
  SAFEARRAY* array = V_ARRAY(&value);
  WmiValue result;
  result.kind = WmiValue::Kind::Array;
  if (!array) return result;
  const UINT dimCount = ::SafeArrayGetDim(array);
  const VARTYPE elementType = V_VT(&value) & VT_TYPEMASK;
  if (!CopyableElement(elementType)) return WmiValue::Null();
  std::vector<LONG> lower(dimCount), upper(dimCount);
  size_t total = dimCount ? 1 : 0;
  for (UINT d = 0; d < dimCount; ++d) {
    if (FAILED(::SafeArrayGetLBound(array, d + 1, &lower[d])) ||
        FAILED(::SafeArrayGetUBound(array, d + 1, &upper[d])))
      return WmiValue::Null();
    const size_t extent = upper[d] >= lower[d] ? static_cast<size_t>(upper[d] - lower[d]) + 1 : 0;
    result.dims.push_back(extent);
    total *= extent;
  }
  if (total == 0) return result;
  // Row by row: the last dimension varies fastest. SafeArrayGetElement takes the indices
  // left-most dimension first, the order of SafeArrayGetLBound's dimension numbers.
  std::vector<LONG> index(lower);
  result.items.reserve(total);
  for (size_t n = 0; n < total; ++n) {
    UniqueVariant element;
    HRESULT hr;
    if (elementType == VT_VARIANT) {
      hr = ::SafeArrayGetElement(array, index.data(), element.get());
    } else {
      V_VT(element.get()) = elementType;
      // Every non-variant element type fits the VARIANT's union; BSTR elements arrive as copies.
      hr = ::SafeArrayGetElement(array, index.data(), &element.get()->llVal);
    }
    if (FAILED(hr)) {
      V_VT(element.get()) = VT_EMPTY; // nothing was copied, nothing to free
      ThrowWmi(hr);
    }
    result.items.push_back(ToWmiValue(element.ref()));
    for (UINT d = dimCount; d-- > 0;) {
      if (++index[d] <= upper[d]) break;
      index[d] = lower[d];
    }
  }
  return result;
}

class Win32WmiObject final : public IWmiObject {
 public:
  Win32WmiObject(ComPtr<IWbemServices> services, ComPtr<IWbemClassObject> object)
      : services_(std::move(services)), object_(std::move(object)) {}

  WmiValue Get(const std::u16string& property) override {
    UniqueVariant value;
    Check(object_->Get(reinterpret_cast<LPCWSTR>(property.c_str()), 0, value.get(), nullptr, nullptr));
    return ToWmiValue(value.ref());
  }

  int64_t CallMethod(const std::u16string& method,
                     const std::vector<std::pair<std::u16string, int32_t>>& args) override {
    const WmiValue path = Get(u"__PATH");
    const WmiValue className = Get(u"__CLASS");
    if (path.kind != WmiValue::Kind::Text || className.kind != WmiValue::Kind::Text)
      ThrowWmi(WBEM_E_INVALID_OBJECT_PATH);
    const UniqueBstr classBstr(className.text);
    ComPtr<IWbemClassObject> classObject;
    const ChildWindowGuard::ModalLoop comWait(ChildWindowGuard::Takes::Posted);
    Check(services_->GetObject(classBstr.get(), 0, nullptr, classObject.put(), nullptr));
    ComPtr<IWbemClassObject> signature;
    Check(classObject->GetMethod(reinterpret_cast<LPCWSTR>(method.c_str()), 0, signature.put(), nullptr));
    ComPtr<IWbemClassObject> inParams;
    if (signature) {
      Check(signature->SpawnInstance(0, inParams.put()));
      for (const auto& [name, number] : args) {
        VARIANT v;
        V_VT(&v) = VT_I4;
        V_I4(&v) = number;
        Check(inParams->Put(reinterpret_cast<LPCWSTR>(name.c_str()), 0, &v, 0));
      }
    } else if (!args.empty()) {
      ThrowWmi(WBEM_E_INVALID_PARAMETER);
    }
    const UniqueBstr pathBstr(path.text);
    const UniqueBstr methodBstr(method);
    ComPtr<IWbemClassObject> outParams;
    // The guard taken before GetObject still covers this call.
    Check(services_->ExecMethod(pathBstr.get(), methodBstr.get(), 0, nullptr, inParams.get(), outParams.put(),
                                nullptr));
    // A method without a return value that ran counts as 0, as the scripting API reports it.
    if (!outParams) return 0;
    UniqueVariant returned;
    const HRESULT hr = outParams->Get(L"ReturnValue", 0, returned.get(), nullptr, nullptr);
    if (hr == static_cast<HRESULT>(WBEM_E_NOT_FOUND)) return 0;
    Check(hr);
    const WmiValue value = ToWmiValue(returned.ref());
    return value.kind == WmiValue::Kind::Integer ? value.integer : 0;
  }

 private:
  ComPtr<IWbemServices> services_;
  ComPtr<IWbemClassObject> object_;
};

class Win32WmiObjectSet final : public IWmiObjectSet {
 public:
  Win32WmiObjectSet(ComPtr<IWbemServices> services, ComPtr<IEnumWbemClassObject> objects)
      : services_(std::move(services)), objects_(std::move(objects)) {}

  std::unique_ptr<IWmiObject> Next() override {
    if (!objects_) return nullptr;
    ComPtr<IWbemClassObject> object;
    ULONG returned = 0;
    const ChildWindowGuard::ModalLoop comWait(ChildWindowGuard::Takes::Posted);
    const HRESULT hr = objects_->Next(static_cast<long>(kWmiWaitMs), 1, object.put(), &returned);
    Check(hr);
    if (hr == WBEM_S_TIMEDOUT && returned == 0) {
      objects_.reset(); // a walk that stalls once is over: no further wait on it
      throw WmiError(kWmiTimedOut);
    }
    if (hr == WBEM_S_FALSE || returned == 0 || !object) {
      objects_.reset(); // walked once
      return nullptr;
    }
    return std::make_unique<Win32WmiObject>(services_, std::move(object));
  }

 private:
  ComPtr<IWbemServices> services_;
  ComPtr<IEnumWbemClassObject> objects_;
};

class Win32WmiServices final : public IWmiServices {
 public:
  explicit Win32WmiServices(ComPtr<IWbemServices> services) : services_(std::move(services)) {}

  std::unique_ptr<IWmiObjectSet> ExecQuery(const std::u16string& query) override {
    const UniqueBstr language(u"WQL");
    const UniqueBstr text(query);
    ComPtr<IEnumWbemClassObject> objects;
    const ChildWindowGuard::ModalLoop comWait(ChildWindowGuard::Takes::Posted);
    Check(services_->ExecQuery(language.get(), text.get(), kQueryFlags, nullptr, objects.put()));
    return std::make_unique<Win32WmiObjectSet>(services_, std::move(objects));
  }

 private:
  ComPtr<IWbemServices> services_;
};

} // namespace

WmiValue ToWmiValue(const VARIANT& value) {
  const VARTYPE type = V_VT(&value);
  if (type & VT_BYREF) {
    UniqueVariant direct;
    if (FAILED(::VariantCopyInd(direct.get(), const_cast<VARIANT*>(&value)))) return WmiValue::Null();
    return ToWmiValue(direct.ref());
  }
  if (type & VT_ARRAY) return ArrayValue(value);
  if (type == VT_EMPTY || type == VT_NULL) return WmiValue::Null();
  int64_t integer = 0;
  if (IntegerOf(value, integer)) return WmiValue::Int(integer);
  if (type == VT_BSTR) return WmiValue::Str(FromBstr(V_BSTR(&value)));
  UniqueVariant text;
  if (SUCCEEDED(::VariantChangeType(text.get(), const_cast<VARIANT*>(&value), 0, VT_BSTR)))
    return WmiValue::Str(FromBstr(V_BSTR(text.get())));
  return WmiValue::Null();
}

std::u16string DescribeHresult(HRESULT hr) {
  std::u16string text;
  ComPtr<IWbemStatusCodeText> statusText;
  if (SUCCEEDED(::CoCreateInstance(kClsidWbemStatusCodeText, nullptr, CLSCTX_INPROC_SERVER,
                                   __uuidof(IWbemStatusCodeText),
                                   reinterpret_cast<void**>(statusText.put())))) {
    UniqueBstr message;
    if (SUCCEEDED(statusText->GetErrorCodeText(hr, 0, 0, message.put()))) text = FromBstr(message.get());
    TrimLineEnd(text);
  }
  if (text.empty()) {
    wchar_t* buffer = nullptr;
    const DWORD length = ::FormatMessageW(
        FORMAT_MESSAGE_ALLOCATE_BUFFER | FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr,
        static_cast<DWORD>(hr), 0, reinterpret_cast<wchar_t*>(&buffer), 0, nullptr);
    const UniqueHlocal owned(buffer);
    if (length && buffer) text = FromWide(buffer, length);
    TrimLineEnd(text);
  }
  if (text.empty()) {
    char hex[16];
    std::snprintf(hex, sizeof hex, "0x%08X", static_cast<unsigned>(hr));
    for (const char* c = hex; *c; ++c)
      text.push_back(static_cast<char16_t>(*c));
  }
  return text;
}

std::unique_ptr<IWmiObjectSet> WalkOf(IWbemServices* services, IEnumWbemClassObject& objects) {
  return std::make_unique<Win32WmiObjectSet>(Share(services), Share(&objects));
}

std::unique_ptr<IWmiServices> ConnectWith(IWbemLocator& locator, const std::u16string& nameSpace) {
  const UniqueBstr resource(nameSpace);
  ComPtr<IWbemServices> services;
  // Without the flag a WMI service that does not answer holds the caller for good; with it the
  // system gives up after at most two minutes.
  const ChildWindowGuard::ModalLoop comWait(ChildWindowGuard::Takes::Posted);
  Check(locator.ConnectServer(resource.get(), nullptr, nullptr, nullptr, WBEM_FLAG_CONNECT_USE_MAX_WAIT,
                              nullptr, nullptr, services.put()));
  // An in-process provider has no proxy to configure (E_NOINTERFACE); that is not a failure.
  const HRESULT blanket =
      ::CoSetProxyBlanket(services.get(), RPC_C_AUTHN_WINNT, RPC_C_AUTHZ_NONE, nullptr,
                          RPC_C_AUTHN_LEVEL_CALL, RPC_C_IMP_LEVEL_IMPERSONATE, nullptr, EOAC_NONE);
  if (FAILED(blanket) && blanket != E_NOINTERFACE) ThrowWmi(blanket);
  return std::make_unique<Win32WmiServices>(std::move(services));
}

std::unique_ptr<IWmiServices> Win32Wmi::Connect(const std::u16string& nameSpace) {
  ComPtr<IWbemLocator> locator;
  const HRESULT created = ::CoCreateInstance(kClsidWbemLocator, nullptr, CLSCTX_INPROC_SERVER,
                                             __uuidof(IWbemLocator), reinterpret_cast<void**>(locator.put()));
  if (FAILED(created)) {
    const std::u16string why = DescribeHresult(created);
    std::string message = "The WMI locator cannot be created: ";
    for (char16_t c : why)
      message.push_back(c < 0x80 ? static_cast<char>(c) : '?');
    throw std::runtime_error(message);
  }
  return ConnectWith(*locator.get(), nameSpace);
}

} // namespace lumivane::win32
