#pragma once
// A table of window texts looked up by their original wording, so that a
// translated table can replace the words without touching the code.
#include <string>
#include <vector>

class TTextStorage {
public:
    explicit TTextStorage(std::vector<std::string> items) : Items(std::move(items)) {}
    // The design has finished loading: the keys become a copy of the items.
    void Loaded() { keys_ = Items; }
    // The item standing where Key stands among the keys (first match, ignoring
    // case); Key itself when it is not there or its item is "unused".
    std::string Lookup(const std::string& key) const;

    std::vector<std::string> Items;

private:
    std::vector<std::string> keys_;
};
