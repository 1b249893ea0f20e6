// Finds a widget of the real window by its object name, as the window
// benchmarks act on it like a user. Window thread only.
#pragma once

#include <QApplication>
#include <QString>
#include <QWidget>
#include <string>

#include "bench/bench_support.h"

namespace bench {

/// The first widget of type `Widget` called `name` under any top-level window;
/// a benchmark that cannot find it stops with a message.
template <class Widget>
Widget* Named(const char* name) {
    for (QWidget* top : QApplication::topLevelWidgets())
        if (auto* found = top->findChild<Widget*>(QString::fromLatin1(name))) return found;
    Require(false, std::string("no widget called ") + name);
    return nullptr;
}

}  // namespace bench
