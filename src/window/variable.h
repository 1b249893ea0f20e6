// Use variables: how a control reaches the variable it is bound to.
//
// A window binds each use name of its declaration ("Port", "Inputs[3]") to one
// of its variables. Numbers are stored the way their field stores them: a value
// is cut to the field's width, so a 16-bit field wraps as 16-bit fields do; the
// window therefore refuses what a control would hand a field that cannot hold it.
// Texts are stored in their fixed-length fields, cut to the field's length
// without splitting a UTF-8 character.
#pragma once

#include <cstdint>
#include <functional>
#include <limits>
#include <map>
#include <memory>
#include <string>
#include <string_view>
#include <type_traits>
#include <variant>
#include <vector>

#include "platform/fixed_text.h"

namespace window {

class Variable {
public:
    virtual ~Variable() = default;
    virtual bool IsText() const = 0;
    virtual int64_t Number() const = 0;
    /// The value as text, without trailing blanks.
    virtual std::string Text() const = 0;
    virtual void SetNumber(int64_t value) = 0;
    virtual void SetText(std::string_view text) = 0;
    /// The numbers the field holds without wrapping (a text holds any).
    virtual int64_t Lowest() const { return std::numeric_limits<int64_t>::min(); }
    virtual int64_t Highest() const { return std::numeric_limits<int64_t>::max(); }

    /// Where a number's field lies, so that a window can look at many fields
    /// without a call for each; `address` is null for a text.
    struct Field {
        const void* address = nullptr;
        uint8_t bytes = 0;
        bool isSigned = false;
    };
    virtual Field Where() const { return {}; }
};

/// The value of a number's field, read as NumberVariable::Number does.
int64_t ReadField(const Variable::Field& field);

template <typename T>
class NumberVariable final : public Variable {
    static_assert(std::is_integral_v<T>);

public:
    explicit NumberVariable(T& field) : field_(field) {}
    bool IsText() const override { return false; }
    int64_t Number() const override { return static_cast<int64_t>(field_); }
    std::string Text() const override { return std::to_string(field_); }
    void SetNumber(int64_t value) override { field_ = static_cast<T>(value); }  // modular, like the field
    void SetText(std::string_view text) override;
    Field Where() const override { return {&field_, sizeof(T), std::is_signed_v<T>}; }
    int64_t Lowest() const override { return static_cast<int64_t>(std::numeric_limits<T>::min()); }
    int64_t Highest() const override {
        if constexpr (std::is_unsigned_v<T> && sizeof(T) >= sizeof(int64_t))
            return std::numeric_limits<int64_t>::max();
        else
            return static_cast<int64_t>(std::numeric_limits<T>::max());
    }

private:
    T& field_;
};

template <std::size_t N>
class TextVariable final : public Variable {
public:
    explicit TextVariable(platform::BlankPadded<N>& field) : field_(field) {}
    bool IsText() const override { return true; }
    int64_t Number() const override { return 0; }
    std::string Text() const override { return field_.Str(); }
    void SetNumber(int64_t value) override { field_ = std::to_string(value); }
    void SetText(std::string_view text) override { field_.SetText(text); }

private:
    platform::BlankPadded<N>& field_;
};

/// Parses a whole number as an entry does (surrounding blanks, optional sign,
/// digits; anything else is 0).
int64_t NumberFromText(std::string_view text);

template <typename T>
void NumberVariable<T>::SetText(std::string_view text) {
    SetNumber(NumberFromText(text));
}

/// One cell of a list row: a number or a text, shown under its column's picture.
using Cell = std::variant<int64_t, std::string>;
using Row = std::vector<Cell>;
/// Puts the rows a list shows into `rows`, one cell per declared column.
/// `rows` holds what an earlier call put there (or nothing): refilling it in
/// place keeps the room its texts already have, so a list looked at on every
/// tick allocates nothing while it stays the same.
using RowSource = std::function<void(std::vector<Row>& rows)>;

inline void SetCell(Cell& cell, int64_t number) { cell = number; }
inline void SetCell(Cell& cell, std::string_view text) {
    if (auto* held = std::get_if<std::string>(&cell))
        held->assign(text);
    else
        cell.emplace<std::string>(text);
}
/// Makes `row` hold `cells`, reusing its texts' room.
template <typename... Cells>
void FillRow(Row& row, const Cells&... cells) {
    row.resize(sizeof...(cells));
    std::size_t at = 0;
    (SetCell(row[at++], cells), ...);
}

class Bindings {
public:
    template <typename T>
    void BindNumber(const std::string& use, T& field) {
        variables_[use] = std::make_unique<NumberVariable<T>>(field);
        ++version_;
    }
    template <std::size_t N>
    void BindText(const std::string& use, platform::BlankPadded<N>& field) {
        variables_[use] = std::make_unique<TextVariable<N>>(field);
        ++version_;
    }
    /// Binds `base`[1..count] to the entries of a 1-based table (`entry(n)` gives entry n).
    template <typename Table>
    void BindTable(const std::string& base, Table& table, std::size_t count) {
        for (std::size_t n = 1; n <= count; ++n) BindNumber(base + "[" + std::to_string(n) + "]", table[n]);
    }
    void BindRows(const std::string& use, RowSource rows) {
        rows_[use] = std::move(rows);
        ++version_;
    }

    Variable* Find(std::string_view use) const;
    const RowSource* FindRows(std::string_view use) const;
    /// Moves on with every binding, so that lookups kept by a window know to renew.
    uint64_t Version() const { return version_; }

private:
    uint64_t version_ = 0;
    std::map<std::string, std::unique_ptr<Variable>, std::less<>> variables_;
    std::map<std::string, RowSource, std::less<>> rows_;
};

}  // namespace window
