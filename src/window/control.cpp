#include "window/control.h"

namespace window {

const Control* WindowDeclaration::Find(std::string_view name) const {
    for (const auto& control : controls)
        if (control.name == name) return &control;
    return nullptr;
}

std::vector<const Control*> WindowDeclaration::TabsOf(std::string_view sheet) const {
    std::vector<const Control*> tabs;
    for (const auto& control : controls)
        if (control.kind == ControlKind::Tab && control.parent == sheet) tabs.push_back(&control);
    return tabs;
}

const Control* WindowDeclaration::PromptOf(const Control& control) const {
    if (!control.TakesInput()) return nullptr;
    const Control* before = nullptr;
    for (const auto& candidate : controls) {
        if (&candidate == &control) break;
        before = &candidate;
    }
    if (before == nullptr || before->kind != ControlKind::Prompt || before->parent != control.parent) return nullptr;
    return !before->text.empty() && before->text.back() == ':' ? before : nullptr;
}

}  // namespace window
