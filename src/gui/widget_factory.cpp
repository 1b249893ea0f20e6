#include "gui/widget_factory.h"

#include <QCheckBox>
#include <QEvent>
#include <QGroupBox>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStyle>
#include <QTabWidget>
#include <QTreeView>

#include "gui/queue_model.h"
#include "gui/resources.h"

namespace gui {
namespace {

using window::ControlKind;

QString Q(const std::string& text) { return QString::fromStdString(text); }

QWidget* MakeButton(const window::Control& control, QWidget* client, const DialogUnits& units) {
    auto* button = new QPushButton(Q(control.text), client);
    if (!control.icon.empty()) {
        button->setIcon(IconFor(control.icon));
        const int side = std::min(units.X(control.width), units.Y(control.height)) - 6;
        button->setIconSize(QSize(std::max(side, 8), std::max(side, 8)));
    }
    button->setAutoDefault(false);
    return button;
}

QWidget* MakeSpinBox(const window::Control& control, QWidget* client) {
    auto* spin = new PictureSpinBox(control.picture, client);
    spin->setRange(static_cast<int>(control.range.low), static_cast<int>(control.range.high));
    spin->setSingleStep(static_cast<int>(std::max<int64_t>(control.range.step, 1)));
    spin->setKeyboardTracking(false);  // the value counts when the entry is completed
    return spin;
}

QWidget* MakeEntry(const window::Control& control, QWidget* client) {
    auto* entry = new QLineEdit(client);
    const window::Picture picture = window::Picture::Of(control.picture);
    if (!picture.IsNumeric() && picture.Width() > 0) entry->setMaxLength(picture.Width());
    return entry;
}

// Never narrower than the layout's proportions, and wide enough for the
// header and the widest cell in the list's own font.
int ColumnWidth(const QTreeView& view, const window::ListColumn& column, int at, const DialogUnits& units) {
    int width = std::max(units.X(column.width), view.header()->sectionSizeHint(at));
    if (!column.widest.empty()) {
        const int margins = 2 * (view.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &view) + 1);
        const int indent = column.indent * std::max(units.X(1), 1) + 3;  // as ColumnDelegate draws it
        width = std::max(width, view.fontMetrics().horizontalAdvance(Q(column.widest)) + margins + indent);
    }
    return width;
}

QWidget* MakeList(const window::Control& control, QWidget* client, const DialogUnits& units) {
    auto* view = new QTreeView(client);
    view->setHeader(new ListHeader(view));
    auto* model = new QueueModel(control.columns, view);
    view->setModel(model);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    view->setItemsExpandable(false);
    view->setAllColumnsShowFocus(true);
    view->setSelectionBehavior(QAbstractItemView::SelectRows);
    view->setItemDelegate(new ColumnDelegate(*model, std::max(units.X(1), 1), view));
    view->header()->setStretchLastSection(false);
    view->header()->setSectionsMovable(false);
    if (!control.font.empty()) view->setFont(FontFor(control.font, control.fontSize));
    for (int c = 0; c < model->columnCount(); ++c) {
        view->header()->setSectionResizeMode(c, QHeaderView::Interactive);
        view->setColumnWidth(c, ColumnWidth(*view, control.columns[static_cast<std::size_t>(c)], c, units));
    }
    return view;
}

}  // namespace

ListHeader::ListHeader(QWidget* parent) : QHeaderView(Qt::Horizontal, parent) {
    connect(this, &QHeaderView::sectionCountChanged, this, [this] { hint_ = QSize(); });
}

QSize ListHeader::sizeHint() const {
    if (!hint_.isValid()) hint_ = QHeaderView::sizeHint();
    return hint_;
}

void ListHeader::doItemsLayout() {
    if (model() != nullptr && count() == model()->columnCount(rootIndex())) return;  // only rows changed
    QHeaderView::doItemsLayout();
}

void ListHeader::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange) hint_ = QSize();
    QHeaderView::changeEvent(event);
}

SheetWidget::SheetWidget(QWidget* parent) : QTabWidget(parent), bar_(new MultiRowTabBar(this)) { setTabBar(bar_); }

void SheetWidget::resizeEvent(QResizeEvent* event) {
    bar_->SetWrapWidth(width() - 4);
    QTabWidget::resizeEvent(event);
}

PictureSpinBox::PictureSpinBox(const std::string& picture, QWidget* parent)
    : QSpinBox(parent), picture_(window::Picture::Of(picture)) {}

QString PictureSpinBox::textFromValue(int value) const { return Q(picture_.Format(int64_t{value})); }

int PictureSpinBox::valueFromText(const QString& text) const {
    return static_cast<int>(std::clamp<int64_t>(picture_.ParseNumber(text.toStdString()), minimum(), maximum()));
}

QWidget* CreateWidget(const window::Control& control, QWidget* client, const DialogUnits& units) {
    switch (control.kind) {
        case ControlKind::Sheet:
            return new SheetWidget(client);
        case ControlKind::Tab:
            return nullptr;
        case ControlKind::Group:
            return new QGroupBox(Q(control.text), client);
        case ControlKind::Prompt:
            return new QLabel(Q(control.text), client);
        case ControlKind::Button:
            return MakeButton(control, client, units);
        case ControlKind::CheckBox:
            return new QCheckBox(Q(control.text), client);
        case ControlKind::SpinBox:
            return MakeSpinBox(control, client);
        case ControlKind::Entry:
        case ControlKind::TextBox:
            return MakeEntry(control, client);
        case ControlKind::List:
            return MakeList(control, client, units);
    }
    return nullptr;
}

QString WithoutShortcut(const std::string& text) {
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '&' && i + 1 < text.size()) ++i;  // the next character stands for itself
        out += text[i];
    }
    return Q(out);
}

QString AccessibleNameOf(const window::Control& control, const window::Control* prompt) {
    if (control.name == "BAbout") return QStringLiteral("About");
    switch (control.kind) {
        case ControlKind::Button:
        case ControlKind::CheckBox:
        case ControlKind::Tab:
        case ControlKind::Prompt:
            if (!control.text.empty()) return WithoutShortcut(control.text);
            break;
        default:
            if (prompt != nullptr) return WithoutShortcut(prompt->text).chopped(1).trimmed();
            break;
    }
    return Q(control.name);
}

const window::Control* PromptOf(const window::WindowDeclaration& declaration, const window::Control& control) {
    return declaration.PromptOf(control);
}

}  // namespace gui
