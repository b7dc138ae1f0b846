#pragma once
#include <cstddef>
#include <cstdint>
#include <iterator>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "host/cells/CellKind.h"
#include "host/cells/CellRef.h"

namespace tavlora::host {

// A formula cell's text (without "=") and the value the file or the last calculation cached for
// it. A list holds one per formula cell, most with a number for a result, so what only a few carry
// (a text or error result, an array formula's area) lives in a box of its own: 56 bytes an entry
// instead of 104, which a list of formulas pays in fresh memory on the critical path.
class Formula {
public:
    Formula() = default;
    explicit Formula(std::string formulaText) : text(std::move(formulaText)) {}
    Formula(std::string formulaText, CellKind kind, double number, std::string_view resultText = {})
        : text(std::move(formulaText)), cachedNumber(number), cachedKind(kind) {
        setCachedText(resultText);
    }
    Formula(const Formula& other);
    Formula& operator=(const Formula& other);
    Formula(Formula&&) noexcept = default;
    Formula& operator=(Formula&&) noexcept = default;

    std::string text;
    double cachedNumber = 0;                // Number, and Boolean as 1 / 0
    CellKind cachedKind = CellKind::Empty;  // Number, String (cachedText), Boolean, Error (cachedText)

    // A String result's characters or an Error's text; empty otherwise.
    const std::string& cachedText() const;
    void setCachedText(std::string_view value);
    void clearCachedText();

    // Array formulas keep their area; shared formulas are expanded to per-cell text on load.
    bool isArray() const { return rare_ && rare_->isArray; }
    // The area of an array formula; meaningless otherwise.
    const Area& arrayArea() const;
    void setArrayArea(const Area& area);

private:
    struct Rare {
        std::string cachedText;
        bool isArray = false;
        Area arrayArea;
    };
    Rare& rare();
    std::unique_ptr<Rare> rare_;
};

// The formulas of one sheet by id, in chunks that never move: growing the list touches only the
// memory of the new entries (a vector grown by doubling copies every entry into fresh pages again),
// and an entry's address stays valid while others are added.
class FormulaList {
public:
    static constexpr size_t kChunk = 4096;

    FormulaList() = default;
    FormulaList(const FormulaList& other);
    FormulaList& operator=(const FormulaList& other);
    FormulaList(FormulaList&& other) noexcept;
    FormulaList& operator=(FormulaList&& other) noexcept;
    ~FormulaList();

    size_t size() const { return size_; }
    bool empty() const { return size_ == 0; }
    Formula& operator[](size_t id) { return chunks_[id / kChunk][id % kChunk]; }
    const Formula& operator[](size_t id) const { return chunks_[id / kChunk][id % kChunk]; }
    // The new last entry, made in place.
    Formula& emplace_back();
    void push_back(Formula formula) { emplace_back() = std::move(formula); }
    void clear();

    template <typename List, typename Entry>
    class Iterator {
    public:
        using iterator_category = std::forward_iterator_tag;
        using value_type = Formula;
        using difference_type = std::ptrdiff_t;
        using pointer = Entry*;
        using reference = Entry&;
        Iterator() = default;
        Iterator(List* list, size_t id) : list_(list), id_(id) {}
        reference operator*() const { return (*list_)[id_]; }
        pointer operator->() const { return &(*list_)[id_]; }
        Iterator& operator++() {
            ++id_;
            return *this;
        }
        Iterator operator++(int) {
            Iterator before = *this;
            ++id_;
            return before;
        }
        bool operator==(const Iterator& other) const { return id_ == other.id_; }

    private:
        List* list_ = nullptr;
        size_t id_ = 0;
    };
    using iterator = Iterator<FormulaList, Formula>;
    using const_iterator = Iterator<const FormulaList, const Formula>;
    iterator begin() { return {this, 0}; }
    iterator end() { return {this, size_}; }
    const_iterator begin() const { return {this, 0}; }
    const_iterator end() const { return {this, size_}; }

private:
    // Raw storage of kChunk entries each; the first size_ entries are constructed. A chunk's pages
    // are touched as entries are made, so a sheet with a few formulas costs a few entries' memory.
    std::vector<Formula*> chunks_;
    size_t size_ = 0;
};

}  // namespace tavlora::host
