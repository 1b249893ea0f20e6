// The declaration of a window as data: its controls with name, kind, text,
// container, position, size, picture and use variable. Hosts build the window
// from it (the Qt view its widgets, the headless host its model); nothing
// about a layout is written twice.
//
// Positions and sizes are in dialog units from the window's top left; a size
// of 0 means the control's natural size.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace window {

enum class ControlKind {
    Sheet,   // a set of tabs
    Tab,     // one page of a sheet; `parent` is the sheet
    Group,   // a framed box holding other controls
    Prompt,  // a label
    Button,
    CheckBox,  // shows 1 when ticked, 0 when not
    SpinBox,   // a number with up and down arrows, within `range`
    Entry,     // one line shown and typed under a picture
    TextBox,   // one line of free text
    List,      // rows of a queue in `columns`
};

struct NumberRange {
    int64_t low = 0;
    int64_t high = 0;
    int64_t step = 1;
};

enum class Align { Left, Right };

struct ListColumn {
    std::string header{};
    int width = 0;          // dialog units
    std::string picture{};  // how the cells are shown
    std::string field{};    // the queue field shown, e.g. "OutModbusTcpFrame.OutFunctionCode"
    Align align = Align::Right;
    int indent = 0;
    std::string widest{};  // the widest text its cells show, to size the column by the real font ("" = none)
};

struct Control {
    std::string name{};  // unique; also the widget's object name
    ControlKind kind = ControlKind::Prompt;
    std::string text{};    // caption; "&" marks the keyboard shortcut of the next letter
    std::string parent{};  // containing tab, sheet or group; "" = the window itself
    int x = 0;
    int y = 0;
    int width = 0;
    int height = 0;
    std::string picture{};  // entries and spin boxes
    std::string use{};      // bound variable, e.g. "Port" or "Inputs[3]"; lists: the queue
    NumberRange range{};    // spin boxes
    std::string icon{};     // buttons with an icon
    std::string font{};     // "" = the window's font
    int fontSize = 0;
    std::vector<ListColumn> columns{};  // lists

    /// Controls whose value the user changes and the window copies back on Update.
    bool TakesInput() const {
        return kind == ControlKind::CheckBox || kind == ControlKind::SpinBox || kind == ControlKind::Entry ||
               kind == ControlKind::TextBox;
    }
};

struct WindowDeclaration {
    std::string title{};
    std::string font{};
    int fontSize = 0;
    std::string icon{};
    int width = 0;  // client area, dialog units
    int height = 0;
    std::vector<Control> controls;

    /// The control called `name`, or nullptr.
    const Control* Find(std::string_view name) const;
    /// The prompt that labels `control`: the prompt declared just before it in
    /// the same container, with a text ending in a colon; nullptr when none.
    const Control* PromptOf(const Control& control) const;
    /// The tabs of `sheet`, in order.
    std::vector<const Control*> TabsOf(std::string_view sheet) const;
};

}  // namespace window
