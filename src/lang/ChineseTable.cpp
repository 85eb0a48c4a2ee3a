#include "lang/Lang.h"

namespace lumivane {

// Chosen only by a Chinese system language ("System (auto)"): the box has no Chinese item, and
// its "English" item keeps the English table. The documentation page stays the English one.
const LangTable kChineseTable = {
    u"设置",
    u"重新启动",
    u"退出",
    u"Monitor",
    u"Display",
    u"所有显示器…",
    u"没有活动的显示器",

    u"仅可运行该应用程序的一个实例！",

    u"个人亮度",
    u"文档",
    u"调试",
    u"在 Windows 启动时运行",
    u"同步亮度",
    u"跟踪亮度（仅适用于显示器）",
    u"识别监视器模型（降低设备轮询速度）",
    u"确定显示器分辨率和刷新率",
    u"隐藏非活动设备",
    u"指示器颜色",
    u"指示器字体",
    u"更改步数",
    u"最小亮度",
    u"最大亮度",
    u"语言（重新启动）",
    {u"您可以在此处设置程序的个人亮度。", u"列表格式（逐行）：program_name=brightness",
     u"例如：game.exe=100"},

    u"快捷键",
    {u"增加亮度", u"降低亮度", u"防眩光", u"下一个显示器", u"所有显示器"},
    u"清除",
    u"已启用",
    u"已被其他程序占用",
    u"未注册",

    kEnglishDocumentation,
};

} // namespace lumivane
