#include "host/xlsx/chart/ChartXml.h"

#include <array>

#include "host/xlsx/XmlPart.h"

namespace tavlora::host::xlsx {

namespace chartorder {

namespace {

constexpr std::array kChart = {std::string_view("title"), std::string_view("autoTitleDeleted"),
                               std::string_view("pivotFmts"), std::string_view("view3D"),
                               std::string_view("floor"), std::string_view("sideWall"),
                               std::string_view("backWall"), std::string_view("plotArea"),
                               std::string_view("legend"), std::string_view("plotVisOnly"),
                               std::string_view("dispBlanksAs"), std::string_view("showDLblsOverMax"),
                               std::string_view("extLst")};

// Only the tail: chart-type groups and axes are placed by the writer itself.
constexpr std::array kPlotArea = {std::string_view("layout"), std::string_view("dTable"), std::string_view("spPr"),
                                  std::string_view("extLst")};

// Every series kind's children follow this one order (each kind uses a subsequence).
constexpr std::array kSeries = {
    std::string_view("idx"),        std::string_view("order"),          std::string_view("tx"),
    std::string_view("spPr"),       std::string_view("invertIfNegative"), std::string_view("pictureOptions"),
    std::string_view("marker"),     std::string_view("explosion"),      std::string_view("dPt"),
    std::string_view("dLbls"),      std::string_view("trendline"),      std::string_view("errBars"),
    std::string_view("cat"),        std::string_view("val"),            std::string_view("xVal"),
    std::string_view("yVal"),       std::string_view("smooth"),         std::string_view("shape"),
    std::string_view("bubbleSize"), std::string_view("bubble3D"),       std::string_view("extLst")};

// Likewise for the chart-type groups.
constexpr std::array kGroup = {
    std::string_view("barDir"),        std::string_view("ofPieType"),    std::string_view("wireframe"),
    std::string_view("scatterStyle"),  std::string_view("radarStyle"),   std::string_view("grouping"),
    std::string_view("varyColors"),    std::string_view("ser"),          std::string_view("bandFmts"),
    std::string_view("dLbls"),         std::string_view("dropLines"),    std::string_view("hiLowLines"),
    std::string_view("upDownBars"),    std::string_view("gapWidth"),     std::string_view("gapDepth"),
    std::string_view("overlap"),       std::string_view("firstSliceAng"), std::string_view("holeSize"),
    std::string_view("splitType"),     std::string_view("splitPos"),     std::string_view("custSplit"),
    std::string_view("secondPieSize"), std::string_view("serLines"),     std::string_view("marker"),
    std::string_view("smooth"),        std::string_view("shape"),        std::string_view("bubble3D"),
    std::string_view("bubbleScale"),   std::string_view("showNegBubbles"), std::string_view("sizeRepresents"),
    std::string_view("axId"),          std::string_view("extLst")};

constexpr std::array kDataLabels = {
    std::string_view("dLbl"),          std::string_view("delete"),       std::string_view("numFmt"),
    std::string_view("spPr"),          std::string_view("txPr"),         std::string_view("dLblPos"),
    std::string_view("showLegendKey"), std::string_view("showVal"),      std::string_view("showCatName"),
    std::string_view("showSerName"),   std::string_view("showPercent"),  std::string_view("showBubbleSize"),
    std::string_view("separator"),     std::string_view("showLeaderLines"), std::string_view("leaderLines"),
    std::string_view("extLst")};

constexpr std::array kTitle = {std::string_view("tx"),   std::string_view("layout"), std::string_view("overlay"),
                               std::string_view("spPr"), std::string_view("txPr"),   std::string_view("extLst")};

constexpr std::array kLegend = {std::string_view("legendPos"), std::string_view("legendEntry"),
                                std::string_view("layout"),    std::string_view("overlay"),
                                std::string_view("spPr"),      std::string_view("txPr"),
                                std::string_view("extLst")};

// The union of catAx, valAx and serAx.
constexpr std::array kAxis = {
    std::string_view("axId"),         std::string_view("scaling"),       std::string_view("delete"),
    std::string_view("axPos"),        std::string_view("majorGridlines"), std::string_view("minorGridlines"),
    std::string_view("title"),        std::string_view("numFmt"),        std::string_view("majorTickMark"),
    std::string_view("minorTickMark"), std::string_view("tickLblPos"),   std::string_view("spPr"),
    std::string_view("txPr"),         std::string_view("crossAx"),       std::string_view("crosses"),
    std::string_view("crossesAt"),    std::string_view("crossBetween"),  std::string_view("auto"),
    std::string_view("lblAlgn"),      std::string_view("lblOffset"),     std::string_view("tickLblSkip"),
    std::string_view("tickMarkSkip"), std::string_view("noMultiLvlLbl"), std::string_view("majorUnit"),
    std::string_view("minorUnit"),    std::string_view("extLst")};

}  // namespace

std::span<const std::string_view> chart() { return kChart; }
std::span<const std::string_view> plotArea() { return kPlotArea; }
std::span<const std::string_view> series() { return kSeries; }
std::span<const std::string_view> group() { return kGroup; }
std::span<const std::string_view> dataLabels() { return kDataLabels; }
std::span<const std::string_view> title() { return kTitle; }
std::span<const std::string_view> legend() { return kLegend; }
std::span<const std::string_view> axis() { return kAxis; }

}  // namespace chartorder

namespace {

int rankOf(std::span<const std::string_view> order, std::string_view local) {
    for (size_t i = 0; i < order.size(); ++i)
        if (order[i] == local) return static_cast<int>(i);
    return -1;
}

pugi::xml_node insertAtPlace(pugi::xml_node parent, const std::string& qualified, std::string_view local,
                             std::span<const std::string_view> order) {
    int rank = rankOf(order, local);
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling()) {
        if (child.type() != pugi::node_element) continue;
        int other = rankOf(order, localName(child.name()));
        if (other > rank && rank >= 0) return parent.insert_child_before(qualified.c_str(), child);
    }
    return parent.append_child(qualified.c_str());
}

}  // namespace

std::string prefixForNamespace(pugi::xml_node element, std::string_view uri) {
    for (pugi::xml_node node = element; node && node.type() == pugi::node_element; node = node.parent()) {
        for (pugi::xml_attribute a = node.first_attribute(); a; a = a.next_attribute()) {
            std::string_view name(a.name());
            if (a.value() != uri) continue;
            if (name == "xmlns") return "";
            if (name.starts_with("xmlns:")) return std::string(name.substr(6)) + ":";
        }
    }
    return "?";
}

std::vector<pugi::xml_node> childrenByLocalName(pugi::xml_node parent, std::string_view name) {
    std::vector<pugi::xml_node> found;
    for (pugi::xml_node child = parent.first_child(); child; child = child.next_sibling())
        if (child.type() == pugi::node_element && localName(child.name()) == name) found.push_back(child);
    return found;
}

pugi::xml_node ensureChild(pugi::xml_node parent, const QualifiedNames& names, std::string_view local,
                           std::span<const std::string_view> order) {
    if (pugi::xml_node existing = childByLocalName(parent, local)) return existing;
    return insertAtPlace(parent, names(local), local, order);
}

pugi::xml_node insertChild(pugi::xml_node parent, const QualifiedNames& names, std::string_view local,
                           std::span<const std::string_view> order) {
    return insertAtPlace(parent, names(local), local, order);
}

void removeChildren(pugi::xml_node parent, std::string_view local) {
    for (pugi::xml_node child : childrenByLocalName(parent, local)) parent.remove_child(child);
}

void setValChild(pugi::xml_node parent, const QualifiedNames& names, std::string_view local, std::string_view value,
                 std::span<const std::string_view> order) {
    pugi::xml_node child = ensureChild(parent, names, local, order);
    pugi::xml_attribute val = child.attribute("val");
    if (!val) val = child.append_attribute("val");
    val.set_value(std::string(value).c_str());
}

std::string_view valOf(pugi::xml_node parent, std::string_view local, std::string_view fallback) {
    pugi::xml_node child = childByLocalName(parent, local);
    if (!child) return fallback;
    pugi::xml_attribute val = child.attribute("val");
    return val ? std::string_view(val.value()) : fallback;
}

bool boolValOf(pugi::xml_node parent, std::string_view local, bool fallback) {
    pugi::xml_node child = childByLocalName(parent, local);
    if (!child) return fallback;
    pugi::xml_attribute val = child.attribute("val");
    // The schema's default for a boolean element written without val is true.
    return val ? isTrue(val.value()) : true;
}

}  // namespace tavlora::host::xlsx
