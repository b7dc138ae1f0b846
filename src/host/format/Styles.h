#pragma once
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <unordered_map>

namespace tavlora::host {

// Horizontal / vertical alignment as the application's constants.
namespace align {
constexpr int32_t kGeneral = 1;
constexpr int32_t kLeft = -4131;
constexpr int32_t kCenter = -4108;
constexpr int32_t kRight = -4152;
constexpr int32_t kFill = 5;
constexpr int32_t kJustify = -4130;
constexpr int32_t kCenterAcrossSelection = 7;
constexpr int32_t kDistributed = -4117;
constexpr int32_t kTop = -4160;
constexpr int32_t kBottom = -4107;
}  // namespace align

struct FontInfo {
    std::string name = "Calibri";
    double size = 11;
    bool bold = false;
    bool italic = false;
};

// What a cell format says, as far as the engine models it.
struct CellFormatInfo {
    FontInfo font;
    std::string numberFormat = "General";
    int32_t horizontal = align::kGeneral;
    int32_t vertical = align::kBottom;
    bool wrapText = false;
    bool isDate = false;  // the number format shows dates or times: Value gives numbers as dates
};

// A change to apply on top of an existing cell format; unset fields stay as they are.
struct StyleChange {
    std::optional<std::string> fontName;
    std::optional<double> fontSize;
    std::optional<bool> bold;
    std::optional<bool> italic;
    std::optional<std::string> numberFormat;
    std::optional<int32_t> horizontal;
    std::optional<int32_t> vertical;
};

// The workbook's style sheet. The whole styles part is kept (fills, borders, cell styles, dxfs,
// colours, extensions); the engine reads fonts, number formats and alignments out of it and
// appends new fonts / number formats / cell formats when a range is restyled. Identical derived
// formats are shared.
class Styles {
public:
    Styles();  // the default style sheet of a new workbook
    ~Styles();
    // A copy of its own: derived formats added to one never show in the other.
    Styles(const Styles& other);
    Styles& operator=(const Styles& other);

    // Replaces the style sheet with the given styles part. Throws com::Error on ill-formed XML.
    void loadXml(const std::string& xml);
    std::string toXml() const;

    uint32_t cellFormatCount() const;
    const CellFormatInfo& cellFormat(uint32_t xf) const;
    // The index of a cell format equal to `xf` with `change` applied (new or shared).
    uint32_t derive(uint32_t xf, const StyleChange& change);
    // True when the number format of the cell format is text ("@").
    bool isTextFormat(uint32_t xf) const;
    bool uses1904Dates() const { return date1904_; }
    void setUses1904Dates(bool v) { date1904_ = v; }

private:
    struct Impl;
    std::unique_ptr<Impl> impl_;
    bool date1904_ = false;
};

}  // namespace tavlora::host
