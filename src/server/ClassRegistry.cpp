#include "server/ClassRegistry.h"

#include <algorithm>

#include "tavlora/CExcelChart.h"
#include "com/Conversions.h"
#include "tavlora/CExcelOutputRcd.h"
#include "tavlora/CExcelBatDo.h"
#include "tavlora/CExcelTmplPrintBat.h"
#include "tavlora/CExcelTmplPrintOne.h"

namespace tavlora::server {

namespace {

template <class T>
std::function<std::shared_ptr<com::Dispatch>()> factoryOf() {
    return [] { return std::static_pointer_cast<com::Dispatch>(T::create()); };
}

std::vector<ClassInfo> buildClasses() {
    return {
        {"Tavlora.CExcelBatDo", "CExcelBatDo", "{8CFC6ACE-6B0E-4ED2-AA61-B89671AFE482}", "_CExcelBatDo",
         "{576AD028-E06B-4EE7-A9D0-CD0FF5AAC42C}", factoryOf<printjob::CExcelBatDo>()},
        {"Tavlora.CExcelTmplPrintOne", "CExcelTmplPrintOne", "{95121B01-90B4-4BEC-90A9-2C04E50D6882}",
         "_CExcelTmplPrintOne", "{D7D22F8E-324A-411E-ADCC-E43CD9FFDC02}", factoryOf<tmplone::CExcelTmplPrintOne>()},
        {"Tavlora.CExcelTmplPrintBat", "CExcelTmplPrintBat", "{556962B2-070D-4012-895A-55C84C5A2693}",
         "_CExcelTmplPrintBat", "{0820E86C-2941-47C1-9705-BFA593829444}", factoryOf<tmplbat::CExcelTmplPrintBat>()},
        {"Tavlora.CExcelOutputRcd", "CExcelOutputRcd", "{352B3B96-3FB1-4603-A5F3-9F311167C9CD}", "_CExcelOutputRcd",
         "{B5A5C0F4-1B24-4922-B5E7-8DD1983763FB}", factoryOf<outputrcd::CExcelOutputRcd>()},
        {"Tavlora.CExcelChart", "CExcelChart", "{EBA2EED5-E39B-46EF-B901-66CB84819A30}", "_CExcelChart",
         "{3B7F1D55-9353-4A3F-9AD7-935EA41E5CF7}", factoryOf<chart::CExcelChart>()},
    };
}

// "{abc}" and "abc" compare equal, letter case ignored.
std::string normalizedClassId(std::string_view id) {
    std::string text(id);
    if (!text.empty() && text.front() == '{') text.erase(0, 1);
    if (!text.empty() && text.back() == '}') text.pop_back();
    return com::upperCase(text);
}

}  // namespace

const std::vector<ClassInfo>& libraryClasses() {
    static const std::vector<ClassInfo> classes = buildClasses();
    return classes;
}

const TypeLibraryInfo& typeLibraryInfo() {
    static const TypeLibraryInfo info;
    return info;
}

const ClassInfo* findClass(std::string_view progIdOrClassId) {
    const std::string wanted = com::upperCase(progIdOrClassId);
    const std::string wantedId = normalizedClassId(progIdOrClassId);
    for (const auto& info : libraryClasses()) {
        if (com::upperCase(info.progId) == wanted || normalizedClassId(info.classId) == wantedId) return &info;
    }
    return nullptr;
}

const ClassInfo& requireClass(std::string_view progIdOrClassId) {
    const ClassInfo* info = findClass(progIdOrClassId);
    if (!info) throw com::Error(com::hr::kClassNotRegistered, "Class not registered: " + std::string(progIdOrClassId));
    return *info;
}

std::shared_ptr<com::Dispatch> ClassFactory::createObject(std::string_view progIdOrClassId) {
    auto object = requireClass(progIdOrClassId).create();
    std::erase_if(created_, [](const auto& weak) { return weak.expired(); });
    created_.push_back(object);
    return object;
}

bool ClassFactory::canUnloadNow() {
    std::erase_if(created_, [](const auto& weak) { return weak.expired(); });
    return created_.empty();
}

}  // namespace tavlora::server
