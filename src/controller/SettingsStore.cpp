// Loading the settings at start, and the writers of controller variables.
#include <string>

#include "controller/MainForm.h"
#include "devices/DeviceTable.h"

namespace lumivane {

namespace {
constexpr int kMinStep = 1;

std::u16string PercentText(int32_t number) {
  return DecimalText(number) + u"%";
}
} // namespace

void TController::LoadEarlySettings() {
  if (RunState <= 0 || !Root) return;
  for (CheckBox* box : {&Form.DetectModelBox, &Form.DetectResBox, &Form.HideBox}) {
    const std::optional<std::u16string> text = store_.RegReadString(kSettingsKey, box->Name());
    box->SetChecked(text && !text->empty());
  }

  if (std::optional<std::u16string> font = store_.RegReadString(kSettingsKey, u"font"))
    Form.fontval.Select(*font);
  else
    Form.fontval.Select(u"Tahoma");

  struct Limit {
    const char16_t* name;
    int& variable;
    ComboBox& combo;
  };
  for (const Limit& limit :
       {Limit{u"vmin", RangeMin, Form.stepMin}, Limit{u"vmax", RangeMax, Form.stepMax}}) {
    // Stored limits are kept as they are, even outside 0..100 or crossed: the range code copes
    // with both, and the user's choice in the window replaces them.
    RegMiss miss = RegMiss::Absent;
    if (std::optional<int32_t> number = store_.RegReadInteger(kSettingsKey, limit.name, &miss)) {
      limit.variable = *number;
      limit.combo.Select(PercentText(*number));
    } else if (miss == RegMiss::Absent) {
      // Absent or of another type: deleted, so the default holds from now on. A value that
      // could not be read this time stays for the next start.
      store_.RegDeleteValue(kSettingsKey, limit.name);
    }
  }
}

void TController::LoadSettings() {
  if (RunState <= 0 || !Root) return;
  const std::optional<std::u16string> run = store_.RegReadString(kRunKey, kRunValueName);
  Form.AutoRunBox.SetChecked(run && *run == AutoRunText());

  for (CheckBox* box : {&Form.TrackBox, &Form.SyncBox})
    box->SetChecked(store_.RegReadString(kSettingsKey, box->Name()).has_value());

  RestoreStoredDevice();

  Form.color.SetText(store_.RegReadString(kSettingsKey, u"color").value_or(u"FF8000"));

  PredBrightness = store_.RegReadInteger(kSettingsKey, u"pred").value_or(0);

  if (std::optional<std::u16string> config = store_.RegReadString(kSettingsKey, u"config")) {
    Form.Config.SetText(*config);
    if (!Form.Config.Text().empty()) ProgramRules();
  }

  LoadStep();
  LoadHotkeys();

  if (std::optional<std::u16string> lang = store_.RegReadString(kSettingsKey, u"lang"))
    Form.Lang.Select(*lang);
}

// The stored device becomes the pending choice when the table holds it as active; at start the
// table arrives later, and this runs again then.
void TController::RestoreStoredDevice() {
  TAssoc* devices = DeviceTable();
  if (!devices || devices->Count() == 0) return;
  const std::optional<std::u16string> actmon = store_.RegReadString(kSettingsKey, u"actmon");
  if (!actmon) return;
  for (const Variant& key : devices->Keys()) {
    if (key.Text() == *actmon && RecordFlag(*FindChild(*devices, key), u"active")) {
      PendingDevice = key.Text();
      return;
    }
  }
}

void TController::LoadStep() {
  const std::optional<int32_t> step = store_.RegReadInteger(kSettingsKey, u"step");
  if (!step) return;
  // A step of 0 would leave the wheel dead and a negative one would turn it around: such a value
  // counts as absent. A large step is the user's: each notch then goes to a limit.
  if (*step < kMinStep) {
    LogError(u"The stored step " + DecimalText(*step) + u" is below 1 and is ignored.");
    return;
  }
  StepPercent = *step;
  // A step that no item shows is still used; the combo keeps its selection.
  Form.stepval.Select(PercentText(*step));
}

void TController::SaveActMon() {
  store_.WriteVariable(u"actmon", ActiveDevice);
}

void TController::SavePred() {
  store_.WriteVariable(u"pred", PredBrightness);
}

} // namespace lumivane
