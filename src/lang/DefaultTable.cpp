#include "lang/Lang.h"

namespace lumivane {

// Serves English and every language without a table of its own.
const LangTable kDefaultTable = {
    u"Settings",
    u"Restart",
    u"Exit",
    u"Monitor",
    u"Display",
    u"All displays…",
    u"No active display",

    u"Only a single instance of this application can run!",

    u"Personal brightness",
    u"Documentation",
    u"Debug",
    u"Start with Windows",
    u"Synchronize brightness",
    u"Track brightness (displays only)",
    u"Detect monitor model (slows device polling)",
    u"Detect resolution and refresh rate",
    u"Hide inactive devices",
    u"Indicator color",
    u"Indicator font",
    u"Change step",
    u"Min. brightness",
    u"Max. brightness",
    u"Language (restart)",
    {u"Here you can set a personal brightness for programs.",
     u"List format (one per line): program_name=brightness", u"For example: game.exe=100"},

    u"Hotkeys",
    {u"Brightness up", u"Brightness down", u"Anti-glare", u"Next display", u"All displays"},
    u"Clear",
    u"Active",
    u"Taken by another program",
    u"Not registered",

    kEnglishDocumentation,
};

} // namespace lumivane
