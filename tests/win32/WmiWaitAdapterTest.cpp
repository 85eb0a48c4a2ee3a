// The WMI adapter's waits are bounded: a walk waits for each object at most kWmiWaitMs and ends
// with a WmiError when none comes, and the connection asks for the system's bounded wait. Wine's
// WMI always answers at once, so stand-in COM objects play the one that does not.
#include <windows.h>

#include <gtest/gtest.h>
#include <wbemcli.h>

#include <vector>

#include "platform/win32/Win32Wmi.h"

namespace lumivane::win32 {
namespace {

// Reference counting for a stand-in that lives on the test's stack.
template <typename Interface> class StandIn : public Interface {
 public:
  HRESULT STDMETHODCALLTYPE QueryInterface(REFIID iid, void** out) override {
    if (iid == __uuidof(IUnknown) || iid == __uuidof(Interface)) {
      *out = static_cast<Interface*>(this);
      AddRef();
      return S_OK;
    }
    *out = nullptr;
    return E_NOINTERFACE;
  }
  ULONG STDMETHODCALLTYPE AddRef() override { return static_cast<ULONG>(++refs); }
  ULONG STDMETHODCALLTYPE Release() override { return static_cast<ULONG>(--refs); }
  long refs = 1;
};

// An enumerator whose Next answers as scripted: WBEM_S_TIMEDOUT (no object in time) or
// WBEM_S_FALSE (the end).
class ScriptedObjects final : public StandIn<IEnumWbemClassObject> {
 public:
  explicit ScriptedObjects(HRESULT answer) : answer_(answer) {}
  HRESULT STDMETHODCALLTYPE Reset() override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE Next(long timeout, ULONG count, IWbemClassObject** objects,
                                 ULONG* returned) override {
    ++calls;
    timeouts.push_back(timeout);
    for (ULONG i = 0; i < count; ++i)
      objects[i] = nullptr;
    *returned = 0;
    return answer_;
  }
  HRESULT STDMETHODCALLTYPE NextAsync(ULONG, IWbemObjectSink*) override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE Clone(IEnumWbemClassObject**) override { return WBEM_E_NOT_SUPPORTED; }
  HRESULT STDMETHODCALLTYPE Skip(long, ULONG) override { return WBEM_E_NOT_SUPPORTED; }

  int calls = 0;
  std::vector<long> timeouts;

 private:
  HRESULT answer_;
};

// A locator that records how it was asked to connect and refuses.
class RefusingLocator final : public StandIn<IWbemLocator> {
 public:
  HRESULT STDMETHODCALLTYPE ConnectServer(const BSTR, const BSTR, const BSTR, const BSTR, long securityFlags,
                                          const BSTR, IWbemContext*, IWbemServices** services) override {
    flags = securityFlags;
    ++calls;
    *services = nullptr;
    return WBEM_E_TRANSPORT_FAILURE;
  }
  long flags = -1;
  int calls = 0;
};

TEST(WmiWaitTest, AWalkWhoseNextObjectDoesNotComeInTimeEndsWithAWmiError) {
  ScriptedObjects silent(WBEM_S_TIMEDOUT);
  {
    auto walk = WalkOf(nullptr, silent);
    try {
      walk->Next();
      ADD_FAILURE() << "no WmiError";
    } catch (const WmiError& e) {
      EXPECT_EQ(e.Description(), kWmiTimedOut);
    }
    EXPECT_EQ(walk->Next(), nullptr) << "the walk is over: no second wait";
  }
  ASSERT_EQ(silent.timeouts.size(), 1u);
  EXPECT_EQ(silent.timeouts[0], static_cast<long>(kWmiWaitMs));
  EXPECT_NE(silent.timeouts[0], static_cast<long>(WBEM_INFINITE));
  EXPECT_EQ(silent.refs, 1) << "the walk let go of the enumerator";
}

TEST(WmiWaitTest, TheEndOfAWalkIsNoError) {
  ScriptedObjects done(WBEM_S_FALSE);
  auto walk = WalkOf(nullptr, done);
  EXPECT_EQ(walk->Next(), nullptr);
  EXPECT_EQ(walk->Next(), nullptr);
  EXPECT_EQ(done.calls, 1);
  ASSERT_EQ(done.timeouts.size(), 1u);
  EXPECT_EQ(done.timeouts[0], static_cast<long>(kWmiWaitMs));
}

TEST(WmiWaitTest, TheConnectionAsksForTheBoundedWait) {
  RefusingLocator locator;
  EXPECT_THROW(ConnectWith(locator, u"root\\WMI"), WmiError);
  EXPECT_EQ(locator.calls, 1);
  EXPECT_EQ(locator.flags & WBEM_FLAG_CONNECT_USE_MAX_WAIT, WBEM_FLAG_CONNECT_USE_MAX_WAIT);
}

} // namespace
} // namespace lumivane::win32
