#include "window/test_layout.h"

#include <array>

namespace window {
namespace {

using K = ControlKind;

Control Make(std::string name, K kind, std::string text, std::string parent, int x, int y, int w = 0, int h = 0) {
    Control c;
    c.name = std::move(name);
    c.kind = kind;
    c.text = std::move(text);
    c.parent = std::move(parent);
    c.x = x;
    c.y = y;
    c.width = w;
    c.height = h;
    return c;
}

Control Bound(Control c, std::string use, std::string picture = "") {
    c.use = std::move(use);
    c.picture = std::move(picture);
    return c;
}

Control Spin(Control c, int64_t high) {
    c.range = {0, high, 1};
    return c;
}

std::string Octal(int value) {
    return value < 8 ? std::to_string(value) : std::to_string(value / 8) + std::to_string(value % 8);
}

std::string Entry(const std::string& base, int n) { return base + "[" + std::to_string(n) + "]"; }

void AddConfigTab(std::vector<Control>& out) {
    const std::string tab = "Tab_Config";
    out.push_back(Bound(Make("AutoTime", K::CheckBox, "Auto Time", tab, 52, 73), "AutoTime"));
    out.push_back(Make("BPostTimerEvent", K::Button, "", tab, 107, 72, 39, 10));
    out.push_back(Make("TimerValue_Prompt", K::Prompt, "Timer Value:", tab, 8, 84));
    out.push_back(Spin(Bound(Make("TimerValue", K::SpinBox, "", tab, 97, 84, 49, 10), "TimerValue", "n3"), 100));
    out.push_back(Make("AfterSendPauseValue_Prompt", K::Prompt, "After Send Pause Value:", tab, 8, 96));
    out.push_back(Spin(
        Bound(Make("AfterSendPauseValue", K::SpinBox, "", tab, 97, 96, 49, 10), "AfterSendPauseValue", "n04"), 9999));
    out.push_back(Make("SendAddTimerValue_Prompt", K::Prompt, "Send All Timer Value:", tab, 8, 108));
    out.push_back(
        Spin(Bound(Make("SendAllTimerValue", K::SpinBox, "", tab, 97, 108, 49, 10), "SendAllTimerValue", "n3"), 100));
    out.push_back(Make("Server_Prompt", K::Prompt, "Server:", tab, 8, 122));
    out.push_back(Bound(Make("Server", K::TextBox, "", tab, 8, 134, 138, 12), "Server"));
    out.push_back(Make("Port_Prompt", K::Prompt, "Port:", tab, 8, 153));
    out.push_back(Bound(Make("Port", K::Entry, "", tab, 58, 152, 60, 10), "Port", "n6"));
    const std::array<std::pair<const char*, const char*>, 5> boxes{{{"RequestInputs", "Request Inputs"},
                                                                    {"SendOutputs", "Send Outputs"},
                                                                    {"SendControlRelays", "Send Control Relays"},
                                                                    {"RequestAllCounters", "Request All Counters"},
                                                                    {"SendAllCounters", "Send All Counters"}}};
    int y = 168;
    for (const auto& [name, text] : boxes) {
        out.push_back(Bound(Make(name, K::CheckBox, text, tab, 8, y), name));
        y += 14;
    }
}

void AddInputsTab(std::vector<Control>& out) {
    const std::string tab = "Tab_Inputs";
    for (int n = 1; n <= 20; ++n) {
        int column = (n - 1) / 8;  // 8, 8 and 4 boxes
        int row = (n - 1) % 8;
        out.push_back(Bound(Make("Inputs_" + std::to_string(n), K::CheckBox, std::to_string(n - 1), tab,
                                 8 + 24 * column, 52 + 12 * row, 20, 10),
                            Entry("Inputs", n)));
    }
    out.push_back(Make("BRequestInputs", K::Button, "Request Inputs", tab, 8, 189, 66, 14));
}

// The Outputs and ControlRelays tabs: 16 boxes in two columns, All On, All Off and a send button.
void AddCoilTab(std::vector<Control>& out, const std::string& base, int top, const std::string& buttonPrefix,
                int buttonY, const std::string& sendButton, const std::string& sendText, int sendWidth) {
    const std::string tab = "Tab_" + base;
    for (int n = 1; n <= 16; ++n) {
        out.push_back(Bound(Make(base + "_" + std::to_string(n), K::CheckBox, std::to_string(n), tab, n <= 8 ? 8 : 32,
                                 top + 12 * ((n - 1) % 8), 20, 10),
                            Entry(base, n)));
    }
    out.push_back(Make(buttonPrefix + "AllOn", K::Button, "&All On", tab, 56, buttonY, 44, 14));
    out.push_back(Make(buttonPrefix + "AllOff", K::Button, "All &Off", tab, 104, buttonY, 44, 14));
    out.push_back(Make(sendButton, K::Button, sendText, tab, 8, 189, sendWidth, 14));
}

void AddCountersTab(std::vector<Control>& out) {
    const std::string tab = "Tab_Counters";
    out.push_back(Make("Sheet3", K::Sheet, "", tab, 8, 32, 139, 143));
    constexpr std::array<int, 8> kRowY{58, 72, 86, 100, 114, 128, 142, 155};
    for (int t = 0; t < 16; ++t) {
        const std::string label = Octal(t);
        const std::string counterTab = "Tab_Counters_" + label;
        out.push_back(Make(counterTab, K::Tab, label, "Sheet3", 0, 0));
        for (int r = 0; r < 8; ++r) {
            int n = 8 * t + r + 1;
            out.push_back(Make("CounterRow_" + label + "_" + std::to_string(r), K::Prompt, std::to_string(r),
                               counterTab, 59, kRowY[static_cast<std::size_t>(r)]));
            out.push_back(Bound(
                Make(CounterEntryName(n), K::Entry, "", counterTab, 87, kRowY[static_cast<std::size_t>(r)], 24, 10),
                Entry("CounterCurrentValues", n), "N04"));
        }
    }
    out.push_back(Make("BRequestAllCounters", K::Button, "Request All Counters", tab, 49, 181, 97, 14));
    out.push_back(Make("BSendAllCounters", K::Button, "Send All Counters", tab, 49, 198, 97, 14));
}

void AddVMemAndUtilityTabs(std::vector<Control>& out) {
    std::string tab = "Tab_VMem";
    out.push_back(Make("VMemAddr_Prompt", K::Prompt, "VMem Addr:", tab, 10, 62));
    out.push_back(Bound(Make("VMemAddr", K::Entry, "", tab, 10, 76, 41, 10), "VMemAddr", "n6"));
    out.push_back(Make("VMemValue_Prompt", K::Prompt, "VMem Value:", tab, 57, 62));
    out.push_back(Bound(Make("VMemValue", K::Entry, "", tab, 56, 76, 57, 10), "VMemValue", "S4"));
    out.push_back(Make("BRequestVMem", K::Button, "Request VMem", tab, 10, 104, 63, 14));
    out.push_back(Make("BSendVMem", K::Button, "Send VMem", tab, 10, 123, 63, 14));
    tab = "Tab_Utility";
    out.push_back(Make("PlcRange_Prompt", K::Prompt, "PLC Range:", tab, 8, 50));
    out.push_back(Bound(Make("PlcRange", K::Entry, "", tab, 83, 49, 60, 10), "PlcRange", "s20"));
    out.push_back(Make("ModbusAddress_Prompt", K::Prompt, "Mod Bus Address:", tab, 8, 73));
    out.push_back(Bound(Make("ModbusAddress", K::Entry, "", tab, 83, 72, 60, 10), "ModbusAddress", "n4"));
}

void AddBelowSheet(std::vector<Control>& out) {
    out.push_back(Make("Group_Buttons", K::Group, "", "", 4, 262, 148, 22));
    out.push_back(Make("BOpen", K::Button, "&Open", "Group_Buttons", 8, 266, 44, 14));
    out.push_back(Make("BClose", K::Button, "&Close", "Group_Buttons", 55, 266, 44, 14));
    out.push_back(Make("BExit", K::Button, "Exit", "Group_Buttons", 104, 266, 44, 14));
    out.push_back(Make("SendPerSec_Prompt", K::Prompt, "Send Per Sec:", "", 31, 293));
    out.push_back(Bound(Make("SendPerSec", K::Entry, "", "", 81, 292, 60, 10), "SendPerSec", "n-14"));
    Control about = Make("BAbout", K::Button, "", "", 4, 310, 24, 24);
    about.icon = "Globe.ico";
    out.push_back(about);
}

void AddLists(std::vector<Control>& out) {
    out.push_back(Make("Sheet2", K::Sheet, "", "", 171, 4, 398, 331));
    out.push_back(Make("Tab_Raw", K::Tab, "Raw", "Sheet2", 0, 0));
    out.push_back(Make("Tab_Formated", K::Tab, "Formated", "Sheet2", 0, 0));
    out.push_back(Make("BClearRaw", K::Button, "Clear", "Tab_Raw", 521, 23, 44, 9));
    Control raw = Make("LRaw", K::List, "", "Tab_Raw", 175, 38, 389, 290);
    raw.use = "QReturn";
    raw.font = "Courier New";
    raw.fontSize = 8;
    raw.columns = {{"Return String", 1020, "", "ReturnString", Align::Left, 2}};
    out.push_back(raw);
    out.push_back(Make("BClearFormated", K::Button, "Clear", "Tab_Formated", 521, 18, 44, 9));
    Control formatted = Make("LFormatted", K::List, "", "Tab_Formated", 174, 28, 391, 304);
    formatted.use = "QComms";
    formatted.columns = {
        {"Sent", 32, "n-14", "Sent"},
        {"Sent Time", 32, "s20", "SentTimeString", Align::Right, 0, "00:00:00.00"},
        {"SendCount", 56, "n-14", "SendCount"},
        {"OutIdentifier", 40, "n-7", "OutModbusTcpFrame.OutTransactionIdentifier"},
        {"OutFunctionCode", 36, "n03", "OutModbusTcpFrame.OutFunctionCode"},
        {"OutLength", 28, "n-7", "OutModbusTcpFrame.OutLengthField"},
        {"Recieved", 32, "n-14", "Recieved"},
        {"InIdentifier", 40, "n-7", "InModbusTcpFrame.InTransactionIdentifier"},
        {"InFunctionCode", 36, "n03", "InModbusTcpFrame.InFunctionCode"},
        {"InLength", 28, "n-7", "InModbusTcpFrame.InLengthField"},
    };
    out.push_back(formatted);
}

WindowDeclaration Build() {
    WindowDeclaration w;
    w.title = "Brackwater";
    w.font = "Tahoma";
    w.fontSize = 10;
    w.icon = "Globe.ico";
    w.width = 581;
    w.height = 338;
    auto& out = w.controls;
    out.push_back(Make("Sheet1", K::Sheet, "", "", 4, 4, 148, 253));
    for (const char* tab : {"Config", "Inputs", "Outputs", "ControlRelays", "Counters", "VMem", "Utility"})
        out.push_back(Make(std::string("Tab_") + tab, K::Tab, tab, "Sheet1", 0, 0));
    AddConfigTab(out);
    AddInputsTab(out);
    AddCoilTab(out, "Outputs", 39, "Button_", 138, "BSendOutputs", "Send Outputs", 65);
    AddCoilTab(out, "ControlRelays", 46, "Button_ControlRelays_", 145, "BSendControlRelays", "Send Control Relays", 65);
    AddCountersTab(out);
    AddVMemAndUtilityTabs(out);
    AddBelowSheet(out);
    AddLists(out);
    return w;
}

}  // namespace

const WindowDeclaration& TestWindowDeclaration() {
    static const WindowDeclaration declaration = Build();
    return declaration;
}

std::string CounterEntryName(int n) { return "CounterCurrentValues_" + std::to_string(n); }

std::string CounterTabName(int n) { return "Tab_Counters_" + Octal((n - 1) / 8); }

}  // namespace window
