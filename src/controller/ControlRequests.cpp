#include <map>
#include <optional>
#include <string>

#include "assoc/JsonText.h"
#include "assoc/StrUtilsEx.h"
#include "controller/MainForm.h"
#include "devices/DeviceTable.h"
#include "text/Utf.h"

namespace lumivane {

namespace {

int NumberOf(const TAssoc& record) {
  try {
    return Variant(RecordText(record, u"number")).ToInt32();
  } catch (const AssocError&) {
    return -1;
  }
}

std::string Quoted(const std::u16string& text) {
  std::u16string out;
  json::AppendQuoted(out, text);
  return ToUtf8(out);
}

std::string BrightnessText(int value, const char* unknown) {
  return value < 0 ? unknown : std::to_string(value);
}

} // namespace

std::u16string TController::RequestedDevice(const ControlRequest& r) const {
  const TAssoc* devices = DeviceTable();
  if (!devices || !devices->All()) return {};
  if (!r.display) return ActiveRecord() ? ActiveDevice : std::u16string();
  // As the menu: a later key with the same number takes the place.
  std::u16string found;
  for (const auto& [key, child] : *devices->All())
    if (NumberOf(*child) == *r.display) found = key.Text();
  if (found.empty() || !RecordFlag(*FindChild(*devices, Variant(found)), u"active")) return {};
  return found;
}

int TController::ReportedBrightness(const std::u16string& key, const TAssoc& record) const {
  if (!RecordFlag(record, u"active")) return -1;
  // The display the wheel turns shows the value the program holds for it, as the icon does.
  if (key == ActiveDevice && ShownBrightness >= 0) return ShownBrightness;
  const TAssoc* brightness = FindChild(record, Variant(u"brightness"));
  if (!brightness) return -1;
  try {
    const int64_t v = brightness->Val().ToInt64();
    return v >= 0 && v <= 100 ? static_cast<int>(v) : -1;
  } catch (const AssocError&) {
    return -1;
  }
}

TController::Answer TController::AnswerList(const ControlRequest& r) {
  std::string out;
  const TAssoc* devices = DeviceTable();
  if (devices && devices->All()) {
    std::map<int, std::u16string> index; // menu order
    for (const auto& [key, child] : *devices->All()) {
      const int n = NumberOf(*child);
      if (n != -1) index[n] = key.Text();
    }
    for (const auto& [n, key] : index) {
      const TAssoc& record = *FindChild(*devices, Variant(key));
      const bool active = RecordFlag(record, u"active");
      const bool wheel = active && key == ActiveDevice;
      const int brightness = ReportedBrightness(key, record);
      const std::string caption = ToUtf8(DeviceCaption(record));
      if (r.json)
        out += "{\"number\":" + std::to_string(n) + ",\"brightness\":" + BrightnessText(brightness, "null") +
               ",\"active\":" + (active ? "true" : "false") + ",\"wheel\":" + (wheel ? "true" : "false") +
               ",\"caption\":" + Quoted(DeviceCaption(record)) + "}\n";
      else
        out += std::to_string(n) + "\t" + BrightnessText(brightness, "-") + "\t" +
               (active ? "active" : "inactive") + "\t" + (wheel ? "*" : "-") + "\t" + caption + "\n";
    }
  }
  return {ControlStatus::Done, out};
}

TController::Answer TController::AnswerGet(const ControlRequest& r) {
  const std::u16string key = RequestedDevice(r);
  if (key.empty()) return {ControlStatus::NoSuchDisplay, "no such display, or it is not active"};
  const TAssoc& record = *FindChild(*DeviceTable(), Variant(key));
  const int brightness = ReportedBrightness(key, record);
  if (brightness < 0) return {ControlStatus::DeviceFailed, "the brightness of this display is not known"};
  if (r.json)
    return {ControlStatus::Done, "{\"number\":" + std::to_string(NumberOf(record)) +
                                     ",\"brightness\":" + std::to_string(brightness) + "}\n"};
  return {ControlStatus::Done, std::to_string(brightness) + "\n"};
}

TController::Answer TController::AnswerSet(uint64_t client, const ControlRequest& r) {
  const std::u16string key = RequestedDevice(r);
  if (key.empty()) return {ControlStatus::NoSuchDisplay, "no such display, or it is not active"};
  int target = r.value;
  if (r.relative) {
    const int base = ReportedBrightness(key, *FindChild(*DeviceTable(), Variant(key)));
    if (base < 0) return {ControlStatus::DeviceFailed, "the brightness of this display is not known"};
    target = base + r.value;
  }
  // Every write goes through the command map, which drives the display the wheel turns: another
  // display becomes that one first, as the panel's rows do.
  if (key != ActiveDevice) MakeActiveNow(key);
  target = target < 0 ? 0 : target > 100 ? 100 : target;
  // As a value from the settings: the limits and the panel's levels apply when the pass
  // carries it out, and synchronisation follows.
  const uint64_t stamp = WriteFreshCommand(u"i", target);
  NoteUserChange();
  platform_.host->RequestPass();
  if (r.wait) {
    const TAssoc& record = *FindChild(*DeviceTable(), Variant(key));
    setWaits_.push_back({client, key, stamp, RecordInt(record, u"errors", 0), NowUnixMs()});
    return {ControlStatus::Done, std::string()}; // answered by SetWaitSteps
  }
  return {ControlStatus::Done, std::string()};
}

TController::Answer TController::AnswerGlare(const ControlRequest&) {
  if (!ActiveRecord()) return {ControlStatus::NoSuchDisplay, "no active display"};
  TrayIcon1Click();
  platform_.host->RequestPass();
  return {ControlStatus::Done, std::string()};
}

TController::Answer TController::AnswerSelect(const ControlRequest& r) {
  if (RequestedDevice(r).empty())
    return {ControlStatus::NoSuchDisplay, "no such display, or it is not active"};
  SetActiveMonFromMenu(*r.display);
  platform_.host->RequestPass();
  return {ControlStatus::Done, std::string()};
}

TController::Answer TController::AnswerPanel(const ControlRequest&) {
  OpenPanel();
  return {ControlStatus::Done, std::string()};
}

void TController::ControlRequested(uint64_t client, const ControlRequest& request) {
  ICommandChannel& channel = *platform_.commands;
  if (!HandlersLive()) {
    channel.Reply(client, ControlReply(ControlStatus::NotRunning, "Lumivane is closing"));
    return;
  }
  // A new command is one row here.
  using Verb = ControlRequest::Verb;
  const struct {
    Verb verb;
    Answer (TController::*answer)(const ControlRequest&);
  } answers[] = {{Verb::List, &TController::AnswerList},
                 {Verb::Get, &TController::AnswerGet},
                 {Verb::Glare, &TController::AnswerGlare},
                 {Verb::Select, &TController::AnswerSelect},
                 {Verb::Panel, &TController::AnswerPanel}};
  Answer answer{ControlStatus::BadUsage, "unknown command"};
  const size_t waiting = setWaits_.size();
  try {
    if (request.verb == Verb::Set)
      answer = AnswerSet(client, request);
    else
      for (const auto& row : answers)
        if (row.verb == request.verb) answer = (this->*row.answer)(request);
  } catch (...) {
    LogCurrentException();
    answer = {ControlStatus::DeviceFailed, "the request failed"};
  }
  if (setWaits_.size() > waiting) return; // the wait answers
  channel.Reply(client, ControlReply(answer.first, answer.second));
}

void TController::SetWaitSteps() {
  if (setWaits_.empty()) return;
  const TAssoc* devices = DeviceTable();
  std::vector<SetWait> still;
  for (const SetWait& w : setWaits_) {
    const TAssoc* record = devices ? FindChild(*devices, Variant(w.device)) : nullptr;
    std::optional<Answer> answer;
    if (!record || !RecordFlag(*record, u"active"))
      answer = Answer{ControlStatus::DeviceFailed, "the display went away"};
    else if (RecordUInt(*record, u"counter") >= w.stamp)
      answer = Answer{ControlStatus::Done, std::string()};
    else if (RecordInt(*record, u"errors", 0) > w.errors)
      answer = Answer{ControlStatus::DeviceFailed, "the display did not take the value"};
    else if (Elapsed(w.since, kSetWaitMs))
      answer = Answer{ControlStatus::DeviceFailed, "the display did not take the value in time"};
    if (answer)
      platform_.commands->Reply(w.client, ControlReply(answer->first, answer->second));
    else
      still.push_back(w);
  }
  setWaits_.swap(still);
}

void TController::OpenCommandChannel() {
  channelOpen_ = platform_.commands->Open(
      [this](uint64_t client, const ControlRequest& request) { ControlRequested(client, request); });
  if (!channelOpen_) LogLine(u"The command-line channel could not be opened.");
}

void TController::CloseCommandChannel() {
  for (const SetWait& w : setWaits_)
    platform_.commands->Reply(w.client, ControlReply(ControlStatus::NotRunning, "Lumivane is closing"));
  setWaits_.clear();
  if (channelOpen_) platform_.commands->Close();
  channelOpen_ = false;
}

} // namespace lumivane
