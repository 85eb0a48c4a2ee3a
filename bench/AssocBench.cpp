// The device table's hand-over to the worker (JSONDump on the main thread, JSONParse on the
// worker) and the record look-ups every timer pass makes.
#include <benchmark/benchmark.h>

#include <string>
#include <vector>

#include "assoc/AssocArrays.h"
#include "assoc/Sha1.h"

namespace {

using lumivane::FromUtf8;
using lumivane::Sha1Hex;
using lumivane::TAssoc;
using lumivane::Variant;

constexpr int kRecords = 16;

std::vector<Variant> Uids() {
  std::vector<Variant> uids;
  for (int i = 0; i < kRecords; ++i)
    uids.emplace_back(FromUtf8(Sha1Hex("DISPLAY\\DEL" + std::to_string(4000 + i) + "\\5&2c3f0b4e&0&UID" +
                                       std::to_string(4353 + i))));
  return uids;
}

// Records as discovery writes them: numbers and truth values as text, levels as integer keys.
void FillDeviceTable(TAssoc& devices, const std::vector<Variant>& uids) {
  for (int i = 0; i < kRecords; ++i) {
    TAssoc& r = devices[uids[i]];
    r[u"pnp"] =
        FromUtf8("DISPLAY\\DEL" + std::to_string(4000 + i) + "\\5&2c3f0b4e&0&UID" + std::to_string(4353 + i));
    r[u"number"] = Variant(std::u16string(Variant(i).Text()));
    r[u"name"] = i == 0 ? u"Встроенный экран" : u"DELL U2719D";
    r[u"errors"] = u"0";
    r[u"counter"] = u"1765321200123";
    r[u"monid"] = FromUtf8("\\\\.\\DISPLAY" + std::to_string(i + 1) + "\\Monitor0");
    r[u"internal"] = i == 0 ? u"true" : u"false";
    r[u"active"] = u"true";
    r[u"brightness"] = u"70";
    r[u"min"] = u"0";
    r[u"max"] = u"100";
    r[u"levels"] = u"11";
    for (int level = 0; level <= 100; level += 10)
      r[u"level"][Variant::Narrow(level)];
    r[u"min_orig"] = u"0";
    r[u"max_orig"] = u"100";
    r[u"width"] = u"2560";
    r[u"height"] = u"1440";
    r[u"hz"] = u"60";
    r[u"vcp"] = u"02 04 05 08 10 12 14(05 08 0B) 16 18 1A 52 60(0F 11 12) AC AE B2 B6 C6 C8 C9 D6(01 04) DF";
  }
}

void BM_JSONDump(benchmark::State& state) {
  TAssoc devices;
  FillDeviceTable(devices, Uids());
  size_t bytes = 0;
  for (auto _ : state) {
    std::u16string text = devices.JSONDump();
    bytes = text.size() * sizeof(char16_t);
    benchmark::DoNotOptimize(text);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}
BENCHMARK(BM_JSONDump);

void BM_JSONParse(benchmark::State& state) {
  TAssoc devices;
  FillDeviceTable(devices, Uids());
  const std::u16string text = devices.JSONDump();
  for (auto _ : state) {
    TAssoc copy;
    benchmark::DoNotOptimize(copy.JSONParse(text));
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * text.size() * sizeof(char16_t)));
}
BENCHMARK(BM_JSONParse);

// One record's identity and brightness read the way supervision reads them.
void BM_RecordLookup(benchmark::State& state) {
  TAssoc devices;
  const auto uids = Uids();
  FillDeviceTable(devices, uids);
  size_t i = 0;
  for (auto _ : state) {
    TAssoc& record = devices[uids[i++ % kRecords]];
    benchmark::DoNotOptimize(record[u"brightness"].Val().ToInt64());
  }
}
BENCHMARK(BM_RecordLookup);

// The worker's check whether a level exists, with an integer against text keys read from JSON.
void BM_LevelLookupAfterParse(benchmark::State& state) {
  TAssoc devices;
  const auto uids = Uids();
  FillDeviceTable(devices, uids);
  TAssoc copy;
  copy.JSONParse(devices.JSONDump());
  TAssoc& levels = copy[uids[3]][u"level"];
  int level = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(levels.IsSet(Variant::Narrow(level)));
    level = (level + 10) % 110;
  }
}
BENCHMARK(BM_LevelLookupAfterParse);

void BM_Dump(benchmark::State& state) {
  TAssoc devices;
  FillDeviceTable(devices, Uids());
  for (auto _ : state)
    benchmark::DoNotOptimize(devices.Dump(false, u"", false));
}
BENCHMARK(BM_Dump);

} // namespace
