#include "data/EncodingConversion.h"

#include <unicode/ucnv.h>
#include <unicode/ucnv_err.h>

#include <memory>

namespace tavlora::data {

namespace {

struct ConverterCloser {
    void operator()(UConverter* converter) const { ucnv_close(converter); }
};

}  // namespace

std::optional<std::string> convertToUtf8(std::string_view bytes, const char* encoding) {
    UErrorCode status = U_ZERO_ERROR;
    std::unique_ptr<UConverter, ConverterCloser> source(ucnv_open(encoding, &status));
    if (U_FAILURE(status)) return std::nullopt;
    ucnv_setToUCallBack(source.get(), UCNV_TO_U_CALLBACK_STOP, nullptr, nullptr, nullptr, &status);
    std::unique_ptr<UConverter, ConverterCloser> target(ucnv_open("UTF-8", &status));
    if (U_FAILURE(status)) return std::nullopt;

    std::string out;
    out.resize(bytes.size() * 3 / 2 + 16);
    for (;;) {
        char* targetStart = out.data();
        const char* sourceStart = bytes.data();
        status = U_ZERO_ERROR;
        ucnv_convertEx(target.get(), source.get(), &targetStart, out.data() + out.size(), &sourceStart,
                       bytes.data() + bytes.size(), nullptr, nullptr, nullptr, nullptr, true, true, &status);
        if (status == U_BUFFER_OVERFLOW_ERROR) {
            out.resize(out.size() * 2);
            ucnv_resetToUnicode(source.get());
            ucnv_resetFromUnicode(target.get());
            continue;
        }
        if (U_FAILURE(status)) return std::nullopt;
        out.resize(static_cast<size_t>(targetStart - out.data()));
        return out;
    }
}

}  // namespace tavlora::data
