#pragma once
#include <algorithm>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include <pugixml.hpp>

#include "base/SharedUntilChanged.h"

// The [Content_Types].xml part: a content type for each extension (Default) and for named parts
// (Override). Part names are kept without the leading "/" and compared ignoring ASCII case.
namespace tavlora::host::xlsx {

namespace contenttype {
constexpr std::string_view kRelationships = "application/vnd.openxmlformats-package.relationships+xml";
constexpr std::string_view kXml = "application/xml";
constexpr std::string_view kWorkbook = "application/vnd.openxmlformats-officedocument.spreadsheetml.sheet.main+xml";
constexpr std::string_view kMacroWorkbook = "application/vnd.ms-excel.sheet.macroEnabled.main+xml";
constexpr std::string_view kWorksheet = "application/vnd.openxmlformats-officedocument.spreadsheetml.worksheet+xml";
constexpr std::string_view kSharedStrings =
    "application/vnd.openxmlformats-officedocument.spreadsheetml.sharedStrings+xml";
constexpr std::string_view kStyles = "application/vnd.openxmlformats-officedocument.spreadsheetml.styles+xml";
}  // namespace contenttype

class ContentTypes {
public:
    static ContentTypes parse(const pugi::xml_document& document);

    // The Override for the part, else the Default for its extension, else "".
    std::string typeOf(std::string_view partName) const;
    bool hasOverride(std::string_view partName) const;
    // The type the part's own Override gives; null when it has none.
    const std::string* overrideType(std::string_view partName) const;
    void setOverride(std::string_view partName, std::string_view type);
    void removeOverride(std::string_view partName);
    bool hasDefault(std::string_view extension) const;
    void setDefault(std::string_view extension, std::string_view type);
    // Drops what no written part uses: Overrides of other parts and Defaults of other extensions
    // (the rels and xml Defaults always stay).
    template <class IsWritten, class ExtensionUsed>
    void prune(IsWritten isWritten, ExtensionUsed extensionUsed) {
        auto unwritten = [&](const auto& o) { return !isWritten(o.first); };
        auto unused = [&](const auto& d) { return !alwaysKept(d.first) && !extensionUsed(d.first); };
        // A table with nothing to drop stays shared.
        if (std::none_of(tables_->overrides.begin(), tables_->overrides.end(), unwritten) &&
            std::none_of(tables_->defaults.begin(), tables_->defaults.end(), unused))
            return;
        Tables& tables = tables_.own();
        std::erase_if(tables.overrides, unwritten);
        std::erase_if(tables.defaults, unused);
        tables.reindex();
    }
    // One mark for each Default and each Override, in order: whether prune would keep it ('1') or
    // drop it ('0'). With the table, what prune leaves follows from the marks alone.
    template <class IsWritten, class ExtensionUsed>
    std::string pruneMarks(IsWritten isWritten, ExtensionUsed extensionUsed) const {
        std::string marks;
        marks.reserve(tables_->defaults.size() + tables_->overrides.size());
        for (const auto& d : tables_->defaults) marks += alwaysKept(d.first) || extensionUsed(d.first) ? '1' : '0';
        for (const auto& o : tables_->overrides) marks += isWritten(o.first) ? '1' : '0';
        return marks;
    }
    std::string toXml() const;
    // Every Default and Override in order, spelled whole: equal for tables that write equal XML,
    // and cheaper to make than the XML.
    std::string spelling() const;

private:
    // The rels and xml Defaults stay whatever the package holds.
    static bool alwaysKept(const std::string& extension) { return extension == "rels" || extension == "xml"; }

    struct Tables {
        std::vector<std::pair<std::string, std::string>> defaults;   // lower-case extension, type
        std::vector<std::pair<std::string, std::string>> overrides;  // part name, type
        std::unordered_map<std::string, size_t> overrideIndex;       // lower-case part name
        std::unordered_map<std::string, size_t> defaultIndex;

        void reindex();
    };

    const std::pair<std::string, std::string>* findOverride(std::string_view partName) const;

    // Shared by the copies made for a cached template's reports and their saves until one of them
    // changes it.
    base::SharedUntilChanged<Tables> tables_;
};

// The extension of a part name, lower case ("png"); "" when it has none.
std::string extensionOf(std::string_view partName);

}  // namespace tavlora::host::xlsx
