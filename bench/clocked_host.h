// A window host for the program benchmark: no screen, the system clock. It
// keeps what each control shows (as a view keeps its widgets' values), runs
// the window's timer from the real clock and its posted events as they come,
// and lets the benchmark act as the user (tick, type, press).
//
// Window thread only (the benchmark's main thread).
#pragma once

#include <chrono>
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "window/host.h"
#include "window/window_manager.h"

namespace bench {

class ClockedHost : public window::WindowHost {
public:
    /// Runs the window's Init and what it posted.
    int Start(window::WindowManager& window);
    /// Runs posted events and timer ticks until `until`.
    void RunUntil(std::chrono::steady_clock::time_point until);
    /// Closes the window as its close box does and runs its Kill.
    void Close();

    void Tick(const std::string& checkBox);
    void Enter(const std::string& control, const std::string& text);
    void Press(const std::string& button);

    int64_t Ticks() const { return ticks_; }

    // --- WindowHost ---
    void OpenWindow(const window::WindowDeclaration& declaration) override;
    void CloseWindow() override;
    void SetTimer(int32_t hundredths) override;
    void Show(const window::Control& control, const window::ControlValue& value) override;
    void ShowRows(const window::Control& list, const std::vector<std::vector<std::string>>& rows) override;
    window::ControlValue Read(const window::Control& control) const override;
    void MessageBox(std::string_view text, std::string_view caption) override;
    void DrawBox(const window::DrawnBox&) override {}
    void DrawCharacter(const window::DrawnCharacter&) override {}
    void ClearDrawing() override {}
    window::Rect Position(const window::Control& control) const override;
    bool IsVisible(const window::Control&) const override { return true; }
    void Post(int event) override;
    window::WindowEvent NextEvent() override;

private:
    void Act(int event, const std::string& field);
    const window::Control* ControlNamed(const std::string& name) const;
    void RunPosted();

    window::WindowManager* window_ = nullptr;
    // Keyed by the declaration's controls, which outlive the window.
    std::unordered_map<const window::Control*, window::ControlValue> values_;
    std::unordered_map<const window::Control*, std::vector<std::vector<std::string>>> rows_;
    const window::WindowDeclaration* declaration_ = nullptr;
    std::chrono::milliseconds period_{0};
    std::chrono::steady_clock::time_point nextTick_{};
    int64_t ticks_ = 0;
};

}  // namespace bench
