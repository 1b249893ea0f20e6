#include "gui/queue_model.h"

#include <QPainter>

namespace gui {

QueueModel::QueueModel(std::vector<window::ListColumn> columns, QObject* parent)
    : QAbstractTableModel(parent), columns_(std::move(columns)) {}

const window::ListColumn& QueueModel::Column(int column) const { return columns_.at(static_cast<std::size_t>(column)); }

bool QueueModel::SetRows(const Rows& rows) {
    if (rows == rows_) return false;
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

// Rows come and go at the ends; the rows that stay are compared in place by SetRows.
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

void ColumnDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QStyleOptionViewItem cell(option);
    const window::ListColumn& column = model_.Column(index.column());
    const int indent = column.indent * pixelsPerIndent_;
    if (column.align == window::Align::Left)
        cell.rect.adjust(indent, 0, 0, 0);
    else
        cell.rect.adjust(0, 0, -indent - 2, 0);  // keep right-aligned figures off the border
    QStyledItemDelegate::paint(painter, cell, index);
    painter->save();
    painter->setPen(option.palette.color(QPalette::Mid));
    painter->drawLine(option.rect.topRight(), option.rect.bottomRight());
    painter->restore();
}

}  // namespace gui
