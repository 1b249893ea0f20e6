// A list box's rows as a table model: the view hands over finished cell
// texts; the model inserts the lines that are new on top, removes those that
// left, and changes only the rows whose texts differ, so an unchanged list is
// never rebuilt and a changed one keeps its scroll position.
//
// GUI thread only.
#pragma once

#include <QAbstractTableModel>
#include <QFont>
#include <QHash>
#include <QRawFont>
#include <QStaticText>
#include <QStyledItemDelegate>
#include <array>
#include <string>
#include <vector>

#include "window/control.h"
#include "window/row_changes.h"

namespace gui {

using Rows = std::vector<std::vector<std::string>>;

class QueueModel : public QAbstractTableModel {
public:
    QueueModel(std::vector<window::ListColumn> columns, QObject* parent);

    /// Shows `rows` in this order. Returns false when nothing changed.
    bool SetRows(const Rows& rows);
    const Rows& CurrentRows() const { return rows_; }
    /// One note per row ("" = none), the row's tooltip and accessible description.
    void SetNotes(std::vector<std::string> notes);
    const window::ListColumn& Column(int column) const;

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    void InsertOnTop(int count);
    void RemoveFromTop(int count);
    void ResizeTo(std::size_t count);

    std::vector<window::ListColumn> columns_;
    Rows rows_;
    std::vector<std::string> notes_;
};

/// Draws each cell with its column's indent and a border on its right. Plain
/// ASCII texts (all the lists show) are drawn glyph by glyph without shaping;
/// any other text is laid out once and kept (a bounded number), so
/// repainting rows that only moved costs no text shaping.
class ColumnDelegate : public QStyledItemDelegate {
public:
    ColumnDelegate(const QueueModel& model, int pixelsPerIndent, QObject* parent);
    void paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

private:
    QString VisiblePart(const QString& text, const QRect& area, const QStyleOptionViewItem& option) const;
    void UseFont(const QFont& font) const;
    /// Draws `text` in `area`, vertically centred, and says whether it could:
    /// only printable ASCII in a font that has all of it is drawn here.
    bool DrawAscii(QPainter& painter, const QRectF& area, bool rightAligned, const QString& text) const;
    const QStaticText& Laid(const QString& text) const;

    const QueueModel& model_;
    int pixelsPerIndent_;
    mutable QHash<QString, QStaticText> laid_;
    mutable QFont font_;
    mutable qreal narrowest_ = 0;  // the narrowest character's advance in font_
    // The printable ASCII characters of font_, whose texts (every text the
    // lists show) are drawn glyph by glyph without shaping: no line is laid
    // out, so a list full of new lines costs only their glyphs.
    mutable QRawFont raw_;
    mutable std::array<quint32, 128> glyphs_{};
    mutable std::array<qreal, 128> advances_{};
    mutable qreal lineHeight_ = 0;
    mutable QFont hintFont_;  // the font the row height below was found for
    mutable int hintHeight_ = -1;
    mutable int hintPadding_ = 0;  // what the style adds to a text's width
};

}  // namespace gui
