#pragma once
#include <string>
#include <string_view>
#include <vector>

// What a caller needs to know about each member of the five classes, written once: the IDL's
// helpstrings, the Python docstrings and docs/reference.md are all made from this table, and a
// test fails when a dispatch table has a member (or a parameter) the table does not describe.
namespace tavlora::server {

struct ParamDoc {
    std::string name;  // as the dispatch table spells it
    std::string text;
};

struct MemberDoc {
    std::string name;      // as the dispatch table spells it; one entry covers a property's accessors
    std::string summary;   // one sentence; the IDL helpstring
    std::vector<ParamDoc> params;
    std::string result;    // what a successful call answers
    std::string failure;   // what a failure answers: false, "", 0, or a raised error
};

struct ClassDoc {
    std::string coclassName;  // "CExcelBatDo"
    std::string summary;
    std::vector<MemberDoc> members;
};

// The five classes in their fixed order. Immutable.
const std::vector<ClassDoc>& classDocs();
// nullptr when the class or the member is not described.
const ClassDoc* findClassDoc(std::string_view coclassName);
const MemberDoc* findMemberDoc(std::string_view coclassName, std::string_view memberName);

}  // namespace tavlora::server
