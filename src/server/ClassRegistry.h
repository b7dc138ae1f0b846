#pragma once
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "com/Dispatch.h"

namespace tavlora::server {

// One creatable class of the library.
struct ClassInfo {
    std::string progId;         // "Tavlora.CExcelBatDo"
    std::string coclassName;    // "CExcelBatDo"
    std::string classId;        // "{8CFC6ACE-...}", upper case, with braces
    std::string interfaceName;  // "_CExcelBatDo"
    std::string interfaceId;
    std::function<std::shared_ptr<com::Dispatch>()> create;
};

// Identity of the type library and the types it publishes besides the classes.
struct TypeLibraryInfo {
    std::string name = "Tavlora";
    std::string libraryId = "{CEA818B5-F18B-43B4-B866-EC7D7697A3DB}";
    int majorVersion = 1;
    int minorVersion = 0;
    std::string sWhiteColId = "{7612E79D-44ED-41A3-A8B0-C6CD92203C31}";
    std::string ePosTypeId = "{6EE8119D-4063-464A-9FD1-8A9A2C34A873}";
};

// The five public classes in their fixed order. Immutable.
const std::vector<ClassInfo>& libraryClasses();
const TypeLibraryInfo& typeLibraryInfo();

// The class whose ProgID or class identifier (with or without braces, any letter case) is given;
// nullptr when none.
const ClassInfo* findClass(std::string_view progIdOrClassId);
// The same class, or com::Error with hr::kClassNotRegistered when there is none.
const ClassInfo& requireClass(std::string_view progIdOrClassId);

// Creates objects by ProgID or class identifier and answers the unload query: true when no
// object it created is still alive. One factory per client (no process-wide state).
class ClassFactory {
public:
    // Throws com::Error with hr::kClassNotRegistered for an unknown class.
    std::shared_ptr<com::Dispatch> createObject(std::string_view progIdOrClassId);
    bool canUnloadNow();

private:
    std::vector<std::weak_ptr<com::Dispatch>> created_;
};

}  // namespace tavlora::server
