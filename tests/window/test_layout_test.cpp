// The declaration of the test window: one table for every host.
#include "window/test_layout.h"

#include <gtest/gtest.h>

#include <set>

namespace window {
namespace {

const Control& Get(std::string_view name) {
    const Control* control = TestWindowDeclaration().Find(name);
    if (control == nullptr) throw std::invalid_argument(std::string(name));
    return *control;
}

TEST(TestLayout, NamesAreUniqueAndEveryContainerExists) {
    const auto& w = TestWindowDeclaration();
    EXPECT_EQ(w.title, "Brackwater");
    EXPECT_EQ(w.width, 581);
    EXPECT_EQ(w.height, 338);
    std::set<std::string> names;
    for (const auto& c : w.controls) {
        EXPECT_TRUE(names.insert(c.name).second) << c.name;
        if (!c.parent.empty()) {
            EXPECT_NE(w.Find(c.parent), nullptr) << c.name;
        }
    }
}

TEST(TestLayout, TabsInTheirOrder) {
    std::vector<std::string> texts;
    for (const Control* tab : TestWindowDeclaration().TabsOf("Sheet1")) texts.push_back(tab->text);
    EXPECT_EQ(texts, (std::vector<std::string>{"Config", "Inputs", "Outputs", "ControlRelays", "Counters", "VMem",
                                               "Utility"}));
    texts.clear();
    for (const Control* tab : TestWindowDeclaration().TabsOf("Sheet3")) texts.push_back(tab->text);
    EXPECT_EQ(texts, (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "10", "11", "12", "13", "14",
                                               "15", "16", "17"}));
}

TEST(TestLayout, CounterEntriesSitOnTheirOctalTabAndRow) {
    EXPECT_EQ(Get("CounterCurrentValues_16").parent, "Tab_Counters_1");  // counter 17 octal
    EXPECT_EQ(Get("CounterCurrentValues_16").y, 155);
    EXPECT_EQ(Get("CounterCurrentValues_128").parent, "Tab_Counters_17");  // counter 177 octal
    EXPECT_EQ(Get("CounterCurrentValues_86").parent, "Tab_Counters_12");   // counter 125 octal
    EXPECT_EQ(Get("CounterCurrentValues_86").y, 128);
    EXPECT_EQ(Get("CounterRow_12_5").text, "5");
    EXPECT_EQ(Get("CounterCurrentValues_86").use, "CounterCurrentValues[86]");
    EXPECT_EQ(Get("CounterCurrentValues_86").picture, "N04");
    EXPECT_EQ(CounterTabName(86), "Tab_Counters_12");
}

TEST(TestLayout, OnlyTheShownEntriesOfEachTableHaveControls) {
    EXPECT_EQ(Get("Inputs_20").use, "Inputs[20]");
    EXPECT_EQ(Get("Inputs_20").text, "19");
    EXPECT_EQ(Get("Inputs_20").x, 56);
    EXPECT_EQ(Get("Inputs_17").y, 52);
    EXPECT_EQ(Get("Inputs_9").x, 32);
    EXPECT_EQ(TestWindowDeclaration().Find("Inputs_21"), nullptr);
    EXPECT_EQ(TestWindowDeclaration().Find("Outputs_17"), nullptr);
    EXPECT_EQ(Get("Outputs_16").x, 32);
    EXPECT_EQ(Get("Outputs_16").y, 39 + 7 * 12);
    EXPECT_EQ(Get("ControlRelays_1").y, 46);
}

TEST(TestLayout, SpinBoxesAdmitWhatTheWindowAllows) {
    EXPECT_EQ(Get("TimerValue").range.high, 100);
    EXPECT_EQ(Get("AfterSendPauseValue").range.high, 9999);
    EXPECT_EQ(Get("SendAllTimerValue").range.high, 100);
    EXPECT_EQ(Get("LFormatted").columns.size(), 10u);
}

}  // namespace
}  // namespace window
