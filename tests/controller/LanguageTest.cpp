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
  return &t == &kRussianTable ? "Russian" : &t == &kUkrainianTable ? "Ukrainian" : "default";
}

class LanguageTest : public ControllerTest {
 protected:
  void Choose(const std::u16string& item) {
    ASSERT_TRUE(c().Form.Lang.Select(item)) << ToUtf8(item);
    c().ApplyLanguage();
  }
  // The table whose words the menu values now hold.
  const char* Applied() {
    for (const LangTable* t : {&kRussianTable, &kUkrainianTable, &kDefaultTable})
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
      {u"Русский", "uk_UA", "Russian"},
      {u"Українська", "ru_RU", "Ukrainian"},
      {u"English", "ru_RU", "default"},
      {u"English", "uk_UA", "default"},
  };
  for (const Case& k : cases) {
    app.locale.SetPosixLocale(k.posixLocale);
    Choose(k.item);
    EXPECT_STREQ(Applied(), k.table) << ToUtf8(k.item) << " on " << k.posixLocale;
  }
}

TEST_F(LanguageTest, DetectSystemLanguageNamesTheLanguageOrEnglish) {
  const std::pair<const char*, const char16_t*> cases[] = {{"ru_RU.UTF-8", u"Russian"},
                                                           {"uk_UA", u"Ukrainian"},
                                                           {"de", u"German"},
                                                           {"C", u"English"},
                                                           {"", u"English"}};
  for (const auto& [posix, name] : cases) {
    app.locale.SetPosixLocale(posix);
    EXPECT_EQ(ToUtf8(c().DetectSystemLanguage()), ToUtf8(name)) << posix;
  }
}

TEST_F(LanguageTest, EachSwitchRewritesEveryTextAtOnce) {
  TAssoc& lang = c().Root->Items(u"lang");
  for (const auto& [item, table] : {std::pair<std::u16string, const LangTable*>{u"Русский", &kRussianTable},
                                    {u"English", &kDefaultTable},
                                    {u"Українська", &kUkrainianTable}}) {
    SCOPED_TRACE(ToUtf8(item));
    Choose(item);
    const LangTable& t = *table;
    const std::pair<Control*, std::u16string> captions[] = {
        {&c().Form.TabSheet1, t.TabSheet1},
        {&c().Form.TabSheet2, t.TabSheet2},
        {&c().Form.TabSheet3, t.TabSheet3},
        {&c().Form.configinfo,
         std::u16string(t.configinfo[0]) + u"\r\n" + t.configinfo[1] + u"\r\n" + t.configinfo[2]},
        {&c().Form.AutoRunBox, t.AutoRunBox},
        {&c().Form.SyncBox, t.SyncBox},
        {&c().Form.TrackBox, t.TrackBox},
        {&c().Form.DetectModelBox, t.DetectModelBox},
        {&c().Form.DetectResBox, t.DetectResBox},
        {&c().Form.HideBox, t.HideBox},
        {&c().Form.FntColor, t.ColorHint},
        {&c().Form.FontLabel, t.FontLabel},
        {&c().Form.StepLabel, t.StepLabel},
        {&c().Form.StepMinLabel, t.StepMinLabel},
        {&c().Form.StepMaxLabel, t.StepMaxLabel},
        {&c().Form.LangLabel, t.LangLabel},
        {&c().Form.ColorButton, u"\uF1FB"},
    };
    for (const auto& [control, text] : captions) {
      EXPECT_EQ(ToUtf8(control->Caption()), ToUtf8(text)) << ToUtf8(control->Name());
      EXPECT_EQ(ToUtf8(Shown(control->Id()).caption), ToUtf8(text)) << ToUtf8(control->Name());
    }
    EXPECT_EQ(c().Form.ColorButton.Hint(), t.ColorHint);
    EXPECT_EQ(Shown(SettingsControl::ColorButton).hint, t.ColorHint);
    EXPECT_EQ(c().Form.FntColor.Caption(), c().Form.ColorButton.Hint());
    EXPECT_EQ(c().SingleInstanceMessage, t.SingleInstanceMessage);

    EXPECT_EQ(c().Form.HtmlViewer1.Html(), t.Documentation);
    EXPECT_EQ(app.settingsView.Document(), ParseDocMarkup(t.Documentation));
    EXPECT_EQ(app.settingsView.DocumentFont(), c().Form.Font);

    EXPECT_EQ(lang.Count(), 5);
    for (const auto& [key, word] : {std::pair<const char16_t*, const char16_t*>{u"settings", t.settings},
                                    {u"restart", t.restart},
                                    {u"exit", t.exit},
                                    {u"monitor", t.monitor},
                                    {u"display", t.display}})
      EXPECT_EQ(ToUtf8(lang[key].Val().Text()), ToUtf8(word)) << ToUtf8(key);
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
            (std::vector<std::u16string>{u"1. Монитор", u"-", u"Настройки", u"Перезапустить", u"Выход"}));
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
