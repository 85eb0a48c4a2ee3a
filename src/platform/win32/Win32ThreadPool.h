#pragma once
#include "platform/Threads.h"

namespace lumivane::win32 {

// Tasks run on the system thread pool; an exception that leaves a task is logged.
class Win32ThreadPool final : public IThreadPool {
 public:
  void Run(std::function<void()> task) override;
};

} // namespace lumivane::win32
