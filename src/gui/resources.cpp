#include "gui/resources.h"

#include <QFontDatabase>
#include <QStringList>

// Resources of a static library must be registered by name from the global namespace.
static void RegisterGuiResources() { Q_INIT_RESOURCE(gui); }

namespace gui {
namespace {

void EnsureResources() {
    static const bool registered = (RegisterGuiResources(), true);
    (void)registered;
}

bool Installed(const QString& family) { return QFontDatabase::families().contains(family, Qt::CaseInsensitive); }

}  // namespace

QFont FontFor(std::string_view family, int pointSize) {
    const QString wanted = QString::fromUtf8(family.data(), static_cast<qsizetype>(family.size()));
    const bool fixed = wanted.compare(QStringLiteral("Courier New"), Qt::CaseInsensitive) == 0;
    QFont font = QFontDatabase::systemFont(fixed ? QFontDatabase::FixedFont : QFontDatabase::GeneralFont);
    if (!wanted.isEmpty() && Installed(wanted)) font.setFamilies({wanted});
    font.setStyleHint(fixed ? QFont::TypeWriter : QFont::SansSerif);
    if (pointSize > 0) font.setPointSize(pointSize);
    return font;
}

QString IconPath(std::string_view name) {
    EnsureResources();
    // The icon names of the declaration are Windows file names; ours are PNGs under the same stem.
    if (QString::fromUtf8(name.data(), static_cast<qsizetype>(name.size()))
            .compare(QStringLiteral("Globe.ico"), Qt::CaseInsensitive) == 0)
        return QStringLiteral(":/brackwater/Globe.png");
    return {};
}

QIcon IconFor(std::string_view name) {
    const QString path = IconPath(name);
    return path.isEmpty() ? QIcon() : QIcon(path);
}

}  // namespace gui
