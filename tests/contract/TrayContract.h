#pragma once
// What the program relies on from the notification-area icon, run against every adapter of
// ITray with the icon painter of the same platform. A backend B is a fixture trait that
// provides:
//
//   std::unique_ptr<ITray> MakeTray(); // a new tray for a window of its own
//   IIconPainter& Painter();           // where icons come from and go back to
//   bool IconAlive(IconHandle icon);   // not yet destroyed
//   bool InShell();                    // the notification area holds the tray's icon
//   void RestartShell();               // a new notification area, empty until told
//   void RefuseChanges(bool refuse);   // the shell refuses changes to the icon from now on
//   bool IconRectImplemented();        // whether this shell tells the icon's rectangle
//   Size SmallIconSize();              // the rectangle's size where it does
#include <gtest/gtest.h>

#include <memory>
#include <vector>

#include "platform/IconPainter.h"
#include "platform/Tray.h"

namespace lumivane::contract {

template <typename Backend> class TrayContract : public ::testing::Test {
 protected:
  // A fresh text icon the caller owns, painted as the controller paints the digits.
  IconHandle NewIcon() {
    IIconPainter& painter = backend_.Painter();
    const Pixels image = painter.PaintText({16, 16}, MakeColor(0, 0, 0), u"42", FontSpec{u"Tahoma", 14},
                                           MakeColor(255, 255, 255));
    std::vector<bool> mask(image.data.size());
    for (size_t i = 0; i < mask.size(); ++i)
      mask[i] = image.data[i] == MakeColor(0, 0, 0);
    const IconHandle icon = painter.CreateIcon(image, mask);
    EXPECT_NE(icon, 0u) << "the painter made no icon";
    return icon;
  }
  bool Alive(IconHandle icon) { return backend_.IconAlive(icon); }

  Backend backend_;
  std::unique_ptr<ITray> tray_ = backend_.MakeTray();
};

TYPED_TEST_SUITE_P(TrayContract);

TYPED_TEST_P(TrayContract, IsHiddenUntilShownAndTheShellHoldsItOnlyWhileVisible) {
  ITray& tray = *this->tray_;
  EXPECT_FALSE(tray.IsVisible());
  EXPECT_FALSE(this->backend_.InShell());
  EXPECT_FALSE(tray.Refresh()) << "nothing to refresh while hidden";

  tray.SetVisible(true);
  EXPECT_TRUE(tray.IsVisible());
  EXPECT_TRUE(this->backend_.InShell());
  EXPECT_TRUE(tray.Refresh());
  tray.SetVisible(true); // asking twice changes nothing
  EXPECT_TRUE(tray.IsVisible());
  EXPECT_TRUE(tray.Refresh());

  tray.SetVisible(false);
  EXPECT_FALSE(tray.IsVisible());
  EXPECT_FALSE(this->backend_.InShell());
  EXPECT_FALSE(tray.Refresh());
}

// The tray owns the image it shows: it destroys the one it replaces, the one it drops for the
// application icon and the one it holds when it goes; the caller destroys none of them.
TYPED_TEST_P(TrayContract, SetIconTakesTheIconAndDestroysTheOneItReplaces) {
  ITray& tray = *this->tray_;
  const IconHandle hidden = this->NewIcon();
  ASSERT_TRUE(tray.SetIcon(hidden, u"42")); // before being shown: kept for the add
  EXPECT_TRUE(this->Alive(hidden));

  tray.SetVisible(true);
  ASSERT_TRUE(this->backend_.InShell());
  const IconHandle shown = this->NewIcon();
  ASSERT_TRUE(tray.SetIcon(shown, u"43"));
  EXPECT_TRUE(this->Alive(shown));
  EXPECT_FALSE(this->Alive(hidden)) << "the replaced icon is destroyed";

  tray.ShowApplicationIcon();
  EXPECT_FALSE(this->Alive(shown)) << "the application icon releases the text icon";
  EXPECT_TRUE(this->backend_.InShell());

  EXPECT_FALSE(tray.SetIcon(0, u"44")) << "no icon is no image";
  const IconHandle last = this->NewIcon();
  ASSERT_TRUE(tray.SetIcon(last, u"45"));
  this->tray_.reset();
  EXPECT_FALSE(this->Alive(last)) << "the tray destroys its image when it goes";
}

// While shown the shell must take a change; when it refuses, the icon stays with the caller and
// the shown image stays. While hidden the shell is not asked.
TYPED_TEST_P(TrayContract, ARefusedChangeLeavesTheIconWithTheCaller) {
  ITray& tray = *this->tray_;
  tray.SetVisible(true);
  const IconHandle shown = this->NewIcon();
  ASSERT_TRUE(tray.SetIcon(shown, u"50"));

  this->backend_.RefuseChanges(true);
  const IconHandle refused = this->NewIcon();
  EXPECT_FALSE(tray.SetIcon(refused, u"45"));
  EXPECT_TRUE(this->Alive(shown)) << "the shown image stays";
  EXPECT_TRUE(this->Alive(refused)) << "not taken: the caller still owns it";
  this->backend_.Painter().DestroyIcon(refused);

  this->backend_.RefuseChanges(false);
  tray.SetVisible(false);
  this->backend_.RefuseChanges(true);
  const IconHandle hidden = this->NewIcon();
  EXPECT_TRUE(tray.SetIcon(hidden, u"40"));
  EXPECT_FALSE(this->Alive(shown));
  EXPECT_TRUE(this->Alive(hidden));
  this->backend_.RefuseChanges(false);
}

TYPED_TEST_P(TrayContract, ANewNotificationAreaGetsTheIconOnlyWhenItIsVisible) {
  ITray& tray = *this->tray_;
  this->backend_.RestartShell();
  tray.OnTaskbarCreated();
  EXPECT_FALSE(tray.IsVisible());
  EXPECT_FALSE(this->backend_.InShell()) << "a hidden icon stays out";

  const IconHandle icon = this->NewIcon();
  ASSERT_TRUE(tray.SetIcon(icon, u"42"));
  tray.SetVisible(true);
  this->backend_.RestartShell();
  ASSERT_FALSE(this->backend_.InShell());
  tray.OnTaskbarCreated();
  EXPECT_TRUE(this->backend_.InShell()) << "a visible icon is added again";
  EXPECT_TRUE(tray.IsVisible());
  EXPECT_TRUE(this->Alive(icon)) << "with the image it had";
  EXPECT_TRUE(tray.Refresh());
}

// Wine's shell answers E_NOTIMPL whether or not the icon is there; Windows knows the rectangle
// of an icon it holds, one small icon in size, and fails for one it does not hold. Only an
// answered rectangle changes the caller's.
TYPED_TEST_P(TrayContract, IconRectTellsAShellWithoutItApartFromAFailure) {
  struct Case {
    const char* what;
    void (*prepare)(ITray& tray, TypeParam& backend);
    bool held; // the notification area holds the icon
  };
  const Case cases[] = {
      {"never shown", [](ITray&, TypeParam&) {}, false},
      {"shown", [](ITray& tray, TypeParam&) { tray.SetVisible(true); }, true},
      {"hidden again",
       [](ITray& tray, TypeParam&) {
         tray.SetVisible(true);
         tray.SetVisible(false);
       },
       false},
      {"shown, then a new notification area not yet told",
       [](ITray& tray, TypeParam& backend) {
         tray.SetVisible(true);
         backend.RestartShell();
       },
       false},
      {"shown again in a new notification area",
       [](ITray& tray, TypeParam& backend) {
         tray.SetVisible(true);
         backend.RestartShell();
         tray.OnTaskbarCreated();
       },
       true},
  };
  const bool implemented = this->backend_.IconRectImplemented();
  for (const Case& k : cases) {
    SCOPED_TRACE(k.what);
    this->tray_.reset(); // one icon per window at a time
    this->tray_ = this->backend_.MakeTray();
    ITray& tray = *this->tray_;
    k.prepare(tray, this->backend_);
    ASSERT_EQ(this->backend_.InShell(), k.held);

    const Rect untouched{1, 2, 3, 4};
    Rect rect = untouched;
    const ITray::RectResult result = tray.IconRect(rect);
    if (!implemented) {
      EXPECT_EQ(result, ITray::RectResult::NotImplemented);
      EXPECT_EQ(rect, untouched);
    } else if (k.held) {
      ASSERT_EQ(result, ITray::RectResult::Ok);
      EXPECT_EQ((Size{rect.width, rect.height}), this->backend_.SmallIconSize());
    } else {
      EXPECT_EQ(result, ITray::RectResult::Failed);
      EXPECT_EQ(rect, untouched);
    }
  }
}

REGISTER_TYPED_TEST_SUITE_P(TrayContract, IsHiddenUntilShownAndTheShellHoldsItOnlyWhileVisible,
                            SetIconTakesTheIconAndDestroysTheOneItReplaces,
                            ARefusedChangeLeavesTheIconWithTheCaller,
                            ANewNotificationAreaGetsTheIconOnlyWhenItIsVisible,
                            IconRectTellsAShellWithoutItApartFromAFailure);

} // namespace lumivane::contract
