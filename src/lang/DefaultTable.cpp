#include "lang/Lang.h"

namespace lumivane {

// Serves English and every language without a table of its own.
const LangTable kDefaultTable = {
    u"Settings",
    u"Restart",
    u"Exit",
    u"Monitor",
    u"Display",

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

    u"<!DOCTYPE html>\r\n"
    u"<html>\r\n"
    u"<body>\r\n"
    u"<b>General Information</b><br><br>\r\n"
    u"To control brightness, DDC/CI support must be switched on in the monitor’s own menu.<br><br>\r\n"
    u"Monitors connected over VGA (D-sub) or USB may not be controllable.<br><br>\r\n"
    u"Some monitors change brightness only in a User or Custom picture mode, not in presets such as "
    u"Internet, Game or sRGB.<br><br>\r\n"
    u"To work with (laptop) displays, the program needs the Windows Management Instrumentation "
    u"(WMI) service to be running.<br><br>\r\n"
    u"<b>Control</b><br><br>\r\n"
    u"The program is controlled through its icon in the notification area:<br>\r\n"
    u"right click — opens the menu;<br>\r\n"
    u"left click — switches anti-glare mode on and off: the active device drops to its lower limit, "
    u"and the next click brings back the brightness it had;<br>\r\n"
    u"mouse wheel over the icon — changes the screen brightness.<br><br>\r\n"
    u"<b>FAQ</b><br><br>\r\n"
    u"<b>1. The monitor is detected but brightness control does not work, or the monitor is "
    u"missing from the menu.</b><br>\r\n"
    u"There are three possible causes: DDC/CI is switched off in the monitor’s menu or the monitor "
    u"does not support it; the monitor is connected over VGA (D-sub), while DDC/CI works only over "
    u"DVI, HDMI and DP; a picture mode that blocks brightness control (such as sRGB) is "
    u"active.<br><br>\r\n"
    u"<b>2. Why do the device numbers differ from those in Windows?</b><br>\r\n"
    u"The program numbers devices in the order in which it discovers them.<br><br>\r\n"
    u"<b>3. Why does the program not see the laptop’s display?</b><br>\r\n"
    u"The cause can be a disabled WMI service (Winmgmt). Enable it and restart the "
    u"program.<br><br>\r\n"
    u"<b>4. I connected a second monitor and enabled DDC/CI in it, but the program does not see "
    u"it.</b><br>\r\n"
    u"Restart the program (the Restart command in its menu): monitors are scanned only once, at "
    u"start.<br><br>\r\n"
    u"<b>5. Why does the Debug tab show errors when brightness is changed or measured?</b><br>\r\n"
    u"DDC/CI commands are slow (15–40 ms each), and commands that overlap can fail. The program "
    u"notices this and sends the command again, so this is normal.<br><br>\r\n"
    u"<b>6. Why can some brightness levels not be set on a laptop’s built-in display?</b><br>\r\n"
    u"Built-in displays offer a limited set of brightness levels, fixed by the laptop’s "
    u"maker.<br><br>\r\n"
    u"<b>7. How do I make all monitors change brightness together?</b><br>\r\n"
    u"Switch on “Synchronize brightness” in the settings. To follow a laptop’s built-in display, "
    u"make it the main (active) device in the menu and switch on “Track brightness (displays "
    u"only)”.<br><br>\r\n"
    u"<b>8. Why does the program start slowly?</b><br>\r\n"
    u"Most likely model detection is on: polling monitors over DDC/CI is slow, and with five "
    u"monitors start-up can take more than 10 seconds. A disabled WMI service also slows the "
    u"start.<br><br>\r\n"
    u"<b>9. Why does the monitor’s name differ from the one Windows shows?</b><br>\r\n"
    u"Names come from the monitor’s EDID; when model detection is on, the program also reads the "
    u"model over DDC/CI. The result may differ from the maker’s marketing name.<br><br>\r\n"
    u"<b>10. Why did the monitor become inactive (grey) in the menu or disappear from it?</b><br>\r\n"
    u"When the monitor’s settings change so that DDC/CI control is no longer possible, or the "
    u"monitor is disconnected, the program retries the command 15 times and then marks the monitor "
    u"inactive or removes it from the menu, depending on the “Hide inactive devices” setting.\r\n"
    u"</body>\r\n"
    u"</html>\r\n",
};

} // namespace lumivane
