#pragma once
// Undo and redo over whole documents: each step keeps the complete document before it, so
// every change (crop included) is undoable and nothing can alias. Documents are small (no
// pixels), so 200 steps cost little.
#include <cstddef>
#include <string>
#include <vector>

#include "media/annotate/Annotation.h"

namespace tess::annotate {

class History {
public:
    static constexpr size_t kDefaultCap = 200;
    explicit History(Document initial = {}, size_t cap = kDefaultCap);

    const Document& current() const { return current_; }
    // Makes `next` the current document as one step (the old one is kept for undo; redo is
    // cleared; the oldest step goes beyond the cap). Nothing happens when `next` equals the
    // current document. With a non-empty `mergeKey` equal to the key of the step before
    // (and no undo or redo between), the step is merged: the current document is replaced
    // and the document undo returns to stays (a wheel burst, a run of nudges).
    // True when the document changed.
    bool commit(Document next, const std::string& mergeKey = {});
    // Ends merging: the next commit starts a new step whatever its key.
    void breakMerge() { lastKey_.clear(); }

    bool canUndo() const { return !undo_.empty(); }
    bool canRedo() const { return !redo_.empty(); }
    // False (and nothing changes) when there is nothing to undo or redo.
    bool undo();
    bool redo();
    size_t undoDepth() const { return undo_.size(); }
    size_t redoDepth() const { return redo_.size(); }
    size_t cap() const { return cap_; }

    // True when the current document differs from the one the history was made with.
    bool modified() const { return !(current_ == initial_); }

private:
    // Moves the current document onto `to` and takes the last of `from`.
    bool step(std::vector<Document>& from, std::vector<Document>& to);

    Document initial_;
    Document current_;
    std::vector<Document> undo_; // oldest first
    std::vector<Document> redo_; // next redo last
    size_t cap_;
    std::string lastKey_;
};

} // namespace tess::annotate
