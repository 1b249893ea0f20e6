#include <QMessageBox>

#include "gui/host_window.h"
#include "gui/qt_window_host.h"

namespace gui {

// A modal box over the window; "|" starts a new line. Other events wait until it is closed.
void QtWindowHost::MessageBox(std::string_view text, std::string_view caption) {
    ShowNow();  // the window behind the box shows what led to it
    QString body = QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
    body.replace(QLatin1Char('|'), QLatin1Char('\n'));
    QString title = QString::fromUtf8(caption.data(), static_cast<qsizetype>(caption.size()));
    if (title.isEmpty() && window_) title = window_->windowTitle();
    QMessageBox box(QMessageBox::NoIcon, title, body, QMessageBox::Ok, Window());
    box.setObjectName(QStringLiteral("MessageBox"));
    box.setTextFormat(Qt::PlainText);
    box.exec();
}

}  // namespace gui
