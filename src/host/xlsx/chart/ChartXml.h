#pragma once
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

// Shared pieces of the chart and drawing parts: namespaces, the schema's child orders, and
// element edits that keep those orders.
namespace tavlora::host::xlsx {

namespace chartns {
constexpr std::string_view kChart = "http://schemas.openxmlformats.org/drawingml/2006/chart";
constexpr std::string_view kDrawingMain = "http://schemas.openxmlformats.org/drawingml/2006/main";
constexpr std::string_view kSpreadsheetDrawing = "http://schemas.openxmlformats.org/drawingml/2006/spreadsheetDrawing";
constexpr std::string_view kRelationships = "http://schemas.openxmlformats.org/officeDocument/2006/relationships";
constexpr std::string_view kStrictChart = "http://purl.oclc.org/ooxml/drawingml/chart";
constexpr std::string_view kStrictDrawingMain = "http://purl.oclc.org/ooxml/drawingml/main";
constexpr std::string_view kStrictSpreadsheetDrawing = "http://purl.oclc.org/ooxml/drawingml/spreadsheetDrawing";
constexpr std::string_view kStrictRelationships = "http://purl.oclc.org/ooxml/officeDocument/relationships";
}  // namespace chartns

namespace chartorder {
// Children of c:chart, c:plotArea's tail, a series (all kinds), a chart-type group (all kinds),
// c:dLbls, c:title, c:legend and the axes.
std::span<const std::string_view> chart();
std::span<const std::string_view> plotArea();
std::span<const std::string_view> series();
std::span<const std::string_view> group();
std::span<const std::string_view> dataLabels();
std::span<const std::string_view> title();
std::span<const std::string_view> legend();
std::span<const std::string_view> axis();
}  // namespace chartorder

// The prefix ("c:", "" for a default namespace) under which an element declares or inherits a
// namespace URI; nullopt-like "?" when it is not declared at all.
std::string prefixForNamespace(pugi::xml_node element, std::string_view uri);

// Element names of a part under the prefixes it uses.
class QualifiedNames {
public:
    explicit QualifiedNames(std::string prefix) : prefix_(std::move(prefix)) {}
    std::string operator()(std::string_view local) const { return prefix_ + std::string(local); }
    const std::string& prefix() const { return prefix_; }

private:
    std::string prefix_;
};

// Children of `parent` with the local name, in order.
std::vector<pugi::xml_node> childrenByLocalName(pugi::xml_node parent, std::string_view localName);
// Adds an element where `order` puts it among the children (before the first child that ranks
// after it; children not in the order are passed over), or returns the one already there.
pugi::xml_node ensureChild(pugi::xml_node parent, const QualifiedNames& names, std::string_view localName,
                           std::span<const std::string_view> order);
// Adds an element at its place even when one of that name exists (lists such as c:ser).
pugi::xml_node insertChild(pugi::xml_node parent, const QualifiedNames& names, std::string_view localName,
                           std::span<const std::string_view> order);
// Removes every child with the local name.
void removeChildren(pugi::xml_node parent, std::string_view localName);
// <x val="..."/> under `parent`, added at its place when absent.
void setValChild(pugi::xml_node parent, const QualifiedNames& names, std::string_view localName, std::string_view value,
                 std::span<const std::string_view> order);
// The val attribute of a child, or `fallback` when the child or attribute is absent.
std::string_view valOf(pugi::xml_node parent, std::string_view localName, std::string_view fallback);
bool boolValOf(pugi::xml_node parent, std::string_view localName, bool fallback);

}  // namespace tavlora::host::xlsx
