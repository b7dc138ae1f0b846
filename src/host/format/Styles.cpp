#include "host/format/Styles.h"

#include <atomic>
#include <deque>
#include <map>
#include <sstream>
#include <vector>

#include <pugixml.hpp>

#include "base/XmlDepth.h"
#include "com/Error.h"
#include "com/Conversions.h"
#include "host/format/NumberFormat.h"

namespace tavlora::host {

namespace {

constexpr uint32_t kFirstCustomNumberFormat = 164;

// The style sheet of a new workbook: one font, the two fills every package has, one border, one
// cell style and one cell format.
constexpr const char* kDefaultStylesXml =
    R"(<?xml version="1.0" encoding="UTF-8" standalone="yes"?>
<styleSheet xmlns="http://schemas.openxmlformats.org/spreadsheetml/2006/main">
<fonts count="1"><font><sz val="11"/><color theme="1"/><name val="Calibri"/><family val="2"/><scheme val="minor"/></font></fonts>
<fills count="2"><fill><patternFill patternType="none"/></fill><fill><patternFill patternType="gray125"/></fill></fills>
<borders count="1"><border><left/><right/><top/><bottom/><diagonal/></border></borders>
<cellStyleXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0"/></cellStyleXfs>
<cellXfs count="1"><xf numFmtId="0" fontId="0" fillId="0" borderId="0" xfId="0"/></cellXfs>
<cellStyles count="1"><cellStyle name="Normal" xfId="0" builtinId="0"/></cellStyles>
<dxfs count="0"/>
<tableStyles count="0" defaultTableStyle="TableStyleMedium2" defaultPivotStyle="PivotStyleLight16"/>
</styleSheet>)";

// Children of <styleSheet> in the order the schema demands; a missing section is created in place.
constexpr const char* kSectionOrder[] = {"numFmts", "fonts", "fills", "borders", "cellStyleXfs",
                                         "cellXfs", "cellStyles", "dxfs", "tableStyles", "colors",
                                         "extLst"};

struct AlignmentName {
    int32_t constant;
    const char* name;
};
constexpr AlignmentName kHorizontalNames[] = {
    {align::kGeneral, "general"}, {align::kLeft, "left"},       {align::kCenter, "center"},
    {align::kRight, "right"},     {align::kFill, "fill"},       {align::kJustify, "justify"},
    {align::kCenterAcrossSelection, "centerContinuous"},        {align::kDistributed, "distributed"}};
constexpr AlignmentName kVerticalNames[] = {{align::kTop, "top"},
                                            {align::kCenter, "center"},
                                            {align::kBottom, "bottom"},
                                            {align::kJustify, "justify"},
                                            {align::kDistributed, "distributed"}};

template <size_t N>
int32_t alignmentFromName(const AlignmentName (&names)[N], std::string_view name, int32_t fallback) {
    for (const auto& entry : names)
        if (name == entry.name) return entry.constant;
    return fallback;
}

template <size_t N>
const char* alignmentName(const AlignmentName (&names)[N], int32_t constant) {
    for (const auto& entry : names)
        if (entry.constant == constant) return entry.name;
    return nullptr;
}

// <b/>, <b val="1"/>, <b val="true"/> are on; <b val="0"/> is off.
bool flagElement(pugi::xml_node parent, const char* name) {
    pugi::xml_node node = parent.child(name);
    if (!node) return false;
    pugi::xml_attribute val = node.attribute("val");
    if (!val) return true;
    std::string_view v = val.value();
    return v != "0" && v != "false";
}

std::string nodeText(pugi::xml_node node) {
    std::ostringstream out;
    node.print(out, "", pugi::format_raw);
    return out.str();
}

FontInfo readFont(pugi::xml_node font) {
    FontInfo info;
    if (auto name = font.child("name")) info.name = name.attribute("val").value();
    if (auto size = font.child("sz")) info.size = size.attribute("val").as_double(11);
    info.bold = flagElement(font, "b");
    info.italic = flagElement(font, "i");
    return info;
}

// Sets or removes a flag child (b, i) keeping the element order of the font.
void setFontFlag(pugi::xml_node font, const char* name, bool on) {
    pugi::xml_node node = font.child(name);
    if (!on) {
        if (node) font.remove_child(node);
        return;
    }
    if (node) {
        node.remove_attribute("val");
        return;
    }
    // b and i come first in a font element (b, i, strike, ...).
    if (std::string_view(name) == "i" && font.child("b"))
        font.insert_child_after(name, font.child("b"));
    else
        font.prepend_child(name);
}

// Sets the val attribute of a child that is created before `beforeOneOf` children if missing.
void setValueChild(pugi::xml_node font, const char* name, const std::string& value) {
    pugi::xml_node node = font.child(name);
    if (!node) {
        // sz sits before color / name in a font; name before family / charset / scheme.
        const char* after[] = {"b", "i", "strike", "condense", "extend", "outline", "shadow", "u", "vertAlign", "sz", "color"};
        pugi::xml_node anchor;
        for (const char* a : after) {
            if (std::string_view(name) == "sz" && std::string_view(a) == "sz") break;
            if (auto n = font.child(a)) anchor = n;
        }
        node = anchor ? font.insert_child_after(name, anchor) : font.prepend_child(name);
    }
    if (!node.attribute("val")) node.append_attribute("val");
    node.attribute("val").set_value(value.c_str());
}

// The identity of a cell format for sharing. apply* flags that say "applied" are left out: in a
// cell format a missing flag reads as applied, so <xf fontId="0"/> and <xf fontId="0" applyFont="1"/>
// are the same format.
std::string cellFormatKey(pugi::xml_node xf) {
    pugi::xml_document scratch;
    pugi::xml_node copy = scratch.append_copy(xf);
    std::vector<pugi::xml_attribute> applied;
    for (pugi::xml_attribute a : copy.attributes()) {
        std::string_view name = a.name();
        if (name.rfind("apply", 0) == 0 && a.as_bool(false)) applied.push_back(a);
    }
    for (pugi::xml_attribute a : applied) copy.remove_attribute(a);
    return nodeText(copy);
}

std::string numberText(double value) { return com::formatRoundTripNumber(value); }

// A style sheet as read, indexed. Workbooks share one while none of them changes it (a report
// opened from a cached template, every new workbook's default sheet): the first change is made in
// a copy of its own. Only read while shared, from any thread.
struct StyleSheet {
    pugi::xml_document doc;
    std::vector<FontInfo> fonts;
    std::map<uint32_t, std::string> customNumberFormats;  // id -> code
    std::deque<CellFormatInfo> formats;  // a deque: references handed out stay valid
    std::vector<pugi::xml_node> xfNodes;
    std::map<std::string, uint32_t> xfIdsByText;           // shares identical cell formats
    uint32_t nextCustomNumberFormat = kFirstCustomNumberFormat;
    // What Styles::toXml makes of the sheet, kept until it changes: reports from one template
    // save the same styles part again and again.
    std::string xml;

    StyleSheet() = default;
    // Copies what index() found instead of indexing again (the cell format keys are the dear part
    // of loading a style sheet); only the node handles must point into the new document.
    StyleSheet(const StyleSheet& other)
        : fonts(other.fonts),
          customNumberFormats(other.customNumberFormats),
          formats(other.formats),
          xfIdsByText(other.xfIdsByText),
          nextCustomNumberFormat(other.nextCustomNumberFormat) {
        doc.reset(other.doc);
        for (pugi::xml_node xf : root().child("cellXfs").children("xf")) xfNodes.push_back(xf);
    }
    StyleSheet& operator=(const StyleSheet&) = delete;

    pugi::xml_node root() const { return doc.child("styleSheet"); }

    pugi::xml_node section(const char* name) {
        pugi::xml_node found = root().child(name);
        if (found) return found;
        // Insert after the last section that precedes it in schema order.
        pugi::xml_node anchor;
        for (const char* candidate : kSectionOrder) {
            if (std::string_view(candidate) == name) break;
            if (auto n = root().child(candidate)) anchor = n;
        }
        return anchor ? root().insert_child_after(name, anchor) : root().prepend_child(name);
    }

    std::string numberFormatCode(uint32_t id) const {
        auto custom = customNumberFormats.find(id);
        if (custom != customNumberFormats.end()) return custom->second;
        std::string builtin = builtinNumberFormat(static_cast<int>(id));
        return builtin.empty() ? "General" : builtin;
    }

    CellFormatInfo readCellFormat(pugi::xml_node xf) const {
        CellFormatInfo info;
        uint32_t fontId = xf.attribute("fontId").as_uint(0);
        if (fontId < fonts.size()) info.font = fonts[fontId];
        info.numberFormat = numberFormatCode(xf.attribute("numFmtId").as_uint(0));
        info.isDate = NumberFormat(info.numberFormat).isDateFormat();
        if (auto alignment = xf.child("alignment")) {
            info.horizontal = alignmentFromName(kHorizontalNames, alignment.attribute("horizontal").value(), align::kGeneral);
            info.vertical = alignmentFromName(kVerticalNames, alignment.attribute("vertical").value(), align::kBottom);
            info.wrapText = alignment.attribute("wrapText").as_bool(false);
        }
        return info;
    }

    void index() {
        fonts.clear();
        customNumberFormats.clear();
        formats.clear();
        xfNodes.clear();
        xfIdsByText.clear();
        nextCustomNumberFormat = kFirstCustomNumberFormat;
        for (pugi::xml_node font : root().child("fonts").children("font")) fonts.push_back(readFont(font));
        for (pugi::xml_node fmt : root().child("numFmts").children("numFmt")) {
            uint32_t id = fmt.attribute("numFmtId").as_uint(0);
            customNumberFormats[id] = fmt.attribute("formatCode").value();
            nextCustomNumberFormat = std::max(nextCustomNumberFormat, id + 1);
        }
        uint32_t xfIndex = 0;
        for (pugi::xml_node xf : root().child("cellXfs").children("xf")) {
            formats.push_back(readCellFormat(xf));
            xfNodes.push_back(xf);
            xfIdsByText.emplace(cellFormatKey(xf), xfIndex++);
        }
        if (formats.empty()) {
            // A style sheet without cell formats still needs format 0 for unstyled cells.
            pugi::xml_node xf = section("cellXfs").append_child("xf");
            for (const char* a : {"numFmtId", "fontId", "fillId", "borderId"}) xf.append_attribute(a) = 0;
            formats.push_back(readCellFormat(xf));
            xfNodes.push_back(xf);
            xfIdsByText.emplace(cellFormatKey(xf), 0);
        }
    }

    pugi::xml_node cellXf(uint32_t index) const { return index < xfNodes.size() ? xfNodes[index] : xfNodes[0]; }

    uint32_t fontIndexFor(uint32_t baseFont, const StyleChange& change) {
        pugi::xml_node fontsNode = section("fonts");
        pugi::xml_node base;
        uint32_t i = 0;
        for (pugi::xml_node font : fontsNode.children("font"))
            if (i++ == baseFont) base = font;
        pugi::xml_document scratch;
        pugi::xml_node font = base ? scratch.append_copy(base) : scratch.append_child("font");
        if (change.bold) setFontFlag(font, "b", *change.bold);
        if (change.italic) setFontFlag(font, "i", *change.italic);
        if (change.fontSize) setValueChild(font, "sz", numberText(*change.fontSize));
        if (change.fontName) {
            setValueChild(font, "name", *change.fontName);
            // A theme font scheme would override the name when the file is opened.
            if (auto scheme = font.child("scheme")) font.remove_child(scheme);
        }
        std::string wanted = nodeText(font);
        i = 0;
        for (pugi::xml_node existing : fontsNode.children("font")) {
            if (nodeText(existing) == wanted) return i;
            ++i;
        }
        fontsNode.append_copy(font);
        fonts.push_back(readFont(font));
        return i;
    }

    uint32_t numberFormatId(const std::string& code) {
        for (const auto& [id, text] : customNumberFormats)
            if (text == code) return id;
        for (int id = 0; id < static_cast<int>(kFirstCustomNumberFormat); ++id)
            if (!builtinNumberFormat(id).empty() && builtinNumberFormat(id) == code) return static_cast<uint32_t>(id);
        if (code == "General") return 0;
        uint32_t id = nextCustomNumberFormat++;
        pugi::xml_node fmt = section("numFmts").append_child("numFmt");
        fmt.append_attribute("numFmtId") = id;
        fmt.append_attribute("formatCode") = code.c_str();
        customNumberFormats[id] = code;
        return id;
    }

    void setAlignment(pugi::xml_node xf, const char* attribute, const char* value) {
        pugi::xml_node alignment = xf.child("alignment");
        if (!alignment) alignment = xf.prepend_child("alignment");
        if (!alignment.attribute(attribute)) alignment.append_attribute(attribute);
        alignment.attribute(attribute).set_value(value);
        xf.attribute("applyAlignment") ? xf.attribute("applyAlignment").set_value("1")
                                       : xf.append_attribute("applyAlignment").set_value("1");
    }

    static void setApply(pugi::xml_node xf, const char* name) {
        if (!xf.attribute(name)) xf.append_attribute(name);
        xf.attribute(name).set_value("1");
    }

    void updateCounts() {
        const char* counted[][2] = {{"numFmts", "numFmt"}, {"fonts", "font"}, {"fills", "fill"},
                                    {"borders", "border"}, {"cellStyleXfs", "xf"}, {"cellXfs", "xf"},
                                    {"cellStyles", "cellStyle"}, {"dxfs", "dxf"}};
        for (auto& [sectionName, childName] : counted) {
            pugi::xml_node node = root().child(sectionName);
            if (!node) continue;
            size_t n = 0;
            for ([[maybe_unused]] pugi::xml_node child : node.children(childName)) ++n;
            if (!node.attribute("count")) node.append_attribute("count");
            node.attribute("count").set_value(n);
        }
    }
};

std::shared_ptr<StyleSheet> loadStyleSheet(const std::string& xml) {
    auto fresh = std::make_shared<StyleSheet>();
    pugi::xml_parse_result result = fresh->doc.load_buffer(xml.data(), xml.size(), pugi::parse_default | pugi::parse_ws_pcdata_single);
    if (!result) com::throwHostError(std::string("The styles part is not well-formed XML: ") + result.description());
    if (!fresh->root()) com::throwHostError("The styles part has no styleSheet element.");
    if (base::nestsDeeperThan(fresh->doc)) com::throwHostError("The styles part nests elements too deep.");
    fresh->index();
    return fresh;
}

std::string savedXml(StyleSheet& sheet) {
    sheet.updateCounts();
    std::ostringstream out;
    sheet.doc.save(out, "", pugi::format_raw, pugi::encoding_utf8);
    return out.str();
}

// Made once and never changed: a workbook that changes its styles copies it first.
const std::shared_ptr<StyleSheet>& defaultStyleSheet() {
    static const std::shared_ptr<StyleSheet> sheet = [] {
        std::shared_ptr<StyleSheet> made = loadStyleSheet(kDefaultStylesXml);
        made->xml = savedXml(*made);
        return made;
    }();
    return sheet;
}

}  // namespace

struct Styles::Impl {
    std::shared_ptr<StyleSheet> sheet;
    // Sheets this one was copied from on a change: the cell formats handed out before the change
    // stay valid as long as the Styles does.
    std::vector<std::shared_ptr<const StyleSheet>> earlier;

    bool sole() const {
        if (sheet.use_count() != 1) return false;
        // Pairs with the release of the last other holder, whose reads then come before our writes.
        std::atomic_thread_fence(std::memory_order_acquire);
        return true;
    }

    StyleSheet& editable() {
        if (!sole()) {
            earlier.push_back(sheet);
            sheet = std::make_shared<StyleSheet>(*sheet);
        }
        sheet->xml.clear();
        return *sheet;
    }
};

Styles::Styles() : impl_(std::make_unique<Impl>(Impl{defaultStyleSheet(), {}})) {}
Styles::~Styles() = default;

// The copy shares the sheet until either changes it.
Styles::Styles(const Styles& other) : impl_(std::make_unique<Impl>(Impl{other.impl_->sheet, {}})), date1904_(other.date1904_) {}

Styles& Styles::operator=(const Styles& other) {
    if (this != &other) {
        impl_ = std::make_unique<Impl>(Impl{other.impl_->sheet, {}});
        date1904_ = other.date1904_;
    }
    return *this;
}

void Styles::loadXml(const std::string& xml) { impl_ = std::make_unique<Impl>(Impl{loadStyleSheet(xml), {}}); }

std::string Styles::toXml() const {
    Impl& impl = *impl_;
    if (!impl.sheet->xml.empty()) return impl.sheet->xml;
    // A shared sheet is only read; its counts are brought up to date in a copy.
    if (!impl.sole()) {
        StyleSheet copy(*impl.sheet);
        return savedXml(copy);
    }
    impl.sheet->xml = savedXml(*impl.sheet);
    return impl.sheet->xml;
}

uint32_t Styles::cellFormatCount() const { return static_cast<uint32_t>(impl_->sheet->formats.size()); }

const CellFormatInfo& Styles::cellFormat(uint32_t xf) const {
    const std::deque<CellFormatInfo>& formats = impl_->sheet->formats;
    return formats[xf < formats.size() ? xf : 0];
}

bool Styles::isTextFormat(uint32_t xf) const {
    const std::string& format = cellFormat(xf).numberFormat;
    return format.size() == 1 && format[0] == '@';
}

uint32_t Styles::derive(uint32_t xf, const StyleChange& change) {
    StyleSheet& s = impl_->editable();
    pugi::xml_node base = s.cellXf(xf < s.formats.size() ? xf : 0);
    pugi::xml_document scratch;
    pugi::xml_node derived = scratch.append_copy(base);

    if (change.fontName || change.fontSize || change.bold || change.italic) {
        uint32_t fontId = s.fontIndexFor(derived.attribute("fontId").as_uint(0), change);
        if (!derived.attribute("fontId")) derived.append_attribute("fontId");
        derived.attribute("fontId").set_value(fontId);
        StyleSheet::setApply(derived, "applyFont");
    }
    if (change.numberFormat) {
        uint32_t id = s.numberFormatId(*change.numberFormat);
        if (!derived.attribute("numFmtId")) derived.append_attribute("numFmtId");
        derived.attribute("numFmtId").set_value(id);
        StyleSheet::setApply(derived, "applyNumberFormat");
    }
    if (change.horizontal) {
        const char* name = alignmentName(kHorizontalNames, *change.horizontal);
        if (!name) com::throwHostError("Unable to set the HorizontalAlignment property of the Range class");
        s.setAlignment(derived, "horizontal", name);
    }
    if (change.vertical) {
        const char* name = alignmentName(kVerticalNames, *change.vertical);
        if (!name) com::throwHostError("Unable to set the VerticalAlignment property of the Range class");
        s.setAlignment(derived, "vertical", name);
    }

    std::string key = cellFormatKey(derived);
    auto shared = s.xfIdsByText.find(key);
    if (shared != s.xfIdsByText.end()) return shared->second;
    s.xfNodes.push_back(s.section("cellXfs").append_copy(derived));
    auto index = static_cast<uint32_t>(s.formats.size());
    s.formats.push_back(s.readCellFormat(derived));
    s.xfIdsByText.emplace(std::move(key), index);
    return index;
}

}  // namespace tavlora::host
