#include "data/Utf8Validity.h"

#include <cstdint>

namespace tavlora::data {
namespace {

// Length of the well-formed sequence at bytes[pos], or 0 when it is ill-formed; for an ill-formed
// one, `invalidLength` gets the length of its maximal prefix that could have started a sequence.
size_t sequenceLength(std::string_view bytes, size_t pos, size_t& invalidLength) {
    auto at = [&](size_t i) { return static_cast<uint8_t>(bytes[pos + i]); };
    const size_t left = bytes.size() - pos;
    const uint8_t lead = at(0);
    invalidLength = 1;
    if (lead < 0x80) return 1;
    size_t length;
    uint8_t low = 0x80, high = 0xBF;  // range of the second byte
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;        // overlong
        else if (lead == 0xED) high = 0x9F;  // surrogates
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;        // overlong
        else if (lead == 0xF4) high = 0x8F;  // above U+10FFFF
    } else {
        return 0;
    }
    for (size_t i = 1; i < length; ++i) {
        if (i >= left) return 0;
        const uint8_t next = at(i);
        if (i == 1 ? (next < low || next > high) : (next < 0x80 || next > 0xBF)) return 0;
        invalidLength = i + 1;
    }
    return length;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    size_t invalidLength;
    for (size_t pos = 0; pos < bytes.size();) {
        if (static_cast<uint8_t>(bytes[pos]) < 0x80) {
            ++pos;
            continue;
        }
        size_t length = sequenceLength(bytes, pos, invalidLength);
        if (length == 0) return false;
        pos += length;
    }
    return true;
}

std::string toValidUtf8(std::string_view bytes) {
    if (isValidUtf8(bytes)) return std::string(bytes);
    std::string out;
    out.reserve(bytes.size() + 8);
    size_t invalidLength;
    for (size_t pos = 0; pos < bytes.size();) {
        size_t length = sequenceLength(bytes, pos, invalidLength);
        if (length == 0) {
            out += "\xEF\xBF\xBD";
            pos += invalidLength;
        } else {
            out.append(bytes.substr(pos, length));
            pos += length;
        }
    }
    return out;
}

}  // namespace tavlora::data
