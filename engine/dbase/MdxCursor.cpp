#include "engine/dbase/MdxCursor.h"

namespace engine::dbase {

bool MdxCursor::settle(bool found, State otherwise) {
    version_ = tag_->version();
    if (!found) {
        state_ = otherwise;
        key_.clear();
        row_ = NoRow;
        return false;
    }
    state_ = State::OnEntry;
    key_ = std::string(tag_->tree().keyAt(path_));
    row_ = tag_->tree().recnoAt(path_);
    return true;
}

bool MdxCursor::refind() {
    return tag_->tree().seekEntry(path_, key_, static_cast<std::uint32_t>(row_));
}

bool MdxCursor::first() {
    return settle(tag_->tree().first(path_), State::AfterLast);
}

bool MdxCursor::last() {
    return settle(tag_->tree().last(path_), State::BeforeFirst);
}

bool MdxCursor::next() {
    if (state_ == State::BeforeFirst)
        return first();
    if (state_ == State::AfterLast)
        return false;
    if (version_ != tag_->version()) {
        if (!refind())
            return settle(false, State::AfterLast);
        bool same = tag_->tree().recnoAt(path_) == row_ &&
                    tag_->tree().compare(tag_->tree().keyAt(path_), key_) == 0;
        if (!same) // the current entry went away; the one found follows it
            return settle(true, State::AfterLast);
    }
    return settle(tag_->tree().next(path_), State::AfterLast);
}

bool MdxCursor::prior() {
    if (state_ == State::AfterLast)
        return last();
    if (state_ == State::BeforeFirst)
        return false;
    if (version_ != tag_->version() && !refind())
        return last();
    return settle(tag_->tree().prior(path_), State::BeforeFirst);
}

bool MdxCursor::seek(const std::string& key) {
    return settle(tag_->tree().seek(path_, key), State::AfterLast);
}

} // namespace engine::dbase
