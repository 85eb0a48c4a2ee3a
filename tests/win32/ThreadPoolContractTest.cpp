// RunAll of the Windows pool against the contract the simulated pool also keeps.
#include "contract/ThreadPoolContract.h"

#include "platform/win32/Win32ThreadPool.h"

namespace lumivane::contract {
namespace {

class Win32ThreadPoolBackend {
 public:
  IThreadPool& Pool() { return pool_; }

 private:
  win32::Win32ThreadPool pool_;
};

INSTANTIATE_TYPED_TEST_SUITE_P(Win32, ThreadPoolContract, Win32ThreadPoolBackend);

} // namespace
} // namespace lumivane::contract
