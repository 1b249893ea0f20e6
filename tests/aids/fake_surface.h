// A window surface for the aids' tests: a few controls with kind, place and
// text, the current event, and a record of everything drawn, posted, shown
// and changed.
#pragma once

#include <map>
#include <string>
#include <vector>

#include "aids/surface.h"

namespace aids::testing {

struct FakeControl {
    int32_t kind = kind::kEntry;
    Rect at{};
    bool visible = true;
    bool required = false;
    std::string shown;
    Colour textColour = 0x000000;
};

struct Message {
    std::string text;
    std::string caption;
    MessageIcon icon = MessageIcon::None;
};

class FakeSurface : public Surface {
public:
    std::map<int32_t, FakeControl> controls;
    int32_t event = 0;
    int32_t field = 0;
    int32_t keyCode = 0;
    bool acceptAll = false;
    Point pointer{};

    std::vector<std::string> drawing;  // "box x,y,w,h fill border", "char x,y text colour", "erase x,y,w,h"
    std::vector<std::string> looks;    // changes of a control's look
    std::vector<std::pair<int32_t, int32_t>> posts;
    std::vector<Message> messages;
    std::vector<int32_t> selected;

    /// Makes `e` the current event for `control`.
    void At(int32_t e, int32_t control = 0) {
        event = e;
        field = control;
    }

    int32_t Event() const override { return event; }
    int32_t Field() const override { return field; }
    int32_t KeyCode() const override { return keyCode; }
    bool InAcceptAllPass() const override { return acceptAll; }

    int32_t Kind(int32_t control) const override {
        auto it = controls.find(control);
        return it == controls.end() ? kind::kNone : it->second.kind;
    }
    Rect Position(int32_t control) const override { return Find(control).at; }
    bool IsVisible(int32_t control) const override { return Find(control).visible; }
    bool IsRequired(int32_t control) const override { return Find(control).required; }
    std::string ShownText(int32_t control) const override { return Find(control).shown; }
    Point PointerPosition() const override { return pointer; }
    Colour TextColour(int32_t control) const override { return Find(control).textColour; }

    void SetTextColour(int32_t control, Colour colour) override { Look(control, "colour " + std::to_string(colour)); }
    void SetBackgroundColour(int32_t control, Colour colour) override {
        Look(control, "background " + std::to_string(colour));
    }
    void SetFontWeight(int32_t control, int32_t weight) override { Look(control, "weight " + std::to_string(weight)); }
    void SetUnderline(int32_t control, bool on) override { Look(control, on ? "underline" : "no underline"); }
    void SetCursor(int32_t control, std::string_view file) override { Look(control, "cursor " + std::string(file)); }
    void AddAlertKey(int32_t control, int32_t key) override { Look(control, "alert " + std::to_string(key)); }
    void CreateRegion(int32_t region, int32_t control) override {
        Look(region, "region over " + std::to_string(control));
        FakeControl made = Find(control);
        made.kind = kind::kRegion;
        controls[region] = made;
    }

    void Select(int32_t control) override { selected.push_back(control); }
    void Post(int32_t e, int32_t control) override { posts.emplace_back(e, control); }
    void MessageBox(std::string_view text, std::string_view caption, MessageIcon icon) override {
        messages.push_back(Message{std::string(text), std::string(caption), icon});
    }

    void DrawBox(Rect a, Colour fill, Colour border) override {
        drawing.push_back("box " + Area(a) + " " + std::to_string(fill) + " " + std::to_string(border));
    }
    void DrawCharacter(Point p, std::string_view text, Colour colour) override {
        drawing.push_back("char " + std::to_string(p.x) + "," + std::to_string(p.y) + " " + std::string(text) + " " +
                          std::to_string(colour));
    }
    void Erase(Rect a) override { drawing.push_back("erase " + Area(a)); }

    static std::string Area(Rect a) {
        return std::to_string(a.x) + "," + std::to_string(a.y) + "," + std::to_string(a.width) + "," +
               std::to_string(a.height);
    }

private:
    const FakeControl& Find(int32_t control) const {
        static const FakeControl kMissing{kind::kNone, {}, false, false, {}, 0};
        auto it = controls.find(control);
        return it == controls.end() ? kMissing : it->second;
    }
    void Look(int32_t control, const std::string& what) { looks.push_back(std::to_string(control) + " " + what); }
};

}  // namespace aids::testing
