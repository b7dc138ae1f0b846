#pragma once
#include <memory>
#include <string>
#include <string_view>

namespace tavlora::host {

// A text that few owners have (the attributes of a row that the model does not know, kept
// verbatim): one pointer when there is none, so the many owners without one stay small.
class RareText {
public:
    RareText() = default;
    RareText(const RareText& other) : text_(other.empty() ? nullptr : std::make_unique<std::string>(*other.text_)) {}
    RareText(RareText&&) noexcept = default;
    RareText& operator=(const RareText& other) {
        if (this != &other) *this = other.view();
        return *this;
    }
    RareText& operator=(RareText&&) noexcept = default;
    RareText& operator=(std::string_view text) {
        if (text.empty()) text_.reset();
        else if (text_) text_->assign(text);
        else text_ = std::make_unique<std::string>(text);
        return *this;
    }
    RareText& operator+=(std::string_view text) {
        if (!text.empty()) this->text() += text;
        return *this;
    }

    bool empty() const { return !text_ || text_->empty(); }
    std::string_view view() const { return text_ ? std::string_view(*text_) : std::string_view(); }
    operator std::string_view() const { return view(); }
    // The text to append to, made when first asked for.
    std::string& text() {
        if (!text_) text_ = std::make_unique<std::string>();
        return *text_;
    }

private:
    std::unique_ptr<std::string> text_;
};

}  // namespace tavlora::host
