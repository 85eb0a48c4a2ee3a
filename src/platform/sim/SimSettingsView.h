#pragma once
// A simulated settings window: keeps what each control shows and lets a test act as the user.
#include <array>
#include <optional>

#include "platform/SettingsView.h"

namespace lumivane {

class SimSettingsView final : public ISettingsView {
 public:
  struct Shown {
    std::u16string caption, hint, text;
    bool checked = false;
    std::vector<std::u16string> items;
    int selected = -1;
    Hotkey hotkey;
    int programChanges = 0; // Set* calls from the program
  };

  void SetEvents(ISettingsViewEvents* events) override { events_ = events; }
  void SetCaption(SettingsControl control, const std::u16string& text) override;
  void SetHint(SettingsControl control, const std::u16string& text) override;
  void SetChecked(SettingsControl control, bool checked) override;
  void SetItems(SettingsControl control, const std::vector<std::u16string>& items) override;
  void SetSelected(SettingsControl control, int index) override;
  void SetText(SettingsControl control, const std::u16string& text) override;
  void SetHotkey(SettingsControl control, const Hotkey& hotkey) override;
  void SetDocument(const std::vector<DocRun>& runs, const FontSpec& font) override;
  bool PickColor(uint32_t& color) override;

  const Shown& Of(SettingsControl control) const { return shown_[static_cast<size_t>(control)]; }
  const std::vector<DocRun>& Document() const { return document_; }
  const FontSpec& DocumentFont() const { return documentFont_; }
  bool Bound() const { return events_ != nullptr; }

  // The user, acting on the window.
  void UserCheck(SettingsControl control, bool checked);
  void UserClick(SettingsControl control); // a button, or a check box toggled
  void UserSelect(SettingsControl control, int index);
  void UserType(SettingsControl control, const std::u16string& text);
  void UserHotkey(SettingsControl control, const Hotkey& hotkey);

  // The colour dialog's answer next time: a colour confirmed, or nothing for a cancel.
  void AnswerColorDialog(std::optional<uint32_t> answer) { answer_ = answer; }
  // The colour each dialog started on.
  const std::vector<uint32_t>& ColorDialogStarts() const { return dialogStarts_; }

 private:
  Shown& At(SettingsControl control) { return shown_[static_cast<size_t>(control)]; }

  ISettingsViewEvents* events_ = nullptr;
  std::array<Shown, static_cast<size_t>(SettingsControl::Count)> shown_{};
  std::vector<DocRun> document_;
  FontSpec documentFont_;
  std::optional<uint32_t> answer_;
  std::vector<uint32_t> dialogStarts_;
};

} // namespace lumivane
