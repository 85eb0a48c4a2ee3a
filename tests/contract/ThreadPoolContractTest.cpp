// RunAll of the simulated pool: the contract with real threads, and the one-after-the-other run
// that manual mode and the serial switch give.
#include "contract/ThreadPoolContract.h"

#include "platform/sim/SimThreads.h"

namespace lumivane::contract {
namespace {

class SimThreadPoolBackend {
 public:
  IThreadPool& Pool() { return pool_; }

 private:
  SimThreadPool pool_{SimThreadPool::Mode::Threads};
};

INSTANTIATE_TYPED_TEST_SUITE_P(Sim, ThreadPoolContract, SimThreadPoolBackend);

TEST(SimThreadPoolRunAll, ManualAndSerialRunTheTasksInTurnOnTheCallingThread) {
  SimThreadPool manual(SimThreadPool::Mode::Manual), serial(SimThreadPool::Mode::Threads);
  serial.SetSerial(true);
  for (SimThreadPool* pool : {&manual, &serial}) {
    std::vector<int> order;
    std::vector<std::thread::id> threads;
    std::vector<std::function<void()>> tasks;
    for (int i = 0; i < 3; ++i)
      tasks.push_back([&, i] {
        order.push_back(i);
        threads.push_back(std::this_thread::get_id());
        if (i == 1) throw std::runtime_error("middle");
      });
    EXPECT_THROW(pool->RunAll(std::move(tasks)), std::runtime_error);
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2})); // a task that throws stops none of the others
    for (const auto& id : threads)
      EXPECT_EQ(id, std::this_thread::get_id());
    EXPECT_EQ(pool->Pending(), 0u); // not left for the test to step
  }
}

} // namespace
} // namespace lumivane::contract
