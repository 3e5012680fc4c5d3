#include "media/annotate/History.h"

#include <utility>

namespace tess::annotate {

History::History(Document initial, size_t cap)
    : initial_(initial), current_(std::move(initial)), cap_(cap == 0 ? 1 : cap) {}

bool History::commit(Document next, const std::string& mergeKey) {
    if (next == current_)
        return false;
    bool merge = !mergeKey.empty() && mergeKey == lastKey_ && !undo_.empty();
    if (!merge) {
        undo_.push_back(std::move(current_));
        if (undo_.size() > cap_)
            undo_.erase(undo_.begin());
    }
    current_ = std::move(next);
    redo_.clear();
    lastKey_ = mergeKey;
    return true;
}

bool History::undo() {
    return step(undo_, redo_);
}

bool History::redo() {
    return step(redo_, undo_);
}

bool History::step(std::vector<Document>& from, std::vector<Document>& to) {
    if (from.empty())
        return false;
    to.push_back(std::move(current_));
    current_ = std::move(from.back());
    from.pop_back();
    lastKey_.clear();
    return true;
}

} // namespace tess::annotate
