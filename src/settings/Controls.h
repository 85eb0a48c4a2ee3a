#pragma once
// Portable models of the settings window's controls. The window binds real controls to them;
// tests drive them directly.
//
// A model tells apart who changed it. The program's changes (loading, the language) go through
// the setters: the window is told so it can show them, and, as in the window toolkit the
// settings were designed for, a check box whose state changes runs its click handler and an
// edit or memo whose text changes runs its change handler; selecting a combo box item runs
// none. The user's changes come in through the User* calls: they run the handler and are not
// echoed back to the window, which already shows them.
#include <functional>
#include <string>
#include <vector>

#include "platform/SettingsView.h"

namespace lumivane {

class Control {
 public:
  Control(std::u16string name, SettingsControl id) : name_(std::move(name)), id_(id) {}
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  // The component name, e.g. "SyncBox".
  const std::u16string& Name() const { return name_; }
  SettingsControl Id() const { return id_; }

  const std::u16string& Caption() const { return caption_; }
  void SetCaption(const std::u16string& text);
  const std::u16string& Hint() const { return hint_; }
  void SetHint(const std::u16string& text);

  // The window, told of every change the program makes; nullptr while unbound.
  void Bind(ISettingsView* view);

 protected:
  ISettingsView* view_ = nullptr;

 private:
  std::u16string name_;
  SettingsControl id_;
  std::u16string caption_;
  std::u16string hint_;
};

using Label = Control;
using TabSheet = Control;

class Button : public Control {
 public:
  using Control::Control;
  std::function<void()> OnClick;
  void UserClick() {
    if (OnClick) OnClick();
  }
};

class CheckBox : public Control {
 public:
  using Control::Control;
  std::function<void()> OnClick;
  bool Checked() const { return checked_; }
  void SetChecked(bool checked);     // the program: runs OnClick when the state changes
  void UserSetChecked(bool checked); // the user's click
  void UserClick() { UserSetChecked(!checked_); }

 private:
  bool checked_ = false;
};

class ComboBox : public Control {
 public:
  ComboBox(std::u16string name, SettingsControl id, std::vector<std::u16string> items, int selected);
  std::function<void()> OnChange;
  const std::vector<std::u16string>& Items() const { return items_; }
  int ItemIndex() const { return index_; }
  // The selected item's text; empty when nothing is selected.
  std::u16string Text() const;
  int IndexOf(const std::u16string& text) const; // exact text; -1 when absent
  // The program selects; no handler runs. An index outside the items selects nothing.
  void SetItemIndex(int index);
  // Selects the item with exactly this text; false, and the selection kept, when there is none.
  bool Select(const std::u16string& text);
  void UserSelect(int index); // the user's choice: runs OnChange

 private:
  std::vector<std::u16string> items_;
  int index_ = -1;
};

// An edit or a memo.
class TextBox : public Control {
 public:
  TextBox(std::u16string name, SettingsControl id, std::u16string text = {});
  std::function<void()> OnChange;
  const std::u16string& Text() const { return text_; }
  void SetText(const std::u16string& text);     // the program: runs OnChange when the text changes
  void UserSetText(const std::u16string& text); // the user's typing: runs OnChange

 private:
  std::u16string text_;
};

// A hotkey box. The program's changes run no handler; the user's run OnChange.
class HotkeyBox : public Control {
 public:
  using Control::Control;
  std::function<void()> OnChange;
  const Hotkey& Value() const { return value_; }
  void SetValue(const Hotkey& hotkey);
  void UserSetValue(const Hotkey& hotkey);

 private:
  Hotkey value_;
};

// The documentation page: one markup document shown in a default font.
class DocViewer : public Control {
 public:
  using Control::Control;
  const std::u16string& Html() const { return html_; }
  const FontSpec& DefaultFont() const { return font_; }
  void SetDefaultFont(const FontSpec& font) { font_ = font; }
  void LoadHtml(const std::u16string& html);

 private:
  std::u16string html_;
  FontSpec font_;
};

// The colour dialog's state between two runs.
struct ColorDialog {
  uint32_t Color = 0;
};

} // namespace lumivane
