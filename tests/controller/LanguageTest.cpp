#include <algorithm>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

#include "controller/ControllerFixture.h"
#include "lang/Lang.h"
#include "text/Utf.h"

namespace lumivane {
namespace {

const char* NameOf(const LangTable& t) {
  return &t == &kRussianTable     ? "Russian"
         : &t == &kUkrainianTable ? "Ukrainian"
         : &t == &kChineseTable   ? "Chinese"
                                  : "default";
}

// Every text of every table, written out here rather than taken from the tables, so that a
// caption changed in the code shows. Columns: Russian, Ukrainian, English (the default table),
// Chinese.
enum Column { kRu, kUk, kEn, kZh, kColumns };
struct Texts {
  const char16_t* in[kColumns];
};
const std::pair<const char16_t*, Texts> kMenuWords[] = {
    {u"settings", {{u"Настройки", u"Налаштування", u"Settings", u"设置"}}},
    {u"restart", {{u"Перезапустить", u"Перезапустити", u"Restart", u"重新启动"}}},
    {u"exit", {{u"Выход", u"Вихід", u"Exit", u"退出"}}},
    {u"monitor", {{u"Монитор", u"Монітор", u"Monitor", u"Monitor"}}},
    {u"display", {{u"Дисплей", u"Дисплей", u"Display", u"Display"}}},
    {u"panel", {{u"Все дисплеи…", u"Усі дисплеї…", u"All displays…", u"所有显示器…"}}},
    {u"panel_empty",
     {{u"Нет активных дисплеев", u"Немає активних дисплеїв", u"No active display", u"没有活动的显示器"}}},
};
const Texts kSingleInstanceMessage = {{u"Одновременно может быть запущен только один экземпляр приложения!",
                                       u"Одночасно може бути запущено лише один екземпляр додатку!",
                                       u"Only a single instance of this application can run!",
                                       u"仅可运行该应用程序的一个实例！"}};
const std::pair<SettingsControl, Texts> kCaptions[] = {
    {SettingsControl::TabSheet1,
     {{u"Персональная яркость", u"Персональна яскравість", u"Personal brightness", u"个人亮度"}}},
    {SettingsControl::TabSheet2, {{u"Документация", u"Документація", u"Documentation", u"文档"}}},
    {SettingsControl::TabSheet3, {{u"Отладка", u"Налагодження", u"Debug", u"调试"}}},
    {SettingsControl::AutoRunBox,
     {{u"Запускать вместе с Windows", u"Запускати разом з Windows", u"Start with Windows",
       u"在 Windows 启动时运行"}}},
    {SettingsControl::SyncBox,
     {{u"Синхронизировать яркость", u"Сінхроніровать яскравість", u"Synchronize brightness", u"同步亮度"}}},
    {SettingsControl::TrackBox,
     {{u"Отслеживать яркость (только для дисплеев)", u"Відстежувати яскравість (тільки для дисплеїв)",
       u"Track brightness (displays only)", u"跟踪亮度（仅适用于显示器）"}}},
    {SettingsControl::DetectModelBox,
     {{u"Определять модель (замедляет опрос устройств)", u"Визначати модель (уповільнює опитування)",
       u"Detect monitor model (slows device polling)", u"识别监视器模型（降低设备轮询速度）"}}},
    {SettingsControl::DetectResBox,
     {{u"Определять разрешение и частоту обновления", u"Визначати роздільну здатність і частоту оновлення",
       u"Detect resolution and refresh rate", u"确定显示器分辨率和刷新率"}}},
    {SettingsControl::HideBox,
     {{u"Скрывать неактивные устройства", u"Приховувати неактивні пристрої", u"Hide inactive devices",
       u"隐藏非活动设备"}}},
    {SettingsControl::FntColor,
     {{u"Цвет индикатора", u"Колір індикатора", u"Indicator color", u"指示器颜色"}}},
    {SettingsControl::FontLabel,
     {{u"Шрифт индикатора", u"Шрифт індикатора", u"Indicator font", u"指示器字体"}}},
    {SettingsControl::StepLabel, {{u"Шаг изменения", u"Крок зміни", u"Change step", u"更改步数"}}},
    {SettingsControl::StepMinLabel, {{u"Мин. яркость", u"Мін. яскравість", u"Min. brightness", u"最小亮度"}}},
    {SettingsControl::StepMaxLabel,
     {{u"Макс. яркость", u"Макс. яскравість", u"Max. brightness", u"最大亮度"}}},
    {SettingsControl::LangLabel,
     {{u"Язык (перезапуск)", u"Мова (перезапуск)", u"Language (restart)", u"语言（重新启动）"}}},
};
const Texts kColorHint = {{u"Цвет индикатора", u"Колір індикатора", u"Indicator color", u"指示器颜色"}};
const Texts kConfigInfo[3] = {
    {{u"Здесь можно задать персональную яркость для программ.",
      u"Тут можна задати персональну яскравість для програм.",
      u"Here you can set a personal brightness for programs.", u"您可以在此处设置程序的个人亮度。"}},
    {{u"Формат списка (построчно): имя_программы=яркость",
      u"Формат списку (пострічно): ім’я_програми=яскравість",
      u"List format (one per line): program_name=brightness", u"列表格式（逐行）：program_name=brightness"}},
    {{u"Например: game.exe=100", u"Наприклад: game.exe=100", u"For example: game.exe=100",
      u"例如：game.exe=100"}},
};

class LanguageTest : public ControllerTest {
 protected:
  void Choose(const std::u16string& item) {
    ASSERT_TRUE(c().Form.Lang.Select(item)) << ToUtf8(item);
    c().ApplyLanguage();
  }
  // The table whose words the menu values now hold.
  const char* Applied() {
    for (const LangTable* t : {&kRussianTable, &kUkrainianTable, &kChineseTable, &kDefaultTable})
      if (c().Root->Items(u"lang").Items(u"settings").Val().Text() == t->settings) return NameOf(*t);
    return "none";
  }
  const SimSettingsView::Shown& Shown(SettingsControl id) const { return app.settingsView.Of(id); }
};

TEST(LangTableForTest, NamesSelectTheirTableInAnyCase) {
  const std::pair<std::u16string, const LangTable*> cases[] = {
      {u"Russian", &kRussianTable},       {u"RUSSIAN (Moldova)", &kRussianTable},
      {u"Русский", &kRussianTable},       {u"РУССКИЙ", &kRussianTable},
      {u"Ukrainian", &kUkrainianTable},   {u"Українська", &kUkrainianTable},
      {u"УКРАЇНСЬКА", &kUkrainianTable},  {u"украинский", &kUkrainianTable},
      {u"English", &kDefaultTable},       {u"Belarusian", &kDefaultTable},
      {u"German", &kDefaultTable},        {u"", &kDefaultTable},
      {u"System (auto)", &kDefaultTable}, {u"Russ", &kDefaultTable},
      {u"Chinese", &kChineseTable},       {u"CHINESE (Simplified)", &kChineseTable},
      {u"Chin", &kDefaultTable},
  };
  for (const auto& [name, table] : cases)
    EXPECT_STREQ(NameOf(LangTableFor(name)), NameOf(*table)) << ToUtf8(name);
}

TEST_F(LanguageTest, ChoiceFollowsTheBoxAndOnlySystemAutoAsksTheSystem) {
  struct Case {
    const char16_t* item;
    const char* posixLocale;
    const char* table;
  };
  const Case cases[] = {
      {u"System (auto)", "ru_RU.UTF-8", "Russian"},
      {u"System (auto)", "ru_UA", "Russian"},
      {u"System (auto)", "uk_UA.UTF-8", "Ukrainian"},
      {u"System (auto)", "be_BY.UTF-8", "default"},
      {u"System (auto)", "en_US.UTF-8", "default"},
      {u"System (auto)", "de_DE", "default"},
      {u"System (auto)", "C", "default"},
      {u"System (auto)", "xx_YY", "default"},
      {u"System (auto)", "zh_CN.UTF-8", "Chinese"},
      {u"System (auto)", "zh_TW", "Chinese"},
      {u"Русский", "uk_UA", "Russian"},
      {u"Українська", "ru_RU", "Ukrainian"},
      {u"English", "ru_RU", "default"},
      {u"English", "uk_UA", "default"},
      {u"English", "zh_CN.UTF-8", "default"}, // the English item keeps its English texts
      {u"Русский", "zh_CN", "Russian"},
  };
  for (const Case& k : cases) {
    app.locale.SetPosixLocale(k.posixLocale);
    Choose(k.item);
    EXPECT_STREQ(Applied(), k.table) << ToUtf8(k.item) << " on " << k.posixLocale;
  }
}

TEST_F(LanguageTest, DetectSystemLanguageNamesTheLanguageOrEnglish) {
  const std::pair<const char*, const char16_t*> cases[] = {
      {"ru_RU.UTF-8", u"Russian"}, {"uk_UA", u"Ukrainian"}, {"de", u"German"},
      {"zh_CN.UTF-8", u"Chinese"}, {"C", u"English"},       {"", u"English"}};
  for (const auto& [posix, name] : cases) {
    app.locale.SetPosixLocale(posix);
    EXPECT_EQ(ToUtf8(c().DetectSystemLanguage()), ToUtf8(name)) << posix;
  }
}

// Each switch, without a restart, rewrites every caption, the documentation page and the menu
// words with the texts written out above.
TEST_F(LanguageTest, EachSwitchRewritesEveryTextWithItsTablesWords) {
  struct Case {
    const char16_t* item;
    const char* posixLocale; // the system's language, asked only for "System (auto)"
    Column column;
    const LangTable* table; // for the documentation page, whose wording is the table's own
    const char16_t* firstHeading;
  };
  const Case cases[] = {
      {u"Русский", "uk_UA", kRu, &kRussianTable, u"Общая информация"},
      {u"English", "ru_RU", kEn, &kDefaultTable, u"General Information"},
      {u"Українська", "zh_CN", kUk, &kUkrainianTable, u"Загальна інформація"},
      {u"System (auto)", "zh_CN.UTF-8", kZh, &kChineseTable, u"General Information"},
      {u"English", "zh_CN.UTF-8", kEn, &kDefaultTable, u"General Information"},
      {u"System (auto)", "ru_RU.UTF-8", kRu, &kRussianTable, u"Общая информация"},
  };
  TAssoc& lang = c().Root->Items(u"lang");
  for (const Case& k : cases) {
    SCOPED_TRACE(ToUtf8(k.item) + " on " + k.posixLocale);
    app.locale.SetPosixLocale(k.posixLocale);
    Choose(k.item);
    const Column col = k.column;

    for (const auto& [id, texts] : kCaptions) {
      Control* control = c().Form.Find(id);
      ASSERT_NE(control, nullptr);
      EXPECT_EQ(ToUtf8(control->Caption()), ToUtf8(texts.in[col])) << ToUtf8(control->Name());
      EXPECT_EQ(ToUtf8(Shown(id).caption), ToUtf8(texts.in[col])) << ToUtf8(control->Name());
    }
    const std::u16string configinfo = std::u16string(kConfigInfo[0].in[col]) + u"\r\n" +
                                      kConfigInfo[1].in[col] + u"\r\n" + kConfigInfo[2].in[col];
    EXPECT_EQ(ToUtf8(c().Form.configinfo.Caption()), ToUtf8(configinfo));
    EXPECT_EQ(ToUtf8(Shown(SettingsControl::configinfo).caption), ToUtf8(configinfo));
    EXPECT_EQ(ToUtf8(c().Form.ColorButton.Hint()), ToUtf8(kColorHint.in[col]));
    EXPECT_EQ(ToUtf8(Shown(SettingsControl::ColorButton).hint), ToUtf8(kColorHint.in[col]));
    EXPECT_EQ(c().Form.FntColor.Caption(), c().Form.ColorButton.Hint());
    // The eye-dropper of the icon font, in every table.
    EXPECT_EQ(c().Form.ColorButton.Caption(), u"\uF1FB");
    EXPECT_EQ(Shown(SettingsControl::ColorButton).caption, u"\uF1FB");
    EXPECT_EQ(ToUtf8(c().SingleInstanceMessage), ToUtf8(kSingleInstanceMessage.in[col]));

    EXPECT_EQ(c().Form.HtmlViewer1.Html(), k.table->Documentation);
    const std::vector<DocRun> page = ParseDocMarkup(c().Form.HtmlViewer1.Html());
    const auto heading = std::find_if(page.begin(), page.end(), [](const DocRun& r) { return r.bold; });
    ASSERT_NE(heading, page.end());
    EXPECT_EQ(ToUtf8(heading->text), ToUtf8(k.firstHeading));
    EXPECT_EQ(app.settingsView.Document(), page);
    EXPECT_EQ(app.settingsView.DocumentFont(), c().Form.Font);

    EXPECT_EQ(lang.Count(), 7);
    for (const auto& [key, texts] : kMenuWords)
      EXPECT_EQ(ToUtf8(lang[key].Val().Text()), ToUtf8(texts.in[col])) << ToUtf8(key);
  }
}

TEST_F(LanguageTest, TrayMenuTakesTheWordsOfTheAppliedTable) {
  AddDevice(kUid, 0, 100, {{u"brightness", Variant(u"50")}});
  Choose(u"Русский");
  c().BuildMenu();
  std::vector<std::u16string> captions;
  for (const auto& entry : c().PopupMenu1)
    captions.push_back(entry.item.caption);
  EXPECT_EQ(captions,
            (std::vector<std::u16string>{u"1. Монитор", u"Все дисплеи…", u"-", u"Настройки", u"Перезапустить",
                                         u"Выход"}));
}

TEST_F(LanguageTest, PromoNamesTheVersionOfTheOwnExecutable) {
  const std::u16string exe = app.process.ExecutablePath();
  c().ApplyLanguage();
  EXPECT_EQ(c().Form.Promo.Caption(), u"Lumivane v"); // no version information

  app.process.SetFileVersion(u"C:\\other.exe", {2, 0, 0, 1});
  c().ApplyLanguage();
  EXPECT_EQ(c().Form.Promo.Caption(), u"Lumivane v");

  app.process.SetFileVersion(exe, {1, 6, 7, 0});
  c().ApplyLanguage();
  EXPECT_EQ(c().Form.Promo.Caption(), u"Lumivane v1.6.7.0");
  EXPECT_EQ(Shown(SettingsControl::Promo).caption, u"Lumivane v1.6.7.0");

  app.process.SetFileVersion(exe, {65535, 0, 10, 65535});
  EXPECT_EQ(c().FileVersionText(exe), u"65535.0.10.65535");
}

TEST(LanguageWithoutRootTest, WindowTextsAreAppliedWithoutMenuValues) {
  SimClock clock;
  SimMachine machine{&clock};
  SimProcess app(clock, machine);
  app.locale.SetPosixLocale("uk_UA");
  app.controller.ApplyLanguage();
  EXPECT_FALSE(app.controller.Root);
  EXPECT_EQ(app.controller.Form.SyncBox.Caption(), kUkrainianTable.SyncBox);
  EXPECT_EQ(app.controller.SingleInstanceMessage, kUkrainianTable.SingleInstanceMessage);
}

// The pages use bold headings, bold questions and br only; each has the three headings, four
// paragraphs of general information and ten questions, each with its answer.
TEST(DocumentationPagesTest, EachPageHasItsHeadingsParagraphsAndTenQuestions) {
  struct Page {
    const LangTable* table;
    const char16_t* headings[3];
  };
  const Page pages[] = {
      {&kRussianTable, {u"Общая информация", u"Управление", u"Вопросы и ответы"}},
      {&kUkrainianTable, {u"Загальна інформація", u"Керування", u"Запитання та відповіді"}},
      {&kDefaultTable, {u"General Information", u"Control", u"FAQ"}},
      {&kChineseTable, {u"General Information", u"Control", u"FAQ"}},
  };
  for (const Page& page : pages) {
    SCOPED_TRACE(NameOf(*page.table));
    const std::u16string html = page.table->Documentation;
    EXPECT_EQ(html.rfind(u"<!DOCTYPE html>", 0), 0u);
    // No markup but the document frame, b and br.
    for (size_t at = html.find(u'<'); at != std::u16string::npos; at = html.find(u'<', at + 1)) {
      const std::u16string tag = html.substr(at, html.find(u'>', at) - at + 1);
      static const std::u16string allowed[] = {u"<!DOCTYPE html>", u"<html>", u"</html>", u"<body>",
                                               u"</body>",         u"<b>",    u"</b>",    u"<br>"};
      EXPECT_NE(std::find(std::begin(allowed), std::end(allowed), tag), std::end(allowed)) << ToUtf8(tag);
    }

    const std::vector<DocRun> runs = ParseDocMarkup(html);
    std::vector<size_t> bold;
    for (size_t i = 0; i < runs.size(); ++i)
      if (runs[i].bold) bold.push_back(i);
    ASSERT_EQ(bold.size(), 13u);
    for (size_t h = 0; h < 3; ++h)
      EXPECT_EQ(ToUtf8(runs[bold[h]].text), ToUtf8(page.headings[h]));

    // Between the first two headings: four paragraphs, two breaks apart.
    ASSERT_EQ(bold[1], bold[0] + 2);
    std::u16string general = runs[bold[0] + 1].text;
    ASSERT_EQ(general.rfind(u"\n\n", 0), 0u);
    general = general.substr(2, general.size() - 4);
    size_t paragraphs = 1;
    for (size_t at = general.find(u"\n\n"); at != std::u16string::npos; at = general.find(u"\n\n", at + 2))
      ++paragraphs;
    EXPECT_EQ(paragraphs, 4u);
    EXPECT_EQ(general.find(u"\n\n\n"), std::u16string::npos);

    for (size_t q = 0; q < 10; ++q) {
      const size_t at = bold[3 + q];
      const std::u16string number = FromUtf8(std::to_string(q + 1) + ". ");
      EXPECT_EQ(runs[at].text.rfind(number, 0), 0u) << ToUtf8(runs[at].text);
      ASSERT_LT(at + 1, runs.size());
      const std::u16string& answer = runs[at + 1].text;
      EXPECT_FALSE(runs[at + 1].bold);
      EXPECT_EQ(answer.rfind(u"\n", 0), 0u);
      EXPECT_GT(answer.size(), 20u) << "question " << q + 1;
    }
  }
}

} // namespace
} // namespace lumivane
