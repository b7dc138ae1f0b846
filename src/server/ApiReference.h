#pragma once
#include <string>
#include <string_view>
#include <vector>

#include "server/ClassRegistry.h"

// The member documentation (MemberDocs) joined with what the dispatch tables say about each member
// (parameters, types, defaults, result type), in the forms the callers read it.
namespace tavlora::server {

// "DoEnd(strFile = \"\", bDispExcel = False, bHtmlFormat = False) -> Boolean", or for a property
// "IsDelUnUse: Boolean (read, write)". Empty when the class has no such member.
std::string memberSignature(const ClassInfo& info, std::string_view memberName);
// Signature, summary, parameters, result and failure as plain text: the Python docstring.
// Empty when the member is not documented.
std::string memberHelp(const ClassInfo& info, std::string_view memberName);
// The same for the class whose default interface is interfaceName ("_CExcelBatDo"); empty for
// objects that are not one of the five classes (recordsets, XML nodes).
std::string memberHelpOfInterface(std::string_view interfaceName, std::string_view memberName);
// What the documentation lacks for a dispatch table of the class: "Member" for an undocumented
// member, "Member(param)" for an undocumented parameter, "Member?" for documentation of a member
// the table does not have. Empty when the two agree.
std::vector<std::string> documentationGaps(std::string_view coclassName, const com::DispatchTable& table);
// The API reference of the five classes in Markdown; the checked-in docs/reference.md is this text.
std::string generateReference();

}  // namespace tavlora::server
