// The window as the user sees it: every declared control as a widget with its
// text, place, font, picture and accessible name.
#include <QCheckBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QSpinBox>
#include <QTreeView>

#include "gui/multi_row_tab_bar.h"
#include "gui/queue_model.h"
#include "gui/resources.h"
#include "gui/status_line.h"
#include "gui_fixture.h"
#include "window/test_layout.h"

namespace gui_test {
namespace {

using window::ControlKind;

class LayoutTest : public GuiWindowTest {
protected:
    void SetUp() override { StartWindow(); }
    const window::WindowDeclaration& Declaration() { return window::TestWindowDeclaration(); }
    gui::DialogUnits Units() { return *host->Units(); }
};

TEST_F(LayoutTest, WindowIsBrackwaterWithItsClientAreaInDialogUnitsOfItsFont) {
    QWidget* top = host->Window();
    ASSERT_NE(top, nullptr);
    EXPECT_EQ(top->windowTitle(), "Brackwater");
    EXPECT_EQ(top->font().pointSize(), 10);
    EXPECT_FALSE(top->windowIcon().isNull());
    const gui::DialogUnits units = gui::DialogUnits::Of(top->font());
    EXPECT_GE(top->width(), units.X(581)) << "the window may grow to fit its lists' columns";
    // The declared client area, and the status line's one line under it.
    EXPECT_EQ(top->height(), units.Y(338 + gui::StatusLine::kHeightUnits));
    // A unit is a quarter of the average letter width across and an eighth of the line height down.
    EXPECT_EQ(units.X(4), static_cast<int>(std::lround(units.AverageWidth())));
    EXPECT_EQ(units.Y(8), QFontMetrics(top->font()).height());
}

TEST_F(LayoutTest, EveryDeclaredControlHasItsWidgetTextAndPlace) {
    const gui::DialogUnits units = Units();
    for (const auto& control : Declaration().controls) {
        SCOPED_TRACE(control.name);
        QWidget* widget = host->Widget(control.name);
        ASSERT_NE(widget, nullptr);
        EXPECT_EQ(widget->objectName().toStdString(), control.name);
        const QString text = QString::fromStdString(control.text);
        switch (control.kind) {
            case ControlKind::Button:
                EXPECT_EQ(static_cast<QPushButton*>(widget)->text(), text);
                break;
            case ControlKind::CheckBox:
                EXPECT_EQ(static_cast<QCheckBox*>(widget)->text(), text);
                break;
            case ControlKind::Prompt:
                EXPECT_EQ(static_cast<QLabel*>(widget)->text(), text);
                break;
            case ControlKind::SpinBox:
                EXPECT_NE(dynamic_cast<QSpinBox*>(widget), nullptr);
                break;
            case ControlKind::Entry:
            case ControlKind::TextBox:
                EXPECT_NE(dynamic_cast<QLineEdit*>(widget), nullptr);
                break;
            case ControlKind::List:
                EXPECT_NE(dynamic_cast<QTreeView*>(widget), nullptr);
                break;
            default:
                break;
        }
        if (control.kind == ControlKind::Tab) continue;  // pages of their sheet
        // Never left of nor narrower than the layout's proportions; the real font may ask for more.
        EXPECT_GE(widget->x(), units.X(control.x));
        EXPECT_EQ(widget->y(), units.Y(control.y));
        if (control.width > 0) {
            EXPECT_GE(widget->width(), units.X(control.x + control.width) - units.X(control.x));
            const bool captioned = control.kind == ControlKind::Button || control.kind == ControlKind::CheckBox ||
                                   control.kind == ControlKind::Prompt;
            if (captioned && !control.text.empty()) {
                EXPECT_GE(widget->width(), widget->sizeHint().width()) << "the caption shows whole";
            }
        }
        if (control.x < 171) {
            EXPECT_EQ(widget->x(), units.X(control.x)) << "left of the lists nothing moves";
        }
        if (control.height > 0) {
            EXPECT_EQ(widget->height(), units.Y(control.y + control.height) - units.Y(control.y));
        }
    }
}

TEST_F(LayoutTest, SheetsShowTheirTabsInOrder) {
    auto labels = [this](const std::string& sheet) {
        std::vector<std::string> out;
        auto* tabs = Find<QTabWidget>(sheet);
        for (int i = 0; tabs && i < tabs->count(); ++i) out.push_back(tabs->tabText(i).toStdString());
        return out;
    };
    EXPECT_EQ(labels("Sheet1"), (std::vector<std::string>{"Config", "Inputs", "Outputs", "ControlRelays", "Counters",
                                                          "VMem", "Utility"}));
    EXPECT_EQ(labels("Sheet2"), (std::vector<std::string>{"Raw", "Formated"}));
    EXPECT_EQ(labels("Sheet3"), (std::vector<std::string>{"0", "1", "2", "3", "4", "5", "6", "7", "10", "11", "12",
                                                          "13", "14", "15", "16", "17"}));
}

TEST_F(LayoutTest, SheetTabsWrapIntoRowsSoEveryTabShowsAndTheCurrentRowMeetsThePages) {
    ShowTab("Tab_Counters");
    for (const char* name : {"Sheet1", "Sheet3"}) {
        SCOPED_TRACE(name);
        auto* bar = dynamic_cast<gui::MultiRowTabBar*>(Find<QTabWidget>(name)->tabBar());
        ASSERT_NE(bar, nullptr);
        EXPECT_GE(bar->Rows(), 2);
        for (int i = 0; i < bar->count(); ++i) EXPECT_TRUE(bar->rect().contains(bar->RowTabRect(i))) << i;
        EXPECT_EQ(bar->RowTabRect(bar->currentIndex()).bottom(), bar->rect().bottom());
    }
    ShowTab("Tab_Utility");  // a tab of another row: its row moves next to the pages
    auto* bar = dynamic_cast<gui::MultiRowTabBar*>(Find<QTabWidget>("Sheet1")->tabBar());
    EXPECT_EQ(bar->RowTabRect(6).bottom(), bar->rect().bottom());
    // The counters' entries stand below the tabs of their sheet.
    ShowTab("Tab_Counters");
    ShowTab("Tab_Counters_0");
    QWidget* sheet3 = Find("Sheet3");
    EXPECT_LT(sheet3->y() + Find<QTabWidget>("Sheet3")->tabBar()->height(), Find("CounterCurrentValues_1")->y());
}

TEST_F(LayoutTest, OnlyTheControlsOfTheTabsInFrontAreShowing) {
    EXPECT_TRUE(Find("AutoTime")->isVisible());
    EXPECT_TRUE(Find("LRaw")->isVisible());
    EXPECT_TRUE(Find("BOpen")->isVisible());
    EXPECT_FALSE(Find("Inputs_1")->isVisible());
    EXPECT_FALSE(Find("LFormatted")->isVisible());
    ShowTab("Tab_Counters");
    ShowTab("Tab_Counters_12");
    // Tab "12", row 5 is counter 125 octal, element 86.
    EXPECT_TRUE(Find("CounterCurrentValues_86")->isVisible());
    EXPECT_EQ(Find("CounterCurrentValues_86")->y(), Units().Y(128));
    EXPECT_FALSE(Find("CounterCurrentValues_1")->isVisible());
    EXPECT_FALSE(Find("AutoTime")->isVisible());
    EXPECT_TRUE(host->IsVisible(*Declaration().Find("CounterCurrentValues_86")));
    EXPECT_FALSE(host->IsVisible(*Declaration().Find("CounterCurrentValues_1")));
}

TEST_F(LayoutTest, ListsShowTheirColumnsWithHeadersWidthsAndAlignment) {
    const gui::DialogUnits units = Units();
    auto* raw = Find<QTreeView>("LRaw");
    ASSERT_EQ(raw->model()->columnCount(), 1);
    EXPECT_EQ(raw->model()->headerData(0, Qt::Horizontal).toString(), "Return String");
    EXPECT_EQ(raw->columnWidth(0), units.X(1020));
    EXPECT_TRUE(QFontInfo(raw->font()).fixedPitch());
    EXPECT_EQ(raw->font().pointSize(), 8);

    auto* formatted = Find<QTreeView>("LFormatted");
    const std::vector<std::pair<QString, int>> columns{
        {"Sent", 32},      {"Sent Time", 32}, {"SendCount", 56},    {"OutIdentifier", 40},  {"OutFunctionCode", 36},
        {"OutLength", 28}, {"Recieved", 32},  {"InIdentifier", 40}, {"InFunctionCode", 36}, {"InLength", 28}};
    ASSERT_EQ(formatted->model()->columnCount(), static_cast<int>(columns.size()));
    for (int c = 0; c < static_cast<int>(columns.size()); ++c) {
        EXPECT_EQ(formatted->model()->headerData(c, Qt::Horizontal).toString(),
                  columns[static_cast<std::size_t>(c)].first);
        EXPECT_GE(formatted->columnWidth(c), units.X(columns[static_cast<std::size_t>(c)].second));
        EXPECT_GE(formatted->columnWidth(c), formatted->header()->sectionSizeHint(c)) << "the header shows whole";
        EXPECT_EQ(formatted->header()->sectionResizeMode(c), QHeaderView::Interactive);
        const auto align =
            formatted->model()->headerData(c, Qt::Horizontal, Qt::TextAlignmentRole).value<Qt::Alignment>();
        EXPECT_TRUE(align & Qt::AlignRight);
    }
}

TEST_F(LayoutTest, TheFormattedListShowsTheSentTimeWholeAndAllItsColumnsSideBySide) {
    auto* formatted = Find<QTreeView>("LFormatted");
    EXPECT_GT(formatted->columnWidth(1), formatted->fontMetrics().horizontalAdvance("23:59:59.99"));
    const int chrome = 2 * formatted->frameWidth() + formatted->verticalScrollBar()->sizeHint().width();
    EXPECT_LE(formatted->header()->length(), formatted->width() - chrome) << "no column hides to the right";
    // The Clear button keeps its place at the top right of the list.
    EXPECT_EQ(Find("BClearFormated")->geometry().right(), formatted->geometry().right());
}

TEST_F(LayoutTest, EveryControlHasANameAScreenReaderCanSpeak) {
    EXPECT_EQ(Find("BOpen")->accessibleName(), "Open");
    EXPECT_EQ(Find("Button_AllOff")->accessibleName(), "All Off");
    EXPECT_EQ(Find("AutoTime")->accessibleName(), "Auto Time");
    EXPECT_EQ(Find("TimerValue")->accessibleName(), "Timer Value");
    EXPECT_EQ(Find("SendAllTimerValue")->accessibleName(), "Send All Timer Value");
    EXPECT_EQ(Find("SendPerSec")->accessibleName(), "Send Per Sec");
    EXPECT_EQ(Find("CounterCurrentValues_86")->accessibleName(), "CounterCurrentValues_86");
    EXPECT_EQ(Find("BAbout")->accessibleName(), "About");
    EXPECT_EQ(Find("Tab_Formated")->accessibleName(), "Formated");
    EXPECT_EQ(Find<QLabel>("Port_Prompt")->buddy(), Find("Port"));
    for (const auto& control : Declaration().controls)
        EXPECT_FALSE(Find(control.name)->accessibleName().isEmpty()) << control.name;
}

TEST_F(LayoutTest, AmpersandsMarkShortcutsAndTheAboutButtonShowsTheGlobe) {
    auto* open = Find<QPushButton>("BOpen");
    EXPECT_EQ(open->shortcut(), QKeySequence(QKeySequence::mnemonic("&Open")));
    auto* about = Find<QPushButton>("BAbout");
    EXPECT_TRUE(about->text().isEmpty());
    EXPECT_FALSE(about->icon().isNull());
    EXPECT_FALSE(gui::IconFor("Globe.ico").pixmap(16, 16).isNull());
}

TEST_F(LayoutTest, EntriesShowTheirVariablesUnderTheirPictures) {
    EXPECT_EQ(Find<QSpinBox>("AfterSendPauseValue")->text(), "0020");  // n04, the default pause
    EXPECT_EQ(Find<QSpinBox>("TimerValue")->maximum(), 100);
    EXPECT_EQ(Find<QSpinBox>("AfterSendPauseValue")->maximum(), 9999);
    EXPECT_EQ(Find<QLineEdit>("CounterCurrentValues_1")->text(), "0000");  // N04
    EXPECT_EQ(Find<QLineEdit>("PlcRange")->maxLength(), 20);               // s20
}

}  // namespace
}  // namespace gui_test
