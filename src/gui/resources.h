// The view's fonts and pictures: declared face names mapped to what this
// system has, and the program's icons.
#pragma once

#include <QFont>
#include <QIcon>
#include <string_view>

namespace gui {

/// `family` at `pointSize`; "Tahoma" falls back to the system's sans-serif
/// face and "Courier New" to its monospace face when they are not installed.
QFont FontFor(std::string_view family, int pointSize);

/// The icon a declaration names ("Globe.ico"); a null icon for unknown names.
QIcon IconFor(std::string_view name);

/// The resource path of a named icon, or "" when there is none.
QString IconPath(std::string_view name);

}  // namespace gui
