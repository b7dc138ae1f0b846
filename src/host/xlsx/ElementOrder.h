#pragma once
#include <algorithm>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include <pugixml.hpp>

// Writing a kept part back with regenerated elements put where its schema wants them: the
// children of a part's root element must come in a fixed order, and the engine replaces some of
// them (sheetData, cols, mergeCells, ...) while the rest is carried as read.
namespace tavlora::host::xlsx {

// Child order of <worksheet> (a <macrosheet> follows it too, with fewer children).
std::span<const std::string_view> worksheetOrder();
// Child order of <workbook>.
std::span<const std::string_view> workbookOrder();

// Position of the local name in the order; -1 when it is not listed (extension elements,
// mc:AlternateContent), which then stay where they are.
int rankIn(std::span<const std::string_view> order, std::string_view localName);

// Walks the children of `root` in order and calls printKept(child) for each, and
// printGenerated(i) for each generated element i (given by its local name) at its place: before
// the first kept child that ranks after it, or at the end. Kept children with a generated
// element's name must have been removed before.
template <class PrintKept, class PrintGenerated>
void visitChildrenInOrder(pugi::xml_node root, std::span<const std::string_view> order,
                          const std::vector<std::string_view>& generated, PrintKept printKept,
                          PrintGenerated printGenerated) {
    std::vector<std::pair<int, size_t>> pending;  // rank, index
    for (size_t i = 0; i < generated.size(); ++i) pending.emplace_back(rankIn(order, generated[i]), i);
    std::stable_sort(pending.begin(), pending.end());
    size_t next = 0;
    for (pugi::xml_node child = root.first_child(); child; child = child.next_sibling()) {
        if (child.type() == pugi::node_element) {
            std::string_view name(child.name());
            size_t colon = name.find(':');
            int rank = rankIn(order, colon == std::string_view::npos ? name : name.substr(colon + 1));
            if (rank >= 0)
                while (next < pending.size() && pending[next].first < rank) printGenerated(pending[next++].second);
        }
        printKept(child);
    }
    while (next < pending.size()) printGenerated(pending[next++].second);
}

}  // namespace tavlora::host::xlsx
