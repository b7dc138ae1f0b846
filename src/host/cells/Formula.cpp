#include "host/cells/Formula.h"

#include <utility>

namespace tavlora::host {

Formula::Formula(const Formula& other)
    : text(other.text), cachedNumber(other.cachedNumber), cachedKind(other.cachedKind),
      rare_(other.rare_ ? std::make_unique<Rare>(*other.rare_) : nullptr) {}

Formula& Formula::operator=(const Formula& other) {
    if (this != &other) *this = Formula(other);
    return *this;
}

const std::string& Formula::cachedText() const {
    static const std::string none;
    return rare_ ? rare_->cachedText : none;
}

void Formula::setCachedText(std::string_view value) {
    if (value.empty() && !rare_) return;
    rare().cachedText.assign(value);
}

void Formula::clearCachedText() {
    if (rare_) rare_->cachedText.clear();
}

const Area& Formula::arrayArea() const {
    static const Area none;
    return rare_ ? rare_->arrayArea : none;
}

void Formula::setArrayArea(const Area& area) {
    Rare& box = rare();
    box.isArray = true;
    box.arrayArea = area;
}

Formula::Rare& Formula::rare() {
    if (!rare_) rare_ = std::make_unique<Rare>();
    return *rare_;
}

}  // namespace tavlora::host
