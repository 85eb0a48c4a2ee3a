// The tray contract against the simulated notification area: once as Windows answers for the
// icon's rectangle, once as Wine does.
#include "contract/TrayContract.h"

#include <limits>

#include "platform/sim/SimIconPainter.h"
#include "platform/sim/SimTray.h"

namespace lumivane::contract {
namespace {

template <bool kIconRectImplemented> class SimTrayBackend {
 public:
  ~SimTrayBackend() { EXPECT_EQ(painter_.BadDestroys(), 0) << "an icon destroyed twice or never made"; }

  std::unique_ptr<ITray> MakeTray() {
    auto tray = std::make_unique<SimTray>(painter_);
    if (!kIconRectImplemented) tray->SetIconRect(ITray::RectResult::NotImplemented);
    tray_ = tray.get();
    return tray;
  }
  IIconPainter& Painter() { return painter_; }
  bool IconAlive(IconHandle icon) const { return painter_.Find(icon) != nullptr; }
  bool InShell() const { return tray_->InShell(); }
  void RestartShell() { tray_->RestartShell(); }
  void RefuseChanges(bool refuse) { tray_->FailSetIcon(refuse ? std::numeric_limits<int>::max() : 0); }
  bool IconRectImplemented() const { return kIconRectImplemented; }
  Size SmallIconSize() const { return {16, 16}; }

 private:
  SimIconPainter painter_;
  SimTray* tray_ = nullptr;
};

using Backends = ::testing::Types<SimTrayBackend<true>, SimTrayBackend<false>>;
INSTANTIATE_TYPED_TEST_SUITE_P(Sim, TrayContract, Backends);

} // namespace
} // namespace lumivane::contract
