#include "host/format/CellLooks.h"

#include <cstdlib>
#include <string_view>

#include <pugixml.hpp>

namespace tavlora::host {

namespace {

ColorRef readColor(pugi::xml_node color) {
    ColorRef ref;
    if (!color) return ref;
    ref.tint = color.attribute("tint").as_double(0);
    if (color.attribute("auto").as_bool(false)) {
        ref.kind = ColorRef::Kind::Auto;
    } else if (auto rgb = color.attribute("rgb")) {
        ref.kind = ColorRef::Kind::Rgb;
        ref.value = static_cast<uint32_t>(std::strtoul(rgb.value(), nullptr, 16)) & 0xFFFFFF;  // ARGB
    } else if (auto theme = color.attribute("theme")) {
        ref.kind = ColorRef::Kind::Theme;
        ref.value = theme.as_uint();
    } else if (auto indexed = color.attribute("indexed")) {
        ref.kind = ColorRef::Kind::Indexed;
        ref.value = indexed.as_uint();
    }
    return ref;
}

// Patterns other than solid are shown as their foreground colour, a gradient as its first stop.
ColorRef readFill(pugi::xml_node fill) {
    if (auto pattern = fill.child("patternFill")) {
        std::string_view type = pattern.attribute("patternType").as_string("none");
        if (type == "none") return {};
        return readColor(pattern.child("fgColor"));
    }
    if (auto gradient = fill.child("gradientFill")) return readColor(gradient.child("stop").child("color"));
    return {};
}

BorderLine readLine(pugi::xml_node side) {
    BorderLine line;
    line.style = side.attribute("style").as_string();
    if (line.style == "none") line.style.clear();
    if (!line.style.empty()) line.color = readColor(side.child("color"));
    return line;
}

// Right-to-left aware files may name the sides start and end.
pugi::xml_node side(pugi::xml_node border, const char* name, const char* alias) {
    pugi::xml_node node = border.child(name);
    return node ? node : border.child(alias);
}

struct FontLook {
    ColorRef color;
    std::string underline;
    bool strike = false;
};

FontLook readFontLook(pugi::xml_node font) {
    FontLook look;
    look.color = readColor(font.child("color"));
    if (auto u = font.child("u")) {
        look.underline = u.attribute("val").as_string("single");
        if (look.underline == "none") look.underline.clear();
    }
    if (auto strike = font.child("strike")) {
        std::string_view val = strike.attribute("val").as_string("1");
        look.strike = val != "0" && val != "false";
    }
    return look;
}

template <typename T, typename Read>
std::vector<T> readAll(pugi::xml_node section, const char* name, Read read) {
    std::vector<T> items;
    for (pugi::xml_node node : section.children(name)) items.push_back(read(node));
    return items;
}

}  // namespace

CellLooks::CellLooks(const std::string& stylesXml) {
    pugi::xml_document doc;
    if (doc.load_buffer(stylesXml.data(), stylesXml.size())) {
        pugi::xml_node root = doc.child("styleSheet");
        auto fonts = readAll<FontLook>(root.child("fonts"), "font", readFontLook);
        auto fills = readAll<ColorRef>(root.child("fills"), "fill", readFill);
        auto borders = readAll<CellLook>(root.child("borders"), "border", [](pugi::xml_node border) {
            CellLook look;
            look.left = readLine(side(border, "left", "start"));
            look.right = readLine(side(border, "right", "end"));
            look.top = readLine(border.child("top"));
            look.bottom = readLine(border.child("bottom"));
            return look;
        });
        for (pugi::xml_node xf : root.child("cellXfs").children("xf")) {
            CellLook look;
            if (uint32_t b = xf.attribute("borderId").as_uint(0); b < borders.size()) look = borders[b];
            if (uint32_t f = xf.attribute("fillId").as_uint(0); f < fills.size()) look.fill = fills[f];
            if (uint32_t f = xf.attribute("fontId").as_uint(0); f < fonts.size()) {
                look.fontColor = fonts[f].color;
                look.underline = fonts[f].underline;
                look.strike = fonts[f].strike;
            }
            looks_.push_back(std::move(look));
        }
    }
    if (looks_.empty()) looks_.emplace_back();
}

const CellLook& CellLooks::of(uint32_t xf) const { return looks_[xf < looks_.size() ? xf : 0]; }

}  // namespace tavlora::host
