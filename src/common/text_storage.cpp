#include "common/text_storage.h"

#include "common/text.h"

std::string TTextStorage::Lookup(const std::string& key) const {
    for (size_t i = 0; i < keys_.size(); ++i) {
        if (!SameText(keys_[i], key)) continue;
        if (i < Items.size() && Items[i] != "unused") return Items[i];
        return key;
    }
    return key;
}
