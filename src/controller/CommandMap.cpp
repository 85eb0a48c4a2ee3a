#include <algorithm>
#include <cstdint>
#include <limits>
#include <optional>
#include <utility>
#include <vector>

#include "controller/MainForm.h"
#include "devices/DeviceTable.h"

namespace lumivane {

namespace {
// Command stamps are integers; a key that is not one is no command and is passed over.
std::optional<int64_t> StampOf(const Variant& key) {
  try {
    return key.ToInt64();
  } catch (const AssocError&) {
    return std::nullopt;
  }
}

TAssoc* CommandMap(const std::unique_ptr<TAssoc>& root) {
  if (!root || !root->IsSet(u"cmd")) return nullptr;
  return &root->Items(u"cmd");
}

// The entry with the largest stamp, or null when there is none.
const Variant* NewestKey(const TAssoc& cmd, int64_t& stamp) {
  const Variant* newest = nullptr;
  if (const TAssocTable* all = cmd.All()) {
    for (const auto& [key, child] : *all) {
      std::optional<int64_t> s = StampOf(key);
      if (s && (!newest || *s > stamp)) {
        newest = &key;
        stamp = *s;
      }
    }
  }
  return newest;
}

void MarkDone(TAssoc& cmd, const Variant& key) {
  if (cmd.IsSet(key)) cmd.Items(key).Items(u"z");
}
} // namespace

void TController::CommandPass() {
  passKeys_.clear();
  passNew_.clear();
  TAssoc* cmd = CommandMap(Root);
  if (!cmd || !cmd->All()) return;

  std::vector<std::pair<int64_t, Variant>>& keys = passStamps_;
  keys.clear();
  for (const auto& [key, child] : *cmd->All())
    if (std::optional<int64_t> s = StampOf(key)) keys.emplace_back(*s, key);
  std::sort(keys.begin(), keys.end(), [](const auto& a, const auto& b) { return a.first < b.first; });
  for (auto& [stamp, key] : keys)
    passKeys_.push_back(std::move(key));
  keys.clear();

  const int step = StepPercent < 1 ? 1 : StepPercent;
  for (const Variant& key : passKeys_) {
    // A handler run while a step waited may have changed the map since the keys were taken.
    if (!cmd->IsSet(key) || cmd->Items(key).IsSet(u"z")) continue;
    passNew_.push_back(key);
    try {
      CarryOut(*cmd, key, step);
    } catch (...) {
      // An entry that cannot be carried out would fail again on every pass: it is logged once
      // and dropped, and the entries after it still run in key order.
      LogCurrentException();
      Guarded([&] { MarkDone(*cmd, key); });
    }
  }
}

void TController::CarryOut(TAssoc& cmd, const Variant& key, int step) {
  TAssoc& entry = cmd.Items(key);
  if (entry.IsSet(u"s")) {
    if (entry.Items(u"s").Val().ToInt64() < 0)
      ValueChange(CeilToStep(Saturate(int64_t{ShownBrightness} - step), step), true);
    if (entry.Items(u"s").Val().ToInt64() > 0)
      ValueChange(FloorToStep(Saturate(int64_t{ShownBrightness} + step), step), true);
    MarkDone(cmd, key);
    NoteUserChange();
  }
  if (cmd.IsSet(key) && cmd.Items(key).IsSet(u"n")) {
    AntiGlareToggle();
    MarkDone(cmd, key);
    NoteUserChange();
  }
}

void TController::AntiGlareToggle() {
  // Only a usable device: with none, ShownBrightness is -1 and would overwrite the level
  // that the next click is meant to return to.
  TAssoc* record = ActiveRecord();
  if (!record) return;
  const int m = Saturate(RecordInt(*record, u"min", 0));
  if (ShownBrightness != m) {
    PredBrightness = ShownBrightness;
    ValueChange(m, true);
    SavePred();
  } else if (PredBrightness > m) {
    ValueChange(PredBrightness, true);
  }
}

// The command stamp is the largest key, with one exception: a largest stamp that lies ahead of
// the clock means the clock was set back. New commands then land below it, and it would stay the
// command stamp until the clock caught up, so the devices would not follow them. The newest of
// the new commands takes its place, before its "u" or "i" is carried out, so that the devices
// are compared with the stamp of the value they are to receive.
void TController::NewestEntry() {
  newest_.reset();
  TAssoc* cmd = CommandMap(Root);
  if (!cmd) return;
  int64_t stamp = 0;
  const Variant* largest = NewestKey(*cmd, stamp);
  if (!largest) return;
  Variant key = *largest;
  auto in = [](const std::vector<Variant>& list, const Variant& k) {
    return std::any_of(list.begin(), list.end(), [&](const Variant& v) { return v.SameKey(k); });
  };
  if (!passNew_.empty() && static_cast<uint64_t>(stamp) > NowUnixMs() && !in(passNew_, key) &&
      cmd->IsSet(passNew_.back())) {
    key = passNew_.back();
    stamp = StampOf(key).value_or(stamp);
  }
  newest_ = key;
  CommandStamp = static_cast<uint64_t>(stamp);

  TAssoc& entry = cmd->Items(key);
  if (entry.IsSet(u"z")) return;
  // Anything but the value of before sleep is a change the wait after a wake must give way to.
  if ((entry.IsSet(u"u") || entry.IsSet(u"i")) && static_cast<uint64_t>(stamp) != resumeStamp_)
    NoteUserChange();
  try {
    if (entry.IsSet(u"u"))
      ValueChange(Saturate(entry.Items(u"u").Val().ToInt64()), false);
    else if (entry.IsSet(u"i"))
      ValueChange(Saturate(entry.Items(u"i").Val().ToInt64()), true);
  } catch (...) {
    MarkDone(*cmd, key);
    throw;
  }
  if (cmd->IsSet(key) && !cmd->Items(key).IsSet(u"s")) MarkDone(*cmd, key);
}

// The map as the last pass left it when nothing has come since: one entry, done, and it is the
// command stamp. The pass over the map would then change nothing, and is left out.
bool TController::CommandsSettled() {
  TAssoc* cmd = CommandMap(Root);
  const TAssocTable* all = cmd ? cmd->All() : nullptr;
  if (!all || all->size() != 1) return false;
  const auto& [key, entry] = *all->begin();
  const std::optional<int64_t> stamp = StampOf(key);
  return stamp && static_cast<uint64_t>(*stamp) == CommandStamp && entry->IsSet(u"z");
}

// Done entries have no further effect, and neither has a "u" or "i" that a newer entry
// overtook; only the newest entry (the command stamp) and entries still to run must stay.
std::optional<int64_t> TController::NewestCommandStamp() {
  TAssoc* cmd = CommandMap(Root);
  int64_t stamp = 0;
  if (!cmd || !NewestKey(*cmd, stamp)) return std::nullopt;
  return stamp;
}

void TController::PruneCommands() {
  TAssoc* cmd = CommandMap(Root);
  if (!cmd) return;
  int64_t stamp = 0;
  const Variant* largest = NewestKey(*cmd, stamp);
  if (!largest) return;
  const Variant keep = newest_ && cmd->IsSet(*newest_) ? *newest_ : *largest;

  for (const Variant& key : passKeys_) {
    if (key.SameKey(keep) || !cmd->IsSet(key)) continue;
    TAssoc& entry = cmd->Items(key);
    if (entry.IsSet(u"z") || (!entry.IsSet(u"s") && !entry.IsSet(u"n"))) cmd->Remove(key);
  }
  passKeys_.clear();
  passNew_.clear();
  newest_.reset();
  if (NewestKey(*cmd, stamp)) CommandStamp = static_cast<uint64_t>(stamp);
}

} // namespace lumivane
