#include "bench/soak_host.h"

namespace kq::soak {

void SoakHost::note(std::string_view text, std::string_view mark) {
    log_ += std::string(mark) + std::string(text);
    if (!text.ends_with('\n')) log_ += '\n';
    if (!stopAfter_.empty() && text == stopAfter_) stopDue_ = true;
}

void SoakHost::pumpMessages() {
    if (!stopDue_ || run_ == nullptr) return;
    stopDue_ = false;
    stopAfter_.clear();
    run_->stopUpgrade();
}

}  // namespace kq::soak
