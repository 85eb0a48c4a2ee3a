#include <cstdint>
#include <map>
#include <utility>

#include "assoc/StrUtilsEx.h"
#include "controller/MainForm.h"
#include "devices/DeviceTable.h"

namespace lumivane {

namespace {

// "number" as text converted to an integer; -1 when it does not convert.
int DeviceNumber(const TAssoc& record) {
  try {
    return Variant(RecordText(record, u"number")).ToInt32();
  } catch (const AssocError&) {
    return -1;
  }
}

} // namespace

std::map<int, std::u16string> DevicesInMenuOrder(const TAssoc& devices) {
  // A later key with the same number takes the place.
  std::map<int, std::u16string> index;
  if (const TAssocTable* all = devices.All())
    for (const auto& [key, child] : *all) {
      const int n = DeviceNumber(*child);
      if (n != -1) index[n] = key.Text();
    }
  return index;
}

std::u16string TController::MenuText(const std::u16string& langKey) const {
  std::u16string text;
  if (Root)
    if (const TAssoc* lang = FindChild(*Root, Variant(u"lang")))
      if (const TAssoc* entry = FindChild(*lang, Variant(langKey))) text = entry->Val().Text();
  return text;
}

void TController::AddMenuItem(const std::u16string& langKey, std::function<void(int tag)> onClick) {
  TrayMenuItem entry;
  entry.item.caption = MenuText(langKey);
  entry.item.id = static_cast<int>(PopupMenu1.size()) + 1;
  entry.OnClick = std::move(onClick);
  PopupMenu1.push_back(std::move(entry));
}

void TController::BuildMenu() {
  if (RunState <= 0 || !Root) return;
  OtherActiveCount = 0;
  MenuAttached = false;
  PopupMenu1.clear();

  TAssoc* devices = DeviceTable();
  if (!devices || devices->Count() == 0) {
    platform_.tray->ShowApplicationIcon();
    return;
  }

  const std::map<int, std::u16string> index = DevicesInMenuOrder(*devices);
  auto isActive = [&](const std::u16string& key) {
    const TAssoc* record = FindChild(*devices, Variant(key));
    return record && RecordFlag(*record, u"active");
  };

  if (!PendingDevice.empty()) {
    for (const auto& [n, key] : index) {
      if (key == PendingDevice && isActive(key)) {
        ActiveDevice = key;
        SaveActMon();
        break;
      }
    }
    PendingDevice.clear();
  }

  for (const auto& [n, key] : index) {
    const TAssoc& record = *FindChild(*devices, Variant(key));
    const bool active = RecordFlag(record, u"active");
    if (ActiveDevice.empty() && active) {
      ActiveDevice = key;
      SaveActMon();
    }
    TrayMenuItem entry;
    entry.item.caption = DecimalText(n) + u". " + DeviceCaption(record);
    entry.item.id = static_cast<int>(PopupMenu1.size()) + 1;
    entry.item.checked = key == ActiveDevice && active;
    entry.item.enabled = active;
    entry.item.visible = active || !Form.HideBox.Checked();
    entry.Tag = n;
    entry.OnClick = [this](int tag) { SetActiveMonFromMenu(tag); };
    PopupMenu1.push_back(std::move(entry));
  }

  for (const auto& [n, key] : index)
    if (isActive(key) && !ActiveDevice.empty() && key != ActiveDevice) ++OtherActiveCount;

  Guarded([&] { Rend(); });
  // A record whose brightness cannot be read must not cost the menu: its commands are the
  // only way to reach settings and exit from the tray.
  Guarded([&] { ShowActiveInIcon(*devices); });

  AddMenuItem(u"panel", [this](int) { OpenPanel(); });
  TrayMenuItem separator;
  separator.item.caption = u"-";
  separator.item.id = static_cast<int>(PopupMenu1.size()) + 1;
  PopupMenu1.push_back(std::move(separator));
  AddMenuItem(u"settings", [this](int) { Settinger(); });
  AddMenuItem(u"restart", [this](int) { Restart(); });
  AddMenuItem(u"exit", [this](int) { Exiter(); });

  platform_.tray->Refresh();
  MenuAttached = true;
}

std::u16string TController::DeviceCaption(const TAssoc& record) const {
  std::u16string caption = MenuText(RecordFlag(record, u"internal") ? u"display" : u"monitor");
  const std::u16string name = TrimBlanks(RecordText(record, u"name"));
  if (!name.empty()) caption += u" " + name;
  if (Form.DetectResBox.Checked())
    caption += u" (" + RecordText(record, u"width") + u"x" + RecordText(record, u"height") + u"@" +
               RecordText(record, u"hz") + u"Hz)";
  return caption;
}

void TController::ShowActiveInIcon(TAssoc& devices) {
  if (ActiveDevice.empty()) {
    platform_.tray->ShowApplicationIcon();
    return;
  }
  const TAssoc* found = FindChild(devices, Variant(ActiveDevice));
  if (!found) return; // not in the table: the icon stays as it is
  if (!RecordFlag(*found, u"active")) {
    platform_.tray->ShowApplicationIcon();
    return;
  }
  const TAssoc* brightness = FindChild(*found, Variant(u"brightness"));
  const Variant value = brightness ? brightness->Val() : Variant();
  const int shown = value.ToInt32();
  // An entry of its own: one already under this millisecond may hold a notch or a click still
  // to be carried out, which marking it done would lose.
  TAssoc& entry = Root->Items(u"cmd").Items(Variant(FreshStamp()));
  entry.Items(u"u") = value;
  ValueChange(shown, false);
  entry.Add(u"z");
}

void TController::SetActiveMonFromMenu(int tag) {
  TAssoc* devices = DeviceTable();
  if (!devices || devices->Count() == 0) return;
  for (const auto& [key, child] : *devices->All()) {
    if (DeviceNumber(*child) == tag && tag != -1) {
      PendingDevice = key.Text();
      return;
    }
  }
}

void TController::Settinger() {
  if (RunState > 0) platform_.host->ShowMainWindow();
}

void TController::OpenMenu() {
  if (!MenuAttached || menuOpen_) return;
  Point where = lastTrayPoint_;
  platform_.mouseHook->CursorPos(where);

  // The popup runs a modal loop in which timer passes rebuild the menu or free the state:
  // it gets copies, and the choice is looked up in the copy afterwards.
  const std::vector<TrayMenuItem> shown = PopupMenu1;
  std::vector<MenuItem> items;
  items.reserve(shown.size());
  for (const TrayMenuItem& entry : shown)
    items.push_back(entry.item);
  int id = IPopupMenu::kNoChoice;
  {
    // A second request while the menu is open (the modal loop dispatches it) opens nothing.
    struct OpenFlag {
      bool& flag;
      explicit OpenFlag(bool& f) : flag(f) { flag = true; }
      ~OpenFlag() { flag = false; }
    } open(menuOpen_);
    id = platform_.popup->Popup(items, where);
  }
  if (id < 1 || static_cast<size_t>(id) > shown.size()) return;
  const TrayMenuItem& chosen = shown[static_cast<size_t>(id) - 1];
  if (!chosen.item.visible || !chosen.item.enabled || !chosen.OnClick) return;
  chosen.OnClick(chosen.Tag);
}

} // namespace lumivane
