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

// What a table holds for a code short enough to be found in it.
enum class Alphabet {
    CodeLengths,  // the symbol, to be read: symbol << 4 | the code's length
    // What skipping the code takes: its kind << 5 | the code's bits and the extra bits after it.
    // A walk needs no more of a literal/length or distance code than that.
    LiteralsAndLengths,
    Distances,
};
enum SkipKind : uint16_t { kLongCode = 0, kLiteral = 1, kLength = 2, kEndCode = 3, kBadSymbol = 4 };
constexpr uint16_t skipEntry(SkipKind kind, int bits) { return static_cast<uint16_t>(kind << 5 | bits); }
constexpr SkipKind skipKind(uint16_t entry) { return static_cast<SkipKind>(entry >> 5); }
constexpr int skipBits(uint16_t entry) { return entry & 31; }

int lengthExtraBits(int symbol) { return kLengthExtraBits[symbol - kEndOfBlock - 1]; }
int distanceExtraBits(int symbol) { return symbol < 4 ? 0 : symbol / 2 - 1; }

uint16_t skipEntryOf(Alphabet alphabet, int symbol, int length) {
    if (alphabet == Alphabet::Distances)
        return symbol > kLastDistanceSymbol ? skipEntry(kBadSymbol, length)
                                            : skipEntry(kLiteral, length + distanceExtraBits(symbol));
    if (symbol < kEndOfBlock) return skipEntry(kLiteral, length);
    if (symbol == kEndOfBlock) return skipEntry(kEndCode, length);
    if (symbol > kLastLengthSymbol) return skipEntry(kBadSymbol, length);
    return skipEntry(kLength, length + lengthExtraBits(symbol));
}

// A canonical Huffman code as deflate defines it by its code lengths.
class HuffmanCode {
public:
    void build(const uint8_t* lengths, int count, Alphabet alphabet) {
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
                const int symbol = symbols_[index];
                const uint16_t entry = alphabet == Alphabet::CodeLengths ? static_cast<uint16_t>(symbol << 4 | length)
                                                                         : skipEntryOf(alphabet, symbol, length);
                for (uint32_t slot = reversed; slot < table_.size(); slot += 1u << length) table_[slot] = entry;
            }
            code <<= 1;
        }
    }

    // A code of the code-lengths alphabet. Needs kLongestCode bits in hand.
    int decode(BitReader& in) const {
        const uint16_t entry = table_[in.bits() & (table_.size() - 1)];
        if (entry != 0) {
            in.consume(entry & 15);
            return entry >> 4;
        }
        return decodeLong(in);
    }

    // The skip entry of the code the bits in hand start with; kLongCode for one longer than the table.
    uint16_t skipEntryAt(const BitReader& in) const { return table_[in.bits() & (table_.size() - 1)]; }

    // Any code, counted through the lengths first bit first: for those longer than the table.
    // Needs kLongestCode bits in hand.
    int decodeLong(BitReader& in) const {
        const uint64_t bits = in.bits();
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

    // For every code of up to kTableBits, what its alphabet keeps (see Alphabet); 0 where a longer
    // code starts.
    std::array<uint16_t, 1u << kTableBits> table_{};
    std::array<uint16_t, kLongestCode + 1> counts_{};
    std::array<uint16_t, kMostLiteralCodes> symbols_{};  // by code
};

void useFixedCodes(HuffmanCode& literals, HuffmanCode& distances) {
    std::array<uint8_t, kMostLiteralCodes> lengths{};
    for (int s = 0; s < kMostLiteralCodes; ++s) lengths[s] = s < 144 ? 8 : s < 256 ? 9 : s < 280 ? 7 : 8;
    literals.build(lengths.data(), kMostLiteralCodes, Alphabet::LiteralsAndLengths);
    lengths.fill(5);
    distances.build(lengths.data(), kMostDistanceCodes, Alphabet::Distances);
}

void readDynamicCodes(BitReader& in, HuffmanCode& literals, HuffmanCode& distances) {
    const int literalCount = static_cast<int>(in.read(5)) + 257;
    const int distanceCount = static_cast<int>(in.read(5)) + 1;
    const int lengthCodeCount = static_cast<int>(in.read(4)) + 4;
    if (literalCount > 286 || distanceCount > kMostDistanceCodes) malformed("too many codes in a block");
    std::array<uint8_t, kCodeLengthOrder.size()> lengthCodeLengths{};
    for (int i = 0; i < lengthCodeCount; ++i) lengthCodeLengths[kCodeLengthOrder[i]] = static_cast<uint8_t>(in.read(3));
    HuffmanCode lengthCode;
    lengthCode.build(lengthCodeLengths.data(), static_cast<int>(lengthCodeLengths.size()), Alphabet::CodeLengths);

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
    literals.build(lengths.data(), literalCount, Alphabet::LiteralsAndLengths);
    distances.build(lengths.data() + literalCount, distanceCount, Alphabet::Distances);
}

// A code longer than its table (a rare symbol), with the extra bits after it, as skipEntryOf
// would have made its entry.
uint16_t longCodeEntry(BitReader& in, const HuffmanCode& code, Alphabet alphabet) {
    const uint64_t start = in.position();
    const int symbol = code.decodeLong(in);
    const int length = static_cast<int>(in.position() - start);
    const uint16_t entry = skipEntryOf(alphabet, symbol, length);
    // The code itself is already consumed; what is left to skip is its extra bits.
    return skipEntry(skipKind(entry), skipBits(entry) - length);
}

// A length and distance pair takes at most 15 + 5 + 15 + 13 = 48 bits: one refill covers it. The
// literals, most of a sheet's codes, are skipped three to a refill (at most 15 bits each).
constexpr int kLiteralsPerRefill = 3;

void skipCodes(BitReader& in, const HuffmanCode& literals, const HuffmanCode& distances) {
    for (;;) {
        in.refill();
        uint16_t entry = literals.skipEntryAt(in);
        int skippedLiterals = 0;
        while (skipKind(entry) == kLiteral) {
            in.consume(skipBits(entry));
            if (++skippedLiterals == kLiteralsPerRefill) break;
            entry = literals.skipEntryAt(in);
        }
        if (skippedLiterals == kLiteralsPerRefill) continue;
        if (skippedLiterals > 0) in.refill();  // the bits in hand only grow: the entry found still holds
        if (entry == kLongCode) entry = longCodeEntry(in, literals, Alphabet::LiteralsAndLengths);
        switch (skipKind(entry)) {
            case kLiteral: in.consume(skipBits(entry)); continue;
            case kEndCode: in.consume(skipBits(entry)); return;
            case kLength: break;
            default: malformed("a length code deflate does not define");
        }
        in.consume(skipBits(entry));
        uint16_t distance = distances.skipEntryAt(in);
        if (distance == kLongCode) distance = longCodeEntry(in, distances, Alphabet::Distances);
        if (skipKind(distance) != kLiteral) malformed("a distance code deflate does not define");
        in.consume(skipBits(distance));
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
