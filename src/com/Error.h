#pragma once
#include <cstdint>
#include <stdexcept>
#include <string>

namespace tavlora::com {

using HRESULT = int32_t;

// HRESULTs used across the library. Run-time errors of the automation language are
// 0x800A0000 | number; the host reports its own failures with one code.
namespace hr {
constexpr HRESULT kOk = 0;
constexpr HRESULT runtime(int number) { return static_cast<HRESULT>(0x800A0000u | static_cast<uint32_t>(number)); }
constexpr HRESULT kInvalidCall = runtime(5);
constexpr HRESULT kOverflow = runtime(6);
constexpr HRESULT kOutOfMemory = runtime(7);
constexpr HRESULT kSubscriptOutOfRange = runtime(9);
constexpr HRESULT kTypeMismatch = runtime(13);
constexpr HRESULT kObjectNotSet = runtime(91);
constexpr HRESULT kInvalidUseOfNull = runtime(94);
constexpr HRESULT kHostError = static_cast<HRESULT>(0x800A03ECu);
constexpr HRESULT kDispUnknownName = static_cast<HRESULT>(0x80020006u);
constexpr HRESULT kDispMemberNotFound = static_cast<HRESULT>(0x80020003u);
constexpr HRESULT kDispParamNotFound = static_cast<HRESULT>(0x80020004u);
constexpr HRESULT kDispTypeMismatch = static_cast<HRESULT>(0x80020005u);
constexpr HRESULT kDispOverflow = static_cast<HRESULT>(0x8002000Au);
constexpr HRESULT kDispBadParamCount = static_cast<HRESULT>(0x8002000Eu);
constexpr HRESULT kDispParamNotOptional = static_cast<HRESULT>(0x8002000Fu);
constexpr HRESULT kDispException = static_cast<HRESULT>(0x80020009u);
constexpr HRESULT kNotImplemented = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT kInvalidArg = static_cast<HRESULT>(0x80070057u);
// E_OUTOFMEMORY: an allocation failed outside the language's own checks (kOutOfMemory is error 7).
constexpr HRESULT kAllocationFailed = static_cast<HRESULT>(0x8007000Eu);
// REGDB_E_CLASSNOTREG: no class with the ProgID or class identifier asked for.
constexpr HRESULT kClassNotRegistered = static_cast<HRESULT>(0x80040154u);
}  // namespace hr

// The one exception type of the library: every failure that "reaches the caller" is one of these.
class Error : public std::runtime_error {
public:
    Error(HRESULT code, const std::string& message) : std::runtime_error(message), code_(code) {}
    HRESULT code() const noexcept { return code_; }

private:
    HRESULT code_;
};

// A failure of the spreadsheet host (bad address, refused sheet name, unreadable file, ...).
// Messages put names and paths in single quotes ('Sheet1', '/tmp/out.xlsx'), a text or formula
// the caller gave in double quotes, as it would be written in a string literal ("=Data!R1C1"), and
// show a call as written (Range("A1")).
[[noreturn]] inline void throwHostError(const std::string& message) { throw Error(hr::kHostError, message); }

}  // namespace tavlora::com
