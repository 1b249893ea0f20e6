// Runs the test window on the real Qt view (offscreen platform) against a
// connection that only records what it is asked to do. The test drives the
// window manager's three phases itself: Start, then every waiting event
// through Dispatch, so nothing blocks in the view's own loop.
#pragma once

#include <gtest/gtest.h>
#include <stdlib.h>

#include <QApplication>
#include <QCoreApplication>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "gui/multi_row_tab_bar.h"
#include "gui/qt_window_host.h"
#include "modbus/test_connection.h"
#include "platform/threads.h"
#include "window/test_window.h"

namespace gui_test {

/// The one QApplication of the test program (made by gui_main.cpp).
inline QApplication& App() {
    auto* app = qobject_cast<QApplication*>(QCoreApplication::instance());
    if (app == nullptr) throw std::logic_error("the view tests need gui_main.cpp's QApplication");
    return *app;
}

class RecordingConnection : public MyC {
public:
    using MyC::MyC;
    void Init(uint32_t) override {}
    void Open(std::string_view server, uint16_t port) override {
        opens.push_back(std::string(server) + ":" + std::to_string(port));
        AsyncOpenBusy = 1;
    }
    void Send() override { ++sends; }
    void Close() override { ++closes; }
    void Abort() override {}
    void Kill() override {}
    void TakeEvent(int32_t) override {}

    std::vector<std::string> opens;
    int sends = 0;
    int closes = 0;
};

class GuiWindowTest : public ::testing::Test {
protected:
    GuiWindowTest() {
        App();
        while (platform::TakeEvent()) {
        }
        std::string pattern = (std::filesystem::temp_directory_path() / "gui-XXXXXX").string();
        if (::mkdtemp(pattern.data()) == nullptr) throw std::runtime_error("no temporary directory");
        dir_ = pattern;
        host = std::make_unique<gui::QtWindowHost>();
    }
    ~GuiWindowTest() override {
        if (window && !window->ThisWindow.Killed()) window->ThisWindow.Finish();
        window.reset();
        host.reset();
        while (platform::TakeEvent()) {
        }
        std::filesystem::remove_all(dir_);
    }

    /// Builds the window and runs its Init and the events that follow.
    /// `settings` is the settings file's text ("" = no file).
    void StartWindow(const std::string& settings = "", window::TestWindowParts parts = {}) {
        if (!settings.empty()) std::ofstream(dir_ / "Brackwater.ini", std::ios::binary) << settings;
        parts.connection = [this](TestData& data, TestWindowServices& services) {
            auto made = std::make_unique<RecordingConnection>(data, services);
            connection = made.get();
            return made;
        };
        parts.settingsFile = (dir_ / "Brackwater.ini").string();
        window = std::make_unique<window::TestWindow>(*host, std::move(parts));
        ASSERT_EQ(window->ThisWindow.Start(), 0);
        Drain();
    }

    /// Lets Qt deliver what is pending, then hands every waiting event to the window.
    void Drain() {
        for (int round = 0; round < 100; ++round) {
            QCoreApplication::processEvents();
            host->TakePosted();
            if (host->Waiting().empty()) return host->ShowNow();
            while (!host->Waiting().empty() && window->ThisWindow.Running())
                window->ThisWindow.Dispatch(host->NextEvent());
        }
    }

    void Click(const std::string& name) {
        QTest::mouseClick(Find(name), Qt::LeftButton);
        Drain();
    }

    template <typename W = QWidget>
    W* Find(const std::string& name) {
        auto* widget = dynamic_cast<W*>(host->Widget(name));
        EXPECT_NE(widget, nullptr) << name;
        return widget;
    }

    /// Clicks the label of `tab` on its sheet and runs the events that follow.
    void ShowTab(const std::string& tab) {
        const window::Control* control = window->ThisWindow.Declaration().Find(tab);
        ASSERT_NE(control, nullptr) << tab;
        auto* sheet = Find<QTabWidget>(control->parent);
        const int index = sheet->indexOf(host->Widget(tab));
        ASSERT_GE(index, 0) << tab;
        auto* bar = dynamic_cast<gui::MultiRowTabBar*>(sheet->tabBar());
        ASSERT_NE(bar, nullptr);
        QTest::mouseClick(bar, Qt::LeftButton, {}, bar->RowTabRect(index).center());
        Drain();
        ASSERT_EQ(sheet->currentIndex(), index) << tab;
    }

    std::unique_ptr<gui::QtWindowHost> host;
    std::unique_ptr<window::TestWindow> window;
    RecordingConnection* connection = nullptr;

private:
    std::filesystem::path dir_;
};

}  // namespace gui_test
