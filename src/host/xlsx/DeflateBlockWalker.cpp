#include "host/xlsx/DeflateBlockWalker.h"

#include <array>
#include <bit>
#include <cstring>
#include <string>

#include "com/Error.h"

namespace tavlora::host::xlsx {

namespace {

constexpr int kLongestCode = 15;
// Codes up to this long are found with one table lookup; longer ones (rare symbols) bit by bit.
constexpr int kTableBits = 10;
constexpr int kEndOfBlock = 256;
constexpr int kLastLengthSymbol = 285;
constexpr int kLastDistanceSymbol = 29;
constexpr int kMostLiteralCodes = 288;  // the fixed code gives lengths to 286 and 287 too
constexpr int kMostDistanceCodes = 30;
// Extra bits after the length symbols 257..285.
constexpr std::array<uint8_t, 29> kLengthExtraBits = {0, 0, 0, 0, 0, 0, 0, 0, 1, 1, 1, 1, 2, 2, 2,
                                                      2, 3, 3, 3, 3, 4, 4, 4, 4, 5, 5, 5, 5, 0};
// The order in which a dynamic block gives the lengths of the code-length code.
constexpr std::array<uint8_t, 19> kCodeLengthOrder = {16, 17, 18, 0, 8, 7, 9, 6, 10, 5, 11, 4, 12, 3, 13, 2, 14, 1, 15};

[[noreturn]] void malformed(const char* what) {
    com::throwHostError(std::string("Cannot compress a workbook part: a deflated piece does not read back (") + what +
                        ")");
}

// Reads a stream's bits first bit lowest, holding up to 64 of them, so that one refill serves a
// whole literal or length-distance pair. Past the end it reads zeros; the walk checks its position
// against the end before trusting it, and a walk that keeps reading zeros stops.
class BitReader {
public:
    explicit BitReader(std::string_view bytes)
        : data_(reinterpret_cast<const unsigned char*>(bytes.data())), size_(bytes.size()) {}

    // At least 49 bits in hand (never more than 63).
    void refill() {
        if (at_ + 8 <= size_) {
            uint64_t word;
            std::memcpy(&word, data_ + at_, 8);
            if constexpr (std::endian::native == std::endian::big) word = __builtin_bswap64(word);
            buffer_ |= word << held_;
            at_ += (63 - held_) >> 3;
            held_ |= 56;
            return;
        }
        if (at_ > size_ + kLongestLookahead) malformed("it ends inside a block");
        for (; held_ <= 48; held_ += 8, ++at_) buffer_ |= uint64_t(at_ < size_ ? data_[at_] : 0) << held_;
    }

    // The bits in hand, the next one lowest; refill() first.
    uint64_t bits() const { return buffer_; }
    void consume(int n) {
        buffer_ >>= n;
        held_ -= n;
    }

    uint32_t read(int n) {
        refill();
        const auto value = static_cast<uint32_t>(buffer_ & ((uint64_t(1) << n) - 1));
        consume(n);
        return value;
    }

    void alignToByte() { consume(held_ & 7); }

    void skipBytes(uint64_t n) {
        const uint64_t target = position() / 8 + n;
        if (position() % 8 != 0 || target > size_) malformed("it ends inside a stored block");
        at_ = static_cast<size_t>(target);
        buffer_ = 0;
        held_ = 0;
    }

    uint64_t position() const { return uint64_t(at_) * 8 - uint64_t(held_); }
    // Whether the bits used so far were all in the stream.
    bool withinStream() const { return position() <= uint64_t(size_) * 8; }

private:
    // Bytes of zeros a valid stream can need read past its end by a refill.
    static constexpr size_t kLongestLookahead = 8;

    const unsigned char* data_;
    size_t size_;
    size_t at_ = 0;  // next byte to take into the buffer
    uint64_t buffer_ = 0;
    int held_ = 0;  // bits in the buffer
};

// A canonical Huffman code as deflate defines it by its code lengths.
class HuffmanCode {
public:
    void build(const uint8_t* lengths, int count) {
        counts_.fill(0);
        for (int s = 0; s < count; ++s) ++counts_[lengths[s]];
        counts_[0] = 0;
        int left = 1;  // codes still free at the current length
        for (int length = 1; length <= kLongestCode; ++length) {
            left = left * 2 - counts_[length];
            if (left < 0) malformed("a Huffman code with more codes than fit");
        }
        std::array<uint16_t, kLongestCode + 2> next{};
        for (int length = 1; length <= kLongestCode; ++length) next[length + 1] = next[length] + counts_[length];
        for (int s = 0; s < count; ++s)
            if (lengths[s] != 0) symbols_[next[lengths[s]]++] = static_cast<uint16_t>(s);
        // Codes are sent first bit first, so the table is indexed by the code's bits reversed.
        table_.fill(0);
        uint32_t code = 0;
        int index = 0;
        for (int length = 1; length <= kTableBits; ++length) {
            for (int i = 0; i < counts_[length]; ++i, ++code, ++index) {
                const uint32_t reversed = reverseBits(code, length);
                const uint16_t entry = static_cast<uint16_t>(symbols_[index] << 4 | length);
                for (uint32_t slot = reversed; slot < table_.size(); slot += 1u << length) table_[slot] = entry;
            }
            code <<= 1;
        }
    }

    // Needs kLongestCode bits in hand.
    int decode(BitReader& in) const {
        const uint64_t bits = in.bits();
        const uint16_t entry = table_[bits & (table_.size() - 1)];
        if (entry != 0) {
            in.consume(entry & 15);
            return entry >> 4;
        }
        // A code longer than the table: count through the lengths, first bit first.
        int code = 0, first = 0, index = 0;
        for (int length = 1; length <= kLongestCode; ++length) {
            code |= static_cast<int>((bits >> (length - 1)) & 1);
            const int count = counts_[length];
            if (code < first + count) {
                in.consume(length);
                return symbols_[index + code - first];
            }
            index += count;
            first = (first + count) << 1;
            code <<= 1;
        }
        malformed("a code its table does not have");
    }

private:
    static uint32_t reverseBits(uint32_t code, int length) {
        uint32_t reversed = 0;
        for (int i = 0; i < length; ++i, code >>= 1) reversed = reversed << 1 | (code & 1);
        return reversed;
    }

    // symbol << 4 | code length for every code of up to kTableBits; 0 where a longer code starts.
    std::array<uint16_t, 1u << kTableBits> table_{};
    std::array<uint16_t, kLongestCode + 1> counts_{};
    std::array<uint16_t, kMostLiteralCodes> symbols_{};  // by code
};

void useFixedCodes(HuffmanCode& literals, HuffmanCode& distances) {
    std::array<uint8_t, kMostLiteralCodes> lengths{};
    for (int s = 0; s < kMostLiteralCodes; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    literals.build(lengths.data(), kMostLiteralCodes);
    lengths.fill(5);
    distances.build(lengths.data(), kMostDistanceCodes);
}

void readDynamicCodes(BitReader& in, HuffmanCode& literals, HuffmanCode& distances) {
    const int literalCount = static_cast<int>(in.read(5)) + 257;
    const int distanceCount = static_cast<int>(in.read(5)) + 1;
    const int lengthCodeCount = static_cast<int>(in.read(4)) + 4;
    if (literalCount > 286 || distanceCount > kMostDistanceCodes) malformed("too many codes in a block");
    std::array<uint8_t, kCodeLengthOrder.size()> lengthCodeLengths{};
    for (int i = 0; i < lengthCodeCount; ++i) lengthCodeLengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(in.read(3));
    HuffmanCode lengthCode;
    lengthCode.build(lengthCodeLengths.data(), static_cast<int>(lengthCodeLengths.size()));

    std::array<uint8_t, 286 + kMostDistanceCodes> lengths{};
    const int total = literalCount + distanceCount;
    for (int n = 0; n < total;) {
        in.refill();
        const int symbol = lengthCode.decode(in);
        if (symbol < 16) {
            lengths[n++] = static_cast<uint8_t>(symbol);
            continue;
        }
        uint8_t value = 0;
        int repeat = 0;
        if (symbol == 16) {
            if (n == 0) malformed("a repeated code length with none before it");
            value = lengths[n - 1];
            repeat = 3 + static_cast<int>(in.read(2));
        } else if (symbol == 17) {
            repeat = 3 + static_cast<int>(in.read(3));
        } else {
            repeat = 11 + static_cast<int>(in.read(7));
        }
        if (n + repeat > total) malformed("code lengths beyond the codes of a block");
        for (; repeat > 0; --repeat) lengths[n++] = value;
    }
    if (lengths[kEndOfBlock] == 0) malformed("a block without an end-of-block code");
    literals.build(lengths.data(), literalCount);
    distances.build(lengths.data() + literalCount, distanceCount);
}

// A length and distance pair takes at most 15 + 5 + 15 + 13 = 48 bits: one refill covers it.
void skipCodes(BitReader& in, const HuffmanCode& literals, const HuffmanCode& distances) {
    for (;;) {
        in.refill();
        const int symbol = literals.decode(in);
        if (symbol < kEndOfBlock) continue;
        if (symbol == kEndOfBlock) return;
        if (symbol > kLastLengthSymbol) malformed("a length code deflate does not define");
        in.consume(kLengthExtraBits[symbol - kEndOfBlock - 1]);
        const int distance = distances.decode(in);
        if (distance > kLastDistanceSymbol) malformed("a distance code deflate does not define");
        in.consume(distance < 4 ? 0 : distance / 2 - 1);
    }
}

void skipStoredBlock(BitReader& in) {
    in.refill();
    in.alignToByte();
    const uint32_t length = in.read(16);
    if ((length ^ 0xFFFFu) != in.read(16)) malformed("a stored block whose length does not match its check");
    in.skipBytes(length);
}

}  // namespace

DeflateBlockEnds walkDeflateBlocks(std::string_view stream) {
    BitReader in(stream);
    HuffmanCode literals;
    HuffmanCode distances;
    for (;;) {
        const uint64_t header = in.position();
        const bool last = in.read(1) != 0;
        switch (in.read(2)) {
            case 0: skipStoredBlock(in); break;
            case 1:
                useFixedCodes(literals, distances);
                skipCodes(in, literals, distances);
                break;
            case 2:
                readDynamicCodes(in, literals, distances);
                skipCodes(in, literals, distances);
                break;
            default: malformed("a block of the reserved type");
        }
        if (!in.withinStream()) malformed("it ends inside a block");
        if (last) return {header, in.position()};
    }
}

}  // namespace tavlora::host::xlsx
