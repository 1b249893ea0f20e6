#include "window/test_window.h"

#include <algorithm>
#include <cctype>

#include "modbus/requests.h"
#include "modbus/send_log.h"
#include "modbus/transmission.h"
#include "platform/clock.h"
#include "window/plc_address.h"
#include "window/test_layout.h"
#include "window/test_settings.h"

namespace window {

TestWindow::TestWindow(WindowHost& host, TestWindowParts parts)
    : ThisWindow(*this, host, bindings_),
      parts_(std::move(parts)),
      statusLine_(ThisWindow.Declaration().Find("LFormatted")) {
    if (!parts_.connection)
        parts_.connection = [](TestData& data, TestWindowServices& window) {
            return std::make_unique<MyC>(data, window);
        };
    link_ = parts_.link ? parts_.link(ThisWindow) : std::make_unique<PlainHyperLink>();
    focus_ = parts_.focus ? parts_.focus(ThisWindow) : std::make_unique<PlainFocusHighlight>();
    if (parts_.settingsFile.empty()) parts_.settingsFile = kSettingsFile;
    if (parts_.productAddress.empty()) parts_.productAddress = kProductAddress;
    connection_ = parts_.connection(Data, *this);
    Bind();
    ThisWindow.SetAfterDisplay(
        [this] { statusLine_.Show(ThisWindow.Host(), *connection_, Data, ThisWindow.Timer() > 0); });
}

TestWindow::~TestWindow() = default;

void TestWindow::Bind() {
    const std::pair<const char*, int32_t*> numbers[] = {
        {"AutoTime", &Data.AutoTime},
        {"TimerValue", &Data.TimerValue},
        {"AfterSendPauseValue", &Data.AfterSendPauseValue},
        {"SendAllTimerValue", &Data.SendAllTimerValue},
        {"RequestInputs", &Data.RequestInputs},
        {"SendOutputs", &Data.SendOutputs},
        {"SendControlRelays", &Data.SendControlRelays},
        {"RequestAllCounters", &Data.RequestAllCounters},
        {"SendAllCounters", &Data.SendAllCounters},
        {"ModbusAddress", &Data.ModbusAddress},
        {"SendPerSec", &Data.SendPerSec},
    };
    for (const auto& [name, field] : numbers) bindings_.BindNumber(name, *field);
    bindings_.BindNumber("Port", Data.Port);
    bindings_.BindNumber("VMemAddr", Data.VMemAddr);
    bindings_.BindNumber("VMemValue", Data.VMemValue);
    bindings_.BindText("Server", Data.Server);
    bindings_.BindText("PlcRange", Data.PlcRange);
    bindings_.BindTable("Inputs", Data.Inputs, 20);
    bindings_.BindTable("Outputs", Data.Outputs, 16);
    bindings_.BindTable("ControlRelays", Data.ControlRelays, 16);
    bindings_.BindTable("CounterCurrentValues", Data.CounterCurrentValues, 128);
    bindings_.BindRows("QReturn", [this](std::vector<Row>& rows) {
        rows.resize(Data.QReturn.size());
        std::size_t at = 0;
        for (const ReturnRow& line : Data.QReturn) FillRow(rows[at++], line.ReturnString.View());
    });
    bindings_.BindRows("QComms", [this](std::vector<Row>& rows) {
        rows.resize(Data.QComms.size());
        std::size_t at = 0;
        for (const CommsRow& row : Data.QComms) {
            const auto& out = row.OutModbusTcpFrame;
            const auto& in = row.InModbusTcpFrame;
            FillRow(rows[at++], int64_t{row.Sent}, row.SentTimeString.View(), int64_t{row.SendCount},
                    int64_t{out.TransactionIdentifier()}, int64_t{out.FunctionCode()}, int64_t{out.LengthField()},
                    int64_t{row.Recieved}, int64_t{in.TransactionIdentifier()}, int64_t{in.FunctionCode()},
                    int64_t{in.LengthField()});
        }
    });
}

ThisWindowClass::ThisWindowClass(TestWindow& owner, WindowHost& host, Bindings& bindings)
    : WindowManager(host, TestWindowDeclaration(), bindings), t_(owner) {}

int ThisWindowClass::Init() {
    GlobalErrors.SetProcedureName("Test");
    Request = GlobalRequest;
    if (int result = WindowManager::Init(); result != kLevelBenign) return result;
    SetFirstField("AutoTime");
    VCRRequestPointer = &VCRRequest;
    Errors = &GlobalErrors;
    GlobalRequest = 0;
    GlobalResponse = 0;
    SetCloseButton("BExit", kRequestCompleted);
    ReadTestSettings(t_.Data, t_.SettingsFile());
    settingsRead_ = true;
    ApplyServerOverride();
    t_.Data.Gti = 0;
    Open();
    SetTimer(0);
    t_.Connection().SuppressErrorMsg = 1;
    t_.Connection().Init(NET::SimpleClient);  // a failure is reported by the connection's own error trap
    HyperLinkAid& link = t_.ThisHyperLink();
    link.SetHandCursorToUse("~hand2.cur");
    SetTimer(8);
    link.Init(kTimer, 0);
    link.SetLimitURL(-1);
    link.AddItem("BAbout", t_.ProductAddress(), 0);
    link.Refresh("");
    SetAlerts();
    t_.FocusHighlightManager().Init(FocusHighlightSettings{});
    return kLevelBenign;
}

int ThisWindowClass::TakeEvent() {
    t_.Connection().TakeEvent(Event());
    t_.ThisHyperLink().TakeEvent();
    t_.FocusHighlightManager().TakeEvent();
    return WindowManager::TakeEvent();
}

int ThisWindowClass::TakeWindowEvent() {
    int result = WindowManager::TakeWindowEvent();
    if (Event() == kOpenWindow) t_.ThisHyperLink().Refresh("");
    if (Event() == kTimer) TakeTimer();
    return result;
}

void ThisWindowClass::TakeTimer() {
    TestData& data = t_.Data;
    if (data.Bump != 0) {
        data.Bump = 0;
        if (Timer() == 1) SetTimer(0);
    }
    data.TimerValue = Timer();
    CutRawList(data);
    SendAllPass();
    TransmissionPass(data, t_.Connection());
}

// The send-all pass runs when more than SendAllTimerValue hundredths have passed
// since the last one. Across midnight the time of day starts again from 1; the
// difference is then counted into the new day, so the pass keeps its rhythm.
void ThisWindowClass::SendAllPass() {
    TestData& data = t_.Data;
    int32_t now = platform::ClockTime();
    if (HundredthsSince(data.LastSendAll, now) <= data.SendAllTimerValue) return;
    data.LastSendAll = now;
    if (data.RequestInputs) rRequestInputs(data);
    if (data.SendOutputs) rSendOutputs(data);
    if (data.SendControlRelays) rSendControlRelays(data);
    if (data.RequestAllCounters) rRequestAllCounters(data);
    if (data.SendAllCounters) rSendAllCounters(data);
}

int ThisWindowClass::TakeNewSelection() {
    int result = WindowManager::TakeNewSelection();
    if (Field() == "TimerValue") SetTimer(t_.Data.TimerValue);
    return result;
}

int ThisWindowClass::TakeAccepted() {
    int result = WindowManager::TakeAccepted();
    RunAccepted(Field());
    return result;
}

void ThisWindowClass::RunAccepted(const std::string& control) {
    TestData& data = t_.Data;
    if (control == "TimerValue") return SetTimer(data.TimerValue);
    if (control == "PlcRange") return ConvertPlcRange();
    using Action = void (*)(ThisWindowClass&, TestData&);
    static const std::vector<std::pair<std::string_view, Action>> kButtons{
        {"BPostTimerEvent", [](ThisWindowClass& w, TestData& d) { w.SetTimer(1), d.Bump = 1; }},
        {"BRequestInputs", [](ThisWindowClass&, TestData& d) { rRequestInputs(d); }},
        {"Button_AllOn", [](ThisWindowClass&, TestData& d) { d.Outputs.Fill(1); }},
        {"Button_AllOff", [](ThisWindowClass&, TestData& d) { d.Outputs.Fill(0); }},
        {"BSendOutputs", [](ThisWindowClass&, TestData& d) { rSendOutputs(d); }},
        {"Button_ControlRelays_AllOn", [](ThisWindowClass&, TestData& d) { d.ControlRelays.Fill(1, 512, 1); }},
        {"Button_ControlRelays_AllOff", [](ThisWindowClass&, TestData& d) { d.ControlRelays.Fill(0); }},
        {"BSendControlRelays", [](ThisWindowClass&, TestData& d) { rSendControlRelays(d); }},
        {"BRequestAllCounters", [](ThisWindowClass&, TestData& d) { rRequestAllCounters(d); }},
        {"BSendAllCounters", [](ThisWindowClass&, TestData& d) { rSendAllCounters(d); }},
        {"BRequestVMem", [](ThisWindowClass&, TestData& d) { rRequestVMem(d); }},
        {"BSendVMem", [](ThisWindowClass&, TestData& d) { rSendVMem(d); }},
        {"BOpen", [](ThisWindowClass& w, TestData&) { w.OpenButton(); }},
        {"BClose", [](ThisWindowClass& w, TestData&) { w.t_.Connection().Close(), w.SetTimer(0); }},
        {"BClearRaw", [](ThisWindowClass&, TestData& d) { ClearRawList(d); }},
        {"BClearFormated", [](ThisWindowClass&, TestData& d) { ClearSendLog(d); }},
    };
    for (const auto& [name, action] : kButtons) {
        if (name != control) continue;
        Update();  // every button acts on what the window shows
        action(*this, data);
        return;
    }
}

// The run's own server replaces the stored one in the window; the stored one
// is kept aside for the settings file, whatever the user does meanwhile.
void ThisWindowClass::ApplyServerOverride() {
    const auto& given = t_.ServerOverride();
    if (!given) return;
    storedServer_ = ServerAndPort{t_.Data.Server.Str(), t_.Data.Port};
    t_.Data.Server = given->server;
    t_.Data.Port = given->port;
}

// Port 0 is no port a server listens on: Open is refused with a message and
// changes nothing, not even the timer.
void ThisWindowClass::OpenButton() {
    if (t_.Data.Port == 0) return Message(kPortZeroMessage, "Brackwater");
    OpenIfClosed(t_.Data, t_.Connection());
    SetTimer(t_.Data.TimerValue);
}

void ThisWindowClass::ConvertPlcRange() {
    TestData& data = t_.Data;
    std::string upper(data.PlcRange.Whole());
    std::transform(upper.begin(), upper.end(), upper.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    data.PlcRange = upper;
    if (auto address = ModbusAddressOf(data.PlcRange.Whole())) {
        data.ModbusAddress = *address;
        return;
    }
    Message(kUnknownMemoryTypeMessage, "PLC Range");
    data.ModbusAddress = 0;
}

int ThisWindowClass::Kill() {
    t_.Connection().Kill();
    if (int result = WindowManager::Kill(); result != kLevelBenign) return result;
    // A window whose Init failed before the settings were read must not
    // overwrite the stored settings with start values.
    if (settingsRead_) {
        const ServerAndPort shown{t_.Data.Server.Str(), t_.Data.Port};
        WriteTestSettings(t_.Data, storedServer_.value_or(shown), t_.SettingsFile());
    }
    GlobalErrors.SetProcedureName("");
    return kLevelBenign;
}

void Test(WindowHost& host, TestWindowParts parts) {
    TestWindow window(host, std::move(parts));
    GlobalResponse = static_cast<uint8_t>(window.Run());
}

}  // namespace window
