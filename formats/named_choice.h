// An entry of a fixed list of settings: the item a window's drop-down list
// shows and the word a command line takes for it. The entry's position in
// its list is the value the settings keep.
#pragma once

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace kq {

struct NamedChoice {
    std::string_view item;  // list item of the window
    std::string_view word;  // command-line word
};

// The items of a list, in order.
std::vector<std::string> choiceItems(std::span<const NamedChoice> choices);
// Position of the entry whose word is word; nullopt for none.
std::optional<int> choiceIndex(std::span<const NamedChoice> choices, std::string_view word);
// The words for a usage text: "a, b or c".
std::string choiceWords(std::span<const NamedChoice> choices);

// The same for lists of numbers, whose item and word are their decimal text.
std::vector<std::string> numberItems(std::span<const int> numbers);
std::optional<int> numberIndex(std::span<const int> numbers, std::string_view text);
std::string numberWords(std::span<const int> numbers);

}  // namespace kq
