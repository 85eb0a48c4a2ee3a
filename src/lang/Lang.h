#pragma once
// The program's text tables: the Russian, the Ukrainian, the Chinese and the default one, which
// serves English and every other language.
#include <string>

#include "platform/SettingsView.h"

namespace lumivane {

struct LangTable {
  // The tray menu's words, stored under the state root's "lang".
  const char16_t* settings;
  const char16_t* restart;
  const char16_t* exit;
  const char16_t* monitor;
  const char16_t* display;
  // The brightness panel: its menu item, and its one line when no display is active.
  const char16_t* panel;
  const char16_t* panelEmpty;

  // Shown when another copy of the program already runs.
  const char16_t* SingleInstanceMessage;

  // The settings window: tab pages, check boxes, labels.
  const char16_t* TabSheet1; // per-program brightness
  const char16_t* TabSheet2; // documentation
  const char16_t* TabSheet3; // debug log
  const char16_t* AutoRunBox;
  const char16_t* SyncBox;
  const char16_t* TrackBox;
  const char16_t* DetectModelBox;
  const char16_t* DetectResBox;
  const char16_t* HideBox;
  const char16_t* ColorHint; // the colour button's hint, also the colour label's caption
  const char16_t* FontLabel;
  const char16_t* StepLabel;
  const char16_t* StepMinLabel;
  const char16_t* StepMaxLabel;
  const char16_t* LangLabel;
  // The explanation above the per-program list, one line each.
  const char16_t* configinfo[3];

  // The hotkeys page: its tab, each action's caption (in the order of the page's rows), the
  // clear button, and the states of a registration.
  const char16_t* TabSheet4;
  const char16_t* HotkeyCaption[kHotkeyRows];
  const char16_t* HotkeyClear;
  const char16_t* HotkeyActive;
  const char16_t* HotkeyTaken;
  const char16_t* HotkeyFailed;

  // The documentation page: b headings and paragraphs split by br.
  const char16_t* Documentation;
};

extern const LangTable kRussianTable;
extern const LangTable kUkrainianTable;
extern const LangTable kChineseTable;
extern const LangTable kDefaultTable; // English
extern const char16_t kEnglishDocumentation[];

// The table for a language name or a choice of the language box: anything naming Russian or
// Ukrainian (in English or in the language itself, any letter case) selects that table, a name
// containing "Chinese" (only the system's language name can: the box has no such item) the
// Chinese one, the rest the default one.
const LangTable& LangTableFor(const std::u16string& language);

} // namespace lumivane
