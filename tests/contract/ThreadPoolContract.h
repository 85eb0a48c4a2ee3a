#pragma once
// What the program relies on from "run these tasks at once and wait for all" (RunAll), run
// against every adapter of IThreadPool that runs tasks on threads. A backend B provides:
//
//   IThreadPool& Pool();
#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <set>
#include <stdexcept>
#include <string>
#include <thread>
#include <vector>

#include "platform/Threads.h"

namespace lumivane::contract {

template <typename Backend> class ThreadPoolContract : public ::testing::Test {
 protected:
  IThreadPool& Pool() { return backend_.Pool(); }
  Backend backend_;
};

TYPED_TEST_SUITE_P(ThreadPoolContract);

TYPED_TEST_P(ThreadPoolContract, RunsEveryTaskAtTheSameTimeOnThreadsOfTheirOwn) {
  constexpr size_t kTasks = 4;
  std::atomic<size_t> started{0};
  std::vector<std::thread::id> threads(kTasks);
  std::vector<char> together(kTasks, 0);
  std::vector<std::function<void()>> tasks;
  for (size_t i = 0; i < kTasks; ++i)
    tasks.push_back([&, i] {
      threads[i] = std::this_thread::get_id();
      ++started;
      // Only tasks that run at the same time all see the others start.
      const auto end = std::chrono::steady_clock::now() + std::chrono::seconds(5);
      while (started < kTasks && std::chrono::steady_clock::now() < end)
        std::this_thread::sleep_for(std::chrono::milliseconds(1));
      together[i] = started == kTasks;
    });
  this->Pool().RunAll(std::move(tasks));
  for (size_t i = 0; i < kTasks; ++i)
    EXPECT_TRUE(together[i]) << "task " << i;
  EXPECT_EQ(threads[0], std::this_thread::get_id()); // the caller takes the first task
  EXPECT_EQ(std::set<std::thread::id>(threads.begin(), threads.end()).size(), kTasks);
}

TYPED_TEST_P(ThreadPoolContract, HandsBackTheFirstTasksExceptionOnceEveryTaskHasEnded) {
  std::atomic<bool> slowEnded{false};
  std::vector<std::function<void()>> tasks;
  tasks.push_back([] {});
  tasks.push_back([&] {
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    slowEnded = true;
  });
  tasks.push_back([] { throw std::runtime_error("second"); });
  tasks.push_back([] { throw std::runtime_error("third"); });
  std::string caught;
  bool endedFirst = false;
  try {
    this->Pool().RunAll(std::move(tasks));
  } catch (const std::runtime_error& e) {
    caught = e.what();
    endedFirst = slowEnded;
  }
  EXPECT_EQ(caught, "second");
  EXPECT_TRUE(endedFirst) << "the caller went on while a task still ran";
}

TYPED_TEST_P(ThreadPoolContract, RunsALoneTaskOnTheCallingThread) {
  std::thread::id ranOn;
  std::vector<std::function<void()>> tasks{[&] { ranOn = std::this_thread::get_id(); }};
  this->Pool().RunAll(std::move(tasks));
  EXPECT_EQ(ranOn, std::this_thread::get_id());
  this->Pool().RunAll({}); // nothing to run, nothing to wait for
}

REGISTER_TYPED_TEST_SUITE_P(ThreadPoolContract, RunsEveryTaskAtTheSameTimeOnThreadsOfTheirOwn,
                            HandsBackTheFirstTasksExceptionOnceEveryTaskHasEnded,
                            RunsALoneTaskOnTheCallingThread);

} // namespace lumivane::contract
