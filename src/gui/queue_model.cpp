#include "gui/queue_model.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QFontMetricsF>
#include <QGlyphRun>
#include <QPainter>
#include <QStyle>
#include <cmath>

namespace gui {

QueueModel::QueueModel(std::vector<window::ListColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)) {}

const window::ListColumn& QueueModel::Column(int column) const { return columns_.at(static_cast<std::size_t>(column)); }

bool QueueModel::SetRows(const Rows& rows) {
    if (rows == rows_) return false;
    const window::RowShift moved = window::FindRowShift(rows_, rows);
    if (moved.shift > 0) InsertOnTop(moved.shift);
    if (moved.shift < 0) RemoveFromTop(-moved.shift);
    ResizeTo(rows.size());
    int first = -1;
    int last = -1;
    for (std::size_t r = 0; r < rows.size(); ++r) {
        if (rows_[r] == rows[r]) continue;
        rows_[r] = rows[r];
        if (first < 0) first = static_cast<int>(r);
        last = static_cast<int>(r);
    }
    if (first >= 0) emit dataChanged(index(first, 0), index(last, columnCount() - 1), {Qt::DisplayRole});
    return true;
}

void QueueModel::SetNotes(std::vector<std::string> notes) {
    if (notes == notes_) return;
    notes_ = std::move(notes);
    if (!rows_.empty())
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1),
                         {Qt::ToolTipRole, Qt::AccessibleDescriptionRole});
}

// New lines come on top and old ones leave at the bottom: the rows that stay
// move as a block, so the view lays out only the rows that are new.
void QueueModel::InsertOnTop(int count) {
    beginInsertRows(QModelIndex(), 0, count - 1);
    rows_.insert(rows_.begin(), static_cast<std::size_t>(count), {});
    endInsertRows();
}

void QueueModel::RemoveFromTop(int count) {
    beginRemoveRows(QModelIndex(), 0, count - 1);
    rows_.erase(rows_.begin(), rows_.begin() + count);
    endRemoveRows();
}

// Rows come and go at the bottom; the rows that stay are compared in place by SetRows.
void QueueModel::ResizeTo(std::size_t count) {
    const int now = static_cast<int>(rows_.size());
    const int wanted = static_cast<int>(count);
    if (wanted > now) {
        beginInsertRows(QModelIndex(), now, wanted - 1);
        rows_.resize(count);
        endInsertRows();
    } else if (wanted < now) {
        beginRemoveRows(QModelIndex(), wanted, now - 1);
        rows_.resize(count);
        endRemoveRows();
    }
}

int QueueModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

int QueueModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(columns_.size());
}

QVariant QueueModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount() || index.column() >= columnCount()) return {};
    const auto& row = rows_[static_cast<std::size_t>(index.row())];
    const auto column = static_cast<std::size_t>(index.column());
    switch (role) {
        case Qt::DisplayRole:
        case Qt::AccessibleTextRole:
            return column < row.size() ? QString::fromStdString(row[column]) : QString();
        case Qt::TextAlignmentRole:
            return QVariant::fromValue(
                Qt::AlignVCenter | (columns_[column].align == window::Align::Left ? Qt::AlignLeft : Qt::AlignRight));
        case Qt::ToolTipRole:
        case Qt::AccessibleDescriptionRole: {
            const auto at = static_cast<std::size_t>(index.row());
            if (at >= notes_.size() || notes_[at].empty()) return {};
            return QString::fromStdString(notes_[at]);
        }
        default:
            return {};
    }
}

QVariant QueueModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || section < 0 || section >= columnCount()) return {};
    const auto& column = columns_[static_cast<std::size_t>(section)];
    if (role == Qt::DisplayRole) return QString::fromStdString(column.header);
    if (role == Qt::TextAlignmentRole)
        return QVariant::fromValue(Qt::AlignVCenter |
                                   (column.align == window::Align::Left ? Qt::AlignLeft : Qt::AlignRight));
    return {};
}

ColumnDelegate::ColumnDelegate(const QueueModel& model, int pixelsPerIndent, QObject* parent)
    : QStyledItemDelegate(parent), model_(model), pixelsPerIndent_(pixelsPerIndent) {}

// The style draws the cell without its text (background, selection, focus);
// the text is drawn from a layout kept per text, so a line that only moved
// down is not shaped again.
void ColumnDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const QString text = cell.text;
    cell.text.clear();
    const QWidget* widget = option.widget;
    QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
    // A plain cell has nothing of the style's to draw: the viewport's base shows.
    constexpr QStyle::State kMarked = QStyle::State_Selected | QStyle::State_HasFocus | QStyle::State_MouseOver;
    const bool plain = !(cell.state & kMarked) && cell.backgroundBrush.style() == Qt::NoBrush &&
                       !(cell.features & QStyleOptionViewItem::Alternate);
    if (!plain) style->drawControl(QStyle::CE_ItemViewItem, &cell, painter, widget);

    const window::ListColumn& column = model_.Column(index.column());
    const bool left = column.align == window::Align::Left;
    const int margin = style->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, widget) + 1;
    const int indent = column.indent * pixelsPerIndent_;
    // Right-aligned figures keep off the border.
    const QRect area = option.rect.adjusted(margin + (left ? indent : 0), 0, -margin - (left ? 0 : indent + 2), 0);
    if (cell.font != font_) UseFont(cell.font);
    const QString shown = VisiblePart(text, area, option);
    const bool selected = (option.state & QStyle::State_Selected) != 0;
    const QPalette::ColorGroup group = (option.state & QStyle::State_Enabled) ? QPalette::Normal : QPalette::Disabled;
    painter->save();
    painter->setClipRect(area);
    painter->setFont(cell.font);
    painter->setPen(option.palette.color(group, selected ? QPalette::HighlightedText : QPalette::Text));
    if (!DrawAscii(*painter, QRectF(area.left(), area.top(), area.width() + 1, area.height()), !left, shown)) {
        const QStaticText& laid = Laid(shown);
        const QSizeF size = laid.size();
        const double x = left ? area.left() : area.right() + 1 - size.width();
        const double y = area.top() + (area.height() - size.height()) / 2.0;
        painter->drawStaticText(QPointF(x, y), laid);
    }
    painter->setClipping(false);
    painter->setPen(option.palette.color(QPalette::Mid));
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->restore();
}

// Every row is one line of the list's font. The view asks for the first row's
// size on every layout; the style is asked once per font, with a one-character
// text, so a long raw line is not laid out again just to learn the row height.
QSize ColumnDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem cell(option);
    initStyleOption(&cell, index);
    const QString text = cell.text;
    if (hintHeight_ < 0 || cell.font != hintFont_) {
        const QWidget* widget = option.widget;
        QStyle* style = widget != nullptr ? widget->style() : QApplication::style();
        cell.text = QStringLiteral("0");
        const QSize sample = style->sizeFromContents(QStyle::CT_ItemViewItem, &cell, QSize(), widget);
        hintFont_ = cell.font;
        hintHeight_ = sample.height();
        hintPadding_ = sample.width() - QFontMetrics(cell.font).horizontalAdvance(cell.text);
    }
    // The width is wanted only when the user fits a column to its contents;
    // an ASCII text's is summed from its characters' advances (no shaping),
    // any other's taken from its first characters, which is close enough.
    if (cell.font != font_) UseFont(cell.font);
    qreal width = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= advances_.size() || glyphs_[u] == 0) {
            constexpr qsizetype kMeasured = 48;
            const QFontMetrics metrics(hintFont_);
            const qsizetype length = text.size();
            width = length <= kMeasured ? metrics.horizontalAdvance(text)
                                        : static_cast<qreal>(metrics.horizontalAdvance(text.left(kMeasured))) *
                                              static_cast<qreal>(length) / kMeasured;
            break;
        }
        width += advances_[u];
    }
    return {static_cast<int>(std::ceil(width)) + hintPadding_, hintHeight_};
}

// A long left-aligned text (a raw line runs far past the list's right edge)
// is cut after the characters that can reach the visible part of the cell.
QString ColumnDelegate::VisiblePart(const QString& text, const QRect& area, const QStyleOptionViewItem& option) const {
    const auto* view = qobject_cast<const QAbstractItemView*>(option.widget);
    if (view == nullptr || narrowest_ <= 0) return text;
    const int reach = std::min(area.right(), view->viewport()->width()) - area.left();
    const auto most = static_cast<qsizetype>(std::max(reach, 0) / narrowest_) + 2;
    return text.size() > most ? text.left(most) : text;
}

void ColumnDelegate::UseFont(const QFont& font) const {
    laid_.clear();
    font_ = font;
    const QFontMetricsF metrics(font);
    narrowest_ = metrics.horizontalAdvance(QLatin1Char(' '));
    for (QChar c : QStringLiteral(".,:;'!|il1")) narrowest_ = std::min(narrowest_, metrics.horizontalAdvance(c));
    lineHeight_ = metrics.height();
    glyphs_.fill(0);
    advances_.fill(0);
    raw_ = QRawFont::fromFont(font);
    if (!raw_.isValid()) return;
    constexpr char16_t kFirst = 0x20;
    constexpr char16_t kLast = 0x7E;
    QString printable;
    for (char16_t u = kFirst; u <= kLast; ++u) printable.append(QChar(u));
    const QList<quint32> glyphs = raw_.glyphIndexesForString(printable);
    if (glyphs.size() != printable.size()) return;
    const QList<QPointF> advances = raw_.advancesForGlyphIndexes(glyphs);
    for (qsizetype i = 0; i < glyphs.size() && i < advances.size(); ++i) {
        glyphs_[kFirst + static_cast<std::size_t>(i)] = glyphs[i];
        advances_[kFirst + static_cast<std::size_t>(i)] = advances[i].x();
    }
}

bool ColumnDelegate::DrawAscii(QPainter& painter, const QRectF& area, bool rightAligned, const QString& text) const {
    QList<quint32> glyphs;
    QList<QPointF> positions;
    glyphs.reserve(text.size());
    positions.reserve(text.size());
    qreal x = 0;
    for (QChar c : text) {
        const char16_t u = c.unicode();
        if (u >= glyphs_.size() || glyphs_[u] == 0) return false;  // .notdef: the font lacks it
        glyphs.append(glyphs_[u]);
        positions.append(QPointF(x, 0));
        x += advances_[u];
    }
    if (glyphs.isEmpty()) return true;
    QGlyphRun run;
    run.setRawFont(raw_);
    run.setGlyphIndexes(glyphs);
    run.setPositions(positions);
    const qreal left = rightAligned ? area.right() - x : area.left();
    const qreal top = area.top() + (area.height() - lineHeight_) / 2.0;
    painter.drawGlyphRun(QPointF(left, top + raw_.ascent()), run);
    return true;
}

const QStaticText& ColumnDelegate::Laid(const QString& text) const {
    constexpr qsizetype kMostTexts = 2048;  // a few screens of cells; the rest are laid out again when shown
    if (laid_.size() >= kMostTexts) laid_.clear();
    auto found = laid_.find(text);
    if (found != laid_.end()) return *found;
    QStaticText laid(text);
    laid.setTextFormat(Qt::PlainText);
    laid.prepare(QTransform(), font_);
    return *laid_.insert(text, laid);
}

}  // namespace gui
